// PNG files written with zlib alone, so that a process without windows (tessor stitch
// --preview) needs no image library of the window system. The file is 8-bit RGB, not
// interlaced, every row with filter type 0; zlib picks the compression.
#include "platform/ImageFile.h"

#include <zlib.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string_view>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

void PutBigEndian32(Bytes& out, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<unsigned char>(value >> shift));
}

// One chunk: length, type, data and the CRC of type and data.
void PutChunk(Bytes& out, std::string_view type, const Bytes& data)
{
    PutBigEndian32(out, static_cast<std::uint32_t>(data.size()));
    const size_t typeAt = out.size();
    out.insert(out.end(), type.begin(), type.end());
    out.insert(out.end(), data.begin(), data.end());
    uLong crc = crc32(0L, Z_NULL, 0);
    crc = crc32_z(crc, out.data() + typeAt, out.size() - typeAt);
    PutBigEndian32(out, static_cast<std::uint32_t>(crc));
}

// The rows as the image data stream holds them before compression: a filter byte, then
// red, green and blue of every pixel.
Bytes FilteredRows(const DWORD* pixels, size_t width, size_t height)
{
    Bytes rows;
    rows.reserve(height * (1 + 3 * width));
    for (size_t y = 0; y < height; ++y) {
        rows.push_back(0);
        for (const DWORD* p = pixels + y * width; p != pixels + (y + 1) * width; ++p) {
            rows.push_back(static_cast<unsigned char>(*p >> 16));
            rows.push_back(static_cast<unsigned char>(*p >> 8));
            rows.push_back(static_cast<unsigned char>(*p));
        }
    }
    return rows;
}

bool Compress(const Bytes& raw, Bytes& packed)
{
    uLongf size = compressBound(raw.size());
    packed.resize(size);
    if (compress2(packed.data(), &size, raw.data(), raw.size(), Z_DEFAULT_COMPRESSION) != Z_OK)
        return false;
    packed.resize(size);
    return true;
}

Bytes Header(std::uint32_t width, std::uint32_t height)
{
    Bytes header;
    PutBigEndian32(header, width);
    PutBigEndian32(header, height);
    header.insert(header.end(), {8, 2, 0, 0, 0});  // depth 8, RGB, deflate, filter 0, no interlace
    return header;
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

bool WriteWhole(LPCTSTR path, const Bytes& bytes)
{
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path, "wb"));
    if (!file)
        return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
    return std::fclose(file.release()) == 0 && written;
}

}  // namespace

BOOL SaveRgb32AsPng(LPCTSTR path, const DWORD* pixels, int width, int height)
{
    if (!path || !pixels || width <= 0 || height <= 0)
        return FALSE;
    Bytes packed;
    if (!Compress(FilteredRows(pixels, size_t(width), size_t(height)), packed))
        return FALSE;
    constexpr std::array<unsigned char, 8> kSignature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes file(kSignature.begin(), kSignature.end());
    PutChunk(file, "IHDR", Header(std::uint32_t(width), std::uint32_t(height)));
    PutChunk(file, "IDAT", packed);
    PutChunk(file, "IEND", {});
    return WriteWhole(path, file) ? TRUE : FALSE;
}
