// Internal to the imaging layer: our own decoders for encapsulated frames (JPEG-LS
// through CharLS, JPEG 2000 through OpenJPEG), chosen by transfer syntax ahead of
// DCMTK's, and the lossless JPEG 2000 encoder DCMTK lacks. Includes no third-party header.
#pragma once

#include "platform/PixelBuffer.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace imaging {

// What the data set says its frames hold: the image pixel attributes beside the Pixel
// Data element. A codestream must agree with it before a single sample is decoded: a
// damaged header is refused, never trusted for sizes.
struct FrameLayout {
    int rows = 0;
    int columns = 0;
    int samples = 1;  // 1 grey, 3 colour
    int bitsAllocated = 0;
    int bitsStored = 0;
    int highBit = 0;
    int pixelRepresentation = 0;  // 1: signed samples
    int frames = 1;
    int planar = 0;  // 1: colour by plane
    std::string photometric;

    size_t SampleBytes() const { return size_t(bitsAllocated / 8); }
    std::uint64_t FrameBytes() const
    {
        return std::uint64_t(rows) * std::uint64_t(columns) * std::uint64_t(samples) * SampleBytes();
    }
};

// Result of a decode. `colourModel` names the colour space of 3-sample output ("RGB"
// when the codestream's own transform was undone, otherwise the layout's photometric).
struct DecodedFrame {
    platform::PixelBuffer bytes;  // FrameBytes(), host byte order, colour by pixel
    std::string colourModel;
};

// One codestream in, stored values out (see DecodedFrame). False with a reason for a
// codestream that is damaged or does not match `layout`; nothing aborts or throws.
bool DecodeJpegLsFrame(const std::uint8_t* data, size_t size, const FrameLayout& layout, DecodedFrame& frame,
                       std::string& reason);
// False when the system CharLS cannot be loaded (DCMTK's decoder then serves).
bool JpegLsAvailable();
bool DecodeJpeg2000Frame(const std::uint8_t* data, size_t size, const FrameLayout& layout, DecodedFrame& frame,
                         std::string& reason);
// One frame of stored values (FrameBytes(), host byte order, colour by pixel or by plane
// as `layout.planar` says) into a lossless JPEG 2000 codestream of Bits Stored bits, signed
// when Pixel Representation is 1. False with a reason for a layout it cannot carry (Bits
// Allocated other than 8 or 16, High Bit not Bits Stored - 1) or an encoder failure.
bool EncodeJpeg2000Frame(const std::uint8_t* frame, const FrameLayout& layout, std::vector<std::uint8_t>& codestream,
                         std::string& reason);

// Sizes a zeroed buffer, turning an allocation failure into a reason.
inline bool AllocateFrame(platform::PixelBuffer& bytes, std::uint64_t size, std::string& reason)
{
    if (size > 0 && size <= std::uint64_t(size_t(-1))) {
        bytes = platform::PixelBuffer::Zeroed(size_t(size));
        if (!bytes.empty())
            return true;
    }
    reason = "no memory for a frame of " + std::to_string(size) + " bytes";
    return false;
}

}  // namespace imaging
