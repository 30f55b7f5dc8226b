// JPEG 2000 frames through OpenJPEG, from memory. The header is read first and checked
// against the data set (size, components, precision, no subsampling) before OpenJPEG
// allocates and decodes the tiles; its messages become the reason of a failure.
#include "imaging/FrameCodecs.h"

#include "imaging/OpenJpegHandles.h"

#include <openjpeg.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace imaging {
namespace {

using openjpeg::CodecDeleter;
using openjpeg::ImageDeleter;
using openjpeg::IgnoreMessage;
using openjpeg::KeepMessage;
using openjpeg::StreamDeleter;
struct InfoDeleter {
    void operator()(opj_codestream_info_v2_t* info) const { opj_destroy_cstr_info(&info); }
};

// The codestream in memory, as OpenJPEG's stream callbacks see it.
struct MemorySource {
    const std::uint8_t* data;
    size_t size;
    size_t position = 0;
};

OPJ_SIZE_T ReadBytes(void* buffer, OPJ_SIZE_T count, void* user)
{
    auto& source = *static_cast<MemorySource*>(user);
    if (source.position >= source.size)
        return OPJ_SIZE_T(-1);  // end of stream
    const size_t n = std::min(size_t(count), source.size - source.position);
    std::memcpy(buffer, source.data + source.position, n);
    source.position += n;
    return n;
}

OPJ_OFF_T SkipBytes(OPJ_OFF_T count, void* user)
{
    auto& source = *static_cast<MemorySource*>(user);
    const OPJ_OFF_T room = count < 0 ? -OPJ_OFF_T(source.position) : OPJ_OFF_T(source.size - source.position);
    const OPJ_OFF_T step = count < 0 ? std::max(count, room) : std::min(count, room);
    source.position = size_t(OPJ_OFF_T(source.position) + step);
    return step;
}

OPJ_BOOL SeekTo(OPJ_OFF_T offset, void* user)
{
    auto& source = *static_cast<MemorySource*>(user);
    if (offset < 0 || std::uint64_t(offset) > source.size)
        return OPJ_FALSE;
    source.position = size_t(offset);
    return OPJ_TRUE;
}


// DICOM asks for a bare codestream; some writers wrap it in a JP2 file.
OPJ_CODEC_FORMAT FormatOf(const std::uint8_t* data, size_t size)
{
    static constexpr std::uint8_t kJp2Signature[] = {0, 0, 0, 0x0C, 'j', 'P', ' ', ' '};
    if (size >= sizeof kJp2Signature && std::memcmp(data, kJp2Signature, sizeof kJp2Signature) == 0)
        return OPJ_CODEC_JP2;
    return OPJ_CODEC_J2K;
}

std::uint32_t BigEndian32(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

// A bare codestream's image size, read from its SIZ segment before OpenJPEG sees it:
// OpenJPEG sizes its structures by the claimed image while reading the header, so a few
// damaged bytes could otherwise cost seconds and hundreds of megabytes before the size is
// refused. Other layouts (a JP2 wrapper, a damaged start) are left to OpenJPEG.
bool SizeSegmentMatches(const std::uint8_t* data, size_t size, const FrameLayout& layout, std::string& reason)
{
    static constexpr std::uint8_t kStart[] = {0xFF, 0x4F, 0xFF, 0x51};
    constexpr size_t kOffsetsEnd = 4 + 2 + 2 + 4 * 4;  // SOC, SIZ, Lsiz, Rsiz, Xsiz..YOsiz
    if (size < kOffsetsEnd || std::memcmp(data, kStart, sizeof kStart) != 0)
        return true;
    const std::uint32_t right = BigEndian32(data + 8), bottom = BigEndian32(data + 12);
    const std::uint32_t left = BigEndian32(data + 16), top = BigEndian32(data + 20);
    const std::int64_t width = std::int64_t(right) - left, height = std::int64_t(bottom) - top;
    if (width != layout.columns || height != layout.rows) {
        reason = "the JPEG 2000 frame is " + std::to_string(width) + " x " + std::to_string(height) +
                 ", the data set says " + std::to_string(layout.columns) + " x " + std::to_string(layout.rows);
        return false;
    }
    return true;
}

bool HeaderMatches(const opj_image_t& image, const FrameLayout& layout, std::string& reason)
{
    if (image.numcomps != std::uint32_t(layout.samples) || !image.comps) {
        reason = "the JPEG 2000 frame has " + std::to_string(image.numcomps) + " components, the data set " +
                 std::to_string(layout.samples) + " samples per pixel";
        return false;
    }
    for (std::uint32_t c = 0; c < image.numcomps; ++c) {
        const opj_image_comp_t& comp = image.comps[c];
        if (comp.dx != 1 || comp.dy != 1) {
            reason = "subsampled JPEG 2000 components are not supported";
            return false;
        }
        if (comp.w != std::uint32_t(layout.columns) || comp.h != std::uint32_t(layout.rows)) {
            reason = "the JPEG 2000 frame is " + std::to_string(comp.w) + " x " + std::to_string(comp.h) +
                     ", the data set says " + std::to_string(layout.columns) + " x " + std::to_string(layout.rows);
            return false;
        }
        if (comp.prec < 1 || comp.prec > std::uint32_t(layout.bitsAllocated)) {
            reason = "JPEG 2000 samples of " + std::to_string(comp.prec) + " bits do not fit Bits Allocated " +
                     std::to_string(layout.bitsAllocated);
            return false;
        }
    }
    if (layout.bitsAllocated != 8 && layout.bitsAllocated != 16) {
        reason = "JPEG 2000 with Bits Allocated " + std::to_string(layout.bitsAllocated) + " is not supported";
        return false;
    }
    return true;
}

// Component planes of 32-bit values into stored samples, colour by pixel. Values are
// kept as their low bits (two's complement for signed components).
template <typename T>
void StoreSamples(const opj_image_t& image, size_t pixels, platform::PixelBuffer& bytes)
{
    const size_t components = image.numcomps;
    T* out = reinterpret_cast<T*>(bytes.data());
    for (size_t c = 0; c < components; ++c) {
        const OPJ_INT32* in = image.comps[c].data;
        for (size_t i = 0; i < pixels; ++i)
            out[i * components + c] = T(std::uint32_t(in[i]));
    }
}

// RGB when the codestream's component transform turned YBR_RCT/YBR_ICT back into RGB.
std::string ColourModelOf(opj_codec_t* codec, const std::string& photometric)
{
    std::unique_ptr<opj_codestream_info_v2_t, InfoDeleter> info(opj_get_cstr_info(codec));
    const bool transformed = info && info->m_default_tile_info.mct != 0;
    if (photometric == "RGB" || (transformed && photometric.rfind("YBR_", 0) == 0))
        return "RGB";
    return photometric;
}

}  // namespace

bool DecodeJpeg2000Frame(const std::uint8_t* data, size_t size, const FrameLayout& layout, DecodedFrame& frame,
                         std::string& reason)
{
    if (!data || size == 0) {
        reason = "the JPEG 2000 frame is empty";
        return false;
    }
    if (!SizeSegmentMatches(data, size, layout, reason))
        return false;
    std::unique_ptr<opj_codec_t, CodecDeleter> codec(opj_create_decompress(FormatOf(data, size)));
    MemorySource source{data, size};
    std::unique_ptr<opj_stream_t, StreamDeleter> stream(opj_stream_create(64 * 1024, OPJ_TRUE));
    if (!codec || !stream) {
        reason = "no memory for a JPEG 2000 decoder";
        return false;
    }
    opj_stream_set_user_data(stream.get(), &source, nullptr);
    opj_stream_set_user_data_length(stream.get(), size);
    opj_stream_set_read_function(stream.get(), &ReadBytes);
    opj_stream_set_skip_function(stream.get(), &SkipBytes);
    opj_stream_set_seek_function(stream.get(), &SeekTo);

    std::string message;
    opj_set_error_handler(codec.get(), &KeepMessage, &message);
    opj_set_warning_handler(codec.get(), &IgnoreMessage, nullptr);
    opj_set_info_handler(codec.get(), &IgnoreMessage, nullptr);
    opj_dparameters_t parameters;
    opj_set_default_decoder_parameters(&parameters);
    opj_image_t* rawImage = nullptr;
    const bool headerRead = opj_setup_decoder(codec.get(), &parameters) &&
                            opj_read_header(stream.get(), codec.get(), &rawImage);
    std::unique_ptr<opj_image_t, ImageDeleter> image(rawImage);
    if (!headerRead || !image) {
        reason = "cannot read the JPEG 2000 header" + (message.empty() ? std::string() : ": " + message);
        return false;
    }
    if (!HeaderMatches(*image, layout, reason))
        return false;
    if (!opj_decode(codec.get(), stream.get(), image.get()) || !opj_end_decompress(codec.get(), stream.get())) {
        reason = "cannot decode the JPEG 2000 frame" + (message.empty() ? std::string() : ": " + message);
        return false;
    }
    // Decoding may not change the geometry, but the planes are indexed by it: check again.
    if (!HeaderMatches(*image, layout, reason))
        return false;
    for (std::uint32_t c = 0; c < image->numcomps; ++c)
        if (!image->comps[c].data) {
            reason = "the JPEG 2000 frame holds no samples";
            return false;
        }
    if (!AllocateFrame(frame.bytes, layout.FrameBytes(), reason))
        return false;
    const size_t pixels = size_t(layout.rows) * size_t(layout.columns);
    if (layout.bitsAllocated == 8)
        StoreSamples<std::uint8_t>(*image, pixels, frame.bytes);
    else
        StoreSamples<std::uint16_t>(*image, pixels, frame.bytes);
    frame.colourModel = ColourModelOf(codec.get(), layout.photometric);
    return true;
}

}  // namespace imaging
