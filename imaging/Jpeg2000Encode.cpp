// Lossless JPEG 2000 frames through OpenJPEG, into memory: the reversible 5/3 wavelet, one
// quality layer, a bare codestream, the samples' own precision and sign. No colour
// transform is applied, so the Photometric Interpretation stays what it was.
#include "imaging/FrameCodecs.h"

#include "imaging/OpenJpegHandles.h"

#include <openjpeg.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace imaging {
namespace {

using openjpeg::CodecDeleter;
using openjpeg::ImageDeleter;
using openjpeg::IgnoreMessage;
using openjpeg::KeepMessage;
using openjpeg::StreamDeleter;

// The codestream as OpenJPEG writes it: appended, with seeks back to patch lengths.
struct MemorySink {
    std::vector<std::uint8_t>& bytes;
    size_t position = 0;
};

OPJ_SIZE_T WriteBytes(void* buffer, OPJ_SIZE_T count, void* user)
{
    auto& sink = *static_cast<MemorySink*>(user);
    if (sink.position + count > sink.bytes.size())
        sink.bytes.resize(sink.position + count);
    std::memcpy(sink.bytes.data() + sink.position, buffer, count);
    sink.position += count;
    return count;
}

OPJ_OFF_T SkipBytes(OPJ_OFF_T count, void* user)
{
    auto& sink = *static_cast<MemorySink*>(user);
    if (count < 0 && std::uint64_t(-count) > sink.position)
        return -1;
    sink.position = size_t(OPJ_OFF_T(sink.position) + count);
    if (sink.position > sink.bytes.size())
        sink.bytes.resize(sink.position);
    return count;
}

OPJ_BOOL SeekTo(OPJ_OFF_T offset, void* user)
{
    auto& sink = *static_cast<MemorySink*>(user);
    if (offset < 0)
        return OPJ_FALSE;
    sink.position = size_t(offset);
    if (sink.position > sink.bytes.size())
        sink.bytes.resize(sink.position);
    return OPJ_TRUE;
}


bool LayoutEncodable(const FrameLayout& layout, std::string& reason)
{
    if (layout.rows < 1 || layout.columns < 1 || (layout.samples != 1 && layout.samples != 3)) {
        reason = "JPEG 2000 needs a grey or colour image of at least one pixel";
        return false;
    }
    if (layout.bitsAllocated != 8 && layout.bitsAllocated != 16) {
        reason = "JPEG 2000 with Bits Allocated " + std::to_string(layout.bitsAllocated) + " is not supported";
        return false;
    }
    if (layout.bitsStored < 1 || layout.bitsStored > layout.bitsAllocated ||
        layout.highBit != layout.bitsStored - 1) {
        reason = "JPEG 2000 needs High Bit one below Bits Stored within Bits Allocated (Bits Stored " +
                 std::to_string(layout.bitsStored) + ", High Bit " + std::to_string(layout.highBit) + ")";
        return false;
    }
    return true;
}

// Stored samples to component values: bits above High Bit dropped, signed samples
// sign-extended from it. `planar` frames hold one plane per colour.
template <typename T>
void FillComponents(const std::uint8_t* frame, const FrameLayout& layout, opj_image_t& image)
{
    const size_t pixels = size_t(layout.rows) * size_t(layout.columns);
    const size_t samples = size_t(layout.samples);
    const std::uint32_t mask = layout.bitsStored >= 32 ? ~0u : (1u << layout.bitsStored) - 1;
    const std::uint32_t sign = 1u << (layout.bitsStored - 1);
    const bool isSigned = layout.pixelRepresentation == 1;
    const T* in = reinterpret_cast<const T*>(frame);
    for (size_t c = 0; c < samples; ++c) {
        OPJ_INT32* out = image.comps[c].data;
        for (size_t i = 0; i < pixels; ++i) {
            const size_t at = layout.planar == 1 ? c * pixels + i : i * samples + c;
            const std::uint32_t value = std::uint32_t(in[at]) & mask;
            out[i] = isSigned && (value & sign) ? OPJ_INT32(std::int64_t(value) - (std::int64_t(mask) + 1))
                                                : OPJ_INT32(value);
        }
    }
}

std::unique_ptr<opj_image_t, ImageDeleter> MakeImage(const std::uint8_t* frame, const FrameLayout& layout)
{
    std::vector<opj_image_cmptparm_t> parameters(size_t(layout.samples));
    for (opj_image_cmptparm_t& p : parameters) {
        std::memset(&p, 0, sizeof p);
        p.dx = p.dy = 1;
        p.w = OPJ_UINT32(layout.columns);
        p.h = OPJ_UINT32(layout.rows);
        p.prec = OPJ_UINT32(layout.bitsStored);
        p.sgnd = layout.pixelRepresentation == 1 ? 1 : 0;
    }
    std::unique_ptr<opj_image_t, ImageDeleter> image(opj_image_create(
        OPJ_UINT32(layout.samples), parameters.data(), layout.samples == 3 ? OPJ_CLRSPC_SRGB : OPJ_CLRSPC_GRAY));
    if (!image)
        return image;
    image->x0 = image->y0 = 0;
    image->x1 = OPJ_UINT32(layout.columns);
    image->y1 = OPJ_UINT32(layout.rows);
    if (layout.bitsAllocated == 8)
        FillComponents<std::uint8_t>(frame, layout, *image);
    else
        FillComponents<std::uint16_t>(frame, layout, *image);
    return image;
}

// Resolution levels: OpenJPEG's default of 6, fewer for an image too small to halve so often.
int ResolutionsFor(const FrameLayout& layout)
{
    int levels = 1;
    for (int side = std::min(layout.rows, layout.columns); side >= 2 && levels < 6; side /= 2)
        ++levels;
    return levels;
}

opj_cparameters_t LosslessParameters(const FrameLayout& layout)
{
    opj_cparameters_t parameters;
    opj_set_default_encoder_parameters(&parameters);
    parameters.irreversible = 0;  // the 5/3 wavelet
    parameters.tcp_numlayers = 1;
    parameters.tcp_rates[0] = 0;  // no rate limit: every bit kept
    parameters.cp_disto_alloc = 1;
    parameters.tcp_mct = 0;
    parameters.numresolution = ResolutionsFor(layout);
    return parameters;
}

}  // namespace

