#include "platform/ImageFile.h"

#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<unsigned char>;

std::uint32_t BigEndian32(const Bytes& bytes, size_t at)
{
    return std::uint32_t(bytes[at]) << 24 | std::uint32_t(bytes[at + 1]) << 16 | std::uint32_t(bytes[at + 2]) << 8 |
           std::uint32_t(bytes[at + 3]);
}

// A PNG file taken apart: the chunk types in order and their data; every CRC checked.
struct Png {
    std::vector<std::string> order;
    std::map<std::string, Bytes> data;
};

Png ReadPng(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    const Bytes file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const Bytes signature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    EXPECT_TRUE(file.size() >= 8 && Bytes(file.begin(), file.begin() + 8) == signature);
    Png png;
    for (size_t at = 8; at + 12 <= file.size();) {
        const size_t length = BigEndian32(file, at);
        const std::string type(file.begin() + long(at) + 4, file.begin() + long(at) + 8);
        EXPECT_LE(at + 12 + length, file.size()) << type;
        const uLong crc = crc32(0, file.data() + at + 4, uInt(4 + length));
        EXPECT_EQ(BigEndian32(file, at + 8 + length), crc) << type;
        png.order.push_back(type);
        png.data[type].insert(png.data[type].end(), file.begin() + long(at) + 8, file.begin() + long(at + 8 + length));
        at += 12 + length;
    }
    return png;
}

Bytes Inflate(const Bytes& packed, size_t expected)
{
    Bytes raw(expected + 16);
    uLongf size = raw.size();
    EXPECT_EQ(uncompress(raw.data(), &size, packed.data(), packed.size()), Z_OK);
    raw.resize(size);
    return raw;
}

}  // namespace

TEST(ImageFile, WritesRgbRowsWithTheirFilterBytesAndValidChunks)
{
    struct Case {
        int width;
        int height;
        std::vector<DWORD> pixels;
        Bytes rows;  // filter byte 0, then R, G, B per pixel
    };
    const Case cases[] = {
        {1, 1, {0x00123456}, {0, 0x12, 0x34, 0x56}},
        {3, 2,
         {0x00FF0000, 0x0000FF00, 0x000000FF, 0xAA010203, 0x00FFFFFF, 0x00000000},
         {0, 0xFF, 0, 0, 0, 0xFF, 0, 0, 0, 0xFF, 0, 1, 2, 3, 0xFF, 0xFF, 0xFF, 0, 0, 0}},
    };
    const fs::path dir = testfiles::FreshDir("image_file_png");
    for (const Case& c : cases) {
        const fs::path path = dir / ("out-" + std::to_string(c.width) + ".png");
        ASSERT_TRUE(SaveRgb32AsPng(path.c_str(), c.pixels.data(), c.width, c.height));
        const Png png = ReadPng(path);
        EXPECT_EQ(png.order, (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));
        const Bytes header{0, 0, 0, Bytes::value_type(c.width), 0, 0, 0, Bytes::value_type(c.height), 8, 2, 0, 0, 0};
        EXPECT_EQ(png.data.at("IHDR"), header);
        EXPECT_EQ(Inflate(png.data.at("IDAT"), c.rows.size()), c.rows);
        EXPECT_TRUE(png.data.at("IEND").empty());
    }
}

TEST(ImageFile, RefusesInvalidArgumentsAndUnwritablePaths)
{
    const fs::path dir = testfiles::FreshDir("image_file_refusals");
    const DWORD pixel = 0;
    const std::string path = (dir / "out.png").string();
    EXPECT_FALSE(SaveRgb32AsPng(nullptr, &pixel, 1, 1));
    EXPECT_FALSE(SaveRgb32AsPng(path.c_str(), nullptr, 1, 1));
    EXPECT_FALSE(SaveRgb32AsPng(path.c_str(), &pixel, 0, 1));
    EXPECT_FALSE(SaveRgb32AsPng(path.c_str(), &pixel, 1, -1));
    EXPECT_FALSE(fs::exists(path));
    EXPECT_FALSE(SaveRgb32AsPng((dir / "no" / "such" / "out.png").c_str(), &pixel, 1, 1));
}
