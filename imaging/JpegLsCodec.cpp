// JPEG-LS frames through the system CharLS 2 (C interface: errors come back as codes).
// Debian builds CharLS with its assertions on, so the header is checked against the
// data set before any sample is decoded and sizes are never taken from the stream.
//
// The library is opened with dlopen(RTLD_LOCAL) rather than linked: DCMTK's bundled
// CharLS 1 exports the same legacy names (JpegLsEncode, JpegLsDecode, ...) with other
// structures, and a linked libcharls.so.2 comes first in the global symbol scope, so
// DCMTK's own JPEG-LS codec would call into it and crash.
#include "imaging/FrameCodecs.h"

#include <charls/charls.h>
#include <dlfcn.h>

#include <cstring>
#include <memory>

namespace imaging {
namespace {

// The entry points we use, resolved once per process from a privately loaded library.
struct CharLsApi {
    decltype(&charls_jpegls_decoder_create) create = nullptr;
    decltype(&charls_jpegls_decoder_destroy) destroy = nullptr;
    decltype(&charls_jpegls_decoder_set_source_buffer) setSource = nullptr;
    decltype(&charls_jpegls_decoder_read_header) readHeader = nullptr;
    decltype(&charls_jpegls_decoder_get_frame_info) frameInfo = nullptr;
    decltype(&charls_jpegls_decoder_get_interleave_mode) interleaveMode = nullptr;
    decltype(&charls_jpegls_decoder_get_destination_size) destinationSize = nullptr;
    decltype(&charls_jpegls_decoder_decode_to_buffer) decode = nullptr;
    decltype(&charls_get_error_message) errorMessage = nullptr;
    bool loaded = false;
};

template <typename F>
bool Resolve(void* library, const char* name, F& function)
{
    function = reinterpret_cast<F>(::dlsym(library, name));
    return function != nullptr;
}

const CharLsApi& CharLs()
{
    static const CharLsApi api = [] {
        CharLsApi a;
        // Kept loaded for the life of the process (never dlclose'd).
        void* library = ::dlopen("libcharls.so.2", RTLD_NOW | RTLD_LOCAL);
        if (!library)
            return a;
        a.loaded = Resolve(library, "charls_jpegls_decoder_create", a.create) &&
                   Resolve(library, "charls_jpegls_decoder_destroy", a.destroy) &&
                   Resolve(library, "charls_jpegls_decoder_set_source_buffer", a.setSource) &&
                   Resolve(library, "charls_jpegls_decoder_read_header", a.readHeader) &&
                   Resolve(library, "charls_jpegls_decoder_get_frame_info", a.frameInfo) &&
                   Resolve(library, "charls_jpegls_decoder_get_interleave_mode", a.interleaveMode) &&
                   Resolve(library, "charls_jpegls_decoder_get_destination_size", a.destinationSize) &&
                   Resolve(library, "charls_jpegls_decoder_decode_to_buffer", a.decode) &&
                   Resolve(library, "charls_get_error_message", a.errorMessage);
        return a;
    }();
    return api;
}

struct DecoderDeleter {
    void operator()(charls_jpegls_decoder* decoder) const { CharLs().destroy(decoder); }
};
using DecoderPtr = std::unique_ptr<charls_jpegls_decoder, DecoderDeleter>;

bool Failed(charls::jpegls_errc code, const char* step, std::string& reason)
{
    if (code == charls::jpegls_errc::success)
        return false;
    reason = std::string("JPEG-LS ") + step + ": " + CharLs().errorMessage(code);
    return true;
}

// The stream's frame must be the data set's frame, in samples we can hold.
bool HeaderMatches(const charls_frame_info& info, charls::interleave_mode mode, const FrameLayout& layout,
                   std::string& reason)
{
    if (info.width != std::uint32_t(layout.columns) || info.height != std::uint32_t(layout.rows))
        reason = "the JPEG-LS frame is " + std::to_string(info.width) + " x " + std::to_string(info.height) +
                 ", the data set says " + std::to_string(layout.columns) + " x " + std::to_string(layout.rows);
    else if (info.component_count != layout.samples)
        reason = "the JPEG-LS frame has " + std::to_string(info.component_count) + " components, the data set " +
                 std::to_string(layout.samples) + " samples per pixel";
    else if (info.bits_per_sample < 2 || info.bits_per_sample > layout.bitsAllocated)
        reason = "JPEG-LS samples of " + std::to_string(info.bits_per_sample) + " bits do not fit Bits Allocated " +
                 std::to_string(layout.bitsAllocated);
    else if (layout.bitsAllocated != 8 && layout.bitsAllocated != 16)
        reason = "JPEG-LS with Bits Allocated " + std::to_string(layout.bitsAllocated) + " is not supported";
    else if (int(mode) < 0 || int(mode) > 2)
        reason = "the JPEG-LS interleave mode is not valid";
    else
        return true;
    return false;
}

// A frame cut short is refused up front: CharLS reads a missing tail slowly (seconds for
// a small frame). The codestream ends with EOI, possibly followed by fragment padding.
bool EndsWithEndOfImage(const std::uint8_t* data, size_t size)
{
    while (size > 2 && data[size - 1] == 0)
        --size;
    return size >= 2 && data[size - 2] == 0xFF && data[size - 1] == 0xD9;
}

// Colour planes (interleave mode none) to colour by pixel.
bool InterleavePlanes(platform::PixelBuffer& bytes, size_t pixels, size_t sampleBytes)
{
    platform::PixelBuffer interleaved = platform::PixelBuffer::Allocate(bytes.size());
    if (interleaved.empty())
        return false;
    for (size_t c = 0; c < 3; ++c)
        for (size_t i = 0; i < pixels; ++i)
            std::memcpy(&interleaved[(i * 3 + c) * sampleBytes], &bytes[(c * pixels + i) * sampleBytes], sampleBytes);
    bytes = std::move(interleaved);
    return true;
}

// 8-bit samples in a 16-bit frame: widen in place, from the end. False when memory runs out (the buffer usually holds room for them already: see
// DecodeJpegLsFrame).
bool WidenToSixteen(platform::PixelBuffer& bytes, size_t samples)
{
    if (!bytes.Resize(samples * 2))
        return false;
    for (size_t i = samples; i-- > 0;) {
        const std::uint16_t value = bytes[i];
        std::memcpy(&bytes[i * 2], &value, 2);
    }
    return true;
}

}  // namespace

bool DecodeJpegLsFrame(const std::uint8_t* data, size_t size, const FrameLayout& layout, DecodedFrame& frame,
                       std::string& reason)
{
    if (!data || size == 0) {
        reason = "the JPEG-LS frame is empty";
        return false;
    }
    if (!EndsWithEndOfImage(data, size)) {
        reason = "the JPEG-LS frame is cut short (no end-of-image marker)";
        return false;
    }
    const CharLsApi& api = CharLs();
    if (!api.loaded) {
        reason = "the CharLS library (libcharls.so.2) cannot be loaded";
        return false;
    }
    DecoderPtr decoder(api.create());
    if (!decoder) {
        reason = "no memory for a JPEG-LS decoder";
        return false;
    }
    if (Failed(api.setSource(decoder.get(), data, size), "source", reason) ||
        Failed(api.readHeader(decoder.get()), "header", reason))
        return false;
    charls_frame_info info{};
    charls::interleave_mode mode{};
    if (Failed(api.frameInfo(decoder.get(), &info), "header", reason) ||
        Failed(api.interleaveMode(decoder.get(), &mode), "header", reason) ||
        !HeaderMatches(info, mode, layout, reason))
        return false;

    const size_t streamSampleBytes = info.bits_per_sample > 8 ? 2 : 1;
    const size_t pixels = size_t(layout.rows) * size_t(layout.columns);
    const std::uint64_t streamBytes = std::uint64_t(pixels) * size_t(layout.samples) * streamSampleBytes;
    size_t needed = 0;
    if (Failed(api.destinationSize(decoder.get(), 0, &needed), "header", reason))
        return false;
    if (needed != streamBytes) {
        reason = "the JPEG-LS frame needs " + std::to_string(needed) + " bytes, the data set's frame " +
                 std::to_string(streamBytes);
        return false;
    }
    // Room for the widened frame from the start, so that widening never reallocates.
    if (!AllocateFrame(frame.bytes, layout.FrameBytes(), reason))
        return false;
    frame.bytes.Resize(size_t(streamBytes));
    if (Failed(api.decode(decoder.get(), frame.bytes.data(), frame.bytes.size(), 0),
               "decoding", reason))
        return false;
    if (layout.samples == 3 && mode == charls::interleave_mode::none &&
        !InterleavePlanes(frame.bytes, pixels, streamSampleBytes)) {
        reason = "no memory to interleave the JPEG-LS frame";
        return false;
    }
    if (streamSampleBytes == 1 && layout.bitsAllocated == 16 &&
        !WidenToSixteen(frame.bytes, pixels * size_t(layout.samples))) {
        reason = "no memory to widen the JPEG-LS frame";
        return false;
    }
    // CharLS undoes its own colour transforms; the samples are then in the stored space.
    frame.colourModel = layout.photometric;
    return true;
}

bool JpegLsAvailable() { return CharLs().loaded; }

}  // namespace imaging