bool EncodeJpeg2000Frame(const std::uint8_t* frame, const FrameLayout& layout, std::vector<std::uint8_t>& codestream,
                         std::string& reason)
{
    codestream.clear();
    if (!frame) {
        reason = "no frame to encode";
        return false;
    }
    if (!LayoutEncodable(layout, reason))
        return false;
    std::unique_ptr<opj_image_t, ImageDeleter> image = MakeImage(frame, layout);
    std::unique_ptr<opj_codec_t, CodecDeleter> codec(opj_create_compress(OPJ_CODEC_J2K));
    std::unique_ptr<opj_stream_t, StreamDeleter> stream(opj_stream_create(1024 * 1024, OPJ_FALSE));
    if (!image || !codec || !stream) {
        reason = "no memory for a JPEG 2000 encoder";
        return false;
    }
    std::string message;
    opj_set_error_handler(codec.get(), &KeepMessage, &message);
    opj_set_warning_handler(codec.get(), &IgnoreMessage, nullptr);
    opj_set_info_handler(codec.get(), &IgnoreMessage, nullptr);
    MemorySink sink{codestream};
    opj_stream_set_user_data(stream.get(), &sink, nullptr);
    opj_stream_set_write_function(stream.get(), &WriteBytes);
    opj_stream_set_skip_function(stream.get(), &SkipBytes);
    opj_stream_set_seek_function(stream.get(), &SeekTo);
    opj_cparameters_t parameters = LosslessParameters(layout);
    const bool encoded = opj_setup_encoder(codec.get(), &parameters, image.get()) &&
                         opj_start_compress(codec.get(), image.get(), stream.get()) &&
                         opj_encode(codec.get(), stream.get()) && opj_end_compress(codec.get(), stream.get());
    if (!encoded) {
        codestream.clear();
        reason = "cannot encode the JPEG 2000 frame" + (message.empty() ? std::string() : ": " + message);
        return false;
    }
    return true;
}

}  // namespace imaging
