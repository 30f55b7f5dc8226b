// LDicomDS: frame description, decoding and raw pixel values.
#include "imaging/DicomInternal.h"
#include "platform/StageTrace.h"

#include "imaging/DicomText.h"
#include "imaging/EncapsulatedFrame.h"
#include "imaging/LBitmap.h"
#include "imaging/StoredValue.h"

#include "dcmtk/dcmdata/dcdeftag.h"
#include "dcmtk/dcmdata/dcpixel.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

// Largest frame we decode; DCMTK's frame sizes are 32-bit and larger claims are
// more likely damage than images.
constexpr std::uint64_t kMaxFrameBytes = std::uint64_t(2) << 30;
constexpr int kBandRows = 128;

using imaging::FrameLayout;

bool ReadUint16(DcmItem& item, const DcmTagKey& key, int& value)
{
    Uint16 v = 0;
    if (item.findAndGetUint16(key, v).bad())
        return false;
    value = v;
    return true;
}

// Reads the image pixel attributes beside the Pixel Data element. False (with a
// reason) when a required one is missing.
bool ReadLayout(DcmItem& item, FrameLayout& layout, std::string& reason)
{
    if (!ReadUint16(item, DCM_Rows, layout.rows) || !ReadUint16(item, DCM_Columns, layout.columns) ||
        !ReadUint16(item, DCM_BitsAllocated, layout.bitsAllocated)) {
        reason = "Rows, Columns or Bits Allocated is missing";
        return false;
    }
    if (!ReadUint16(item, DCM_BitsStored, layout.bitsStored))
        layout.bitsStored = layout.bitsAllocated;
    if (!ReadUint16(item, DCM_HighBit, layout.highBit))
        layout.highBit = layout.bitsStored - 1;
    ReadUint16(item, DCM_SamplesPerPixel, layout.samples);
    ReadUint16(item, DCM_PixelRepresentation, layout.pixelRepresentation);
    ReadUint16(item, DCM_PlanarConfiguration, layout.planar);
    OFString text;
    if (item.findAndGetOFString(DCM_NumberOfFrames, text).good()) {
        std::int32_t frames = 1;
        if (imaging::ParseIS(text.c_str(), frames) && frames > 0)
            layout.frames = frames;
    }
    if (item.findAndGetOFString(DCM_PhotometricInterpretation, text).good())
        layout.photometric = text.c_str();
    return true;
}

// False (with a reason) for layouts the bitmaps cannot hold.
bool CheckDecodable(const FrameLayout& layout, std::string& reason)
{
    if (layout.rows <= 0 || layout.columns <= 0)
        reason = "the image has no rows or columns";
    else if (layout.bitsAllocated == 1)
        reason = "1-bit images are not supported";
    else if (layout.bitsAllocated != 8 && layout.bitsAllocated != 16 && layout.bitsAllocated != 32)
        reason = "Bits Allocated " + std::to_string(layout.bitsAllocated) + " is not supported";
    else if (layout.samples != 1 && !(layout.samples == 3 && layout.bitsAllocated == 8))
        reason = std::to_string(layout.samples) + " samples of " + std::to_string(layout.bitsAllocated) +
                 " bits per pixel are not supported";
    else if (layout.bitsStored < 1 || layout.bitsStored > layout.bitsAllocated ||
             layout.highBit < layout.bitsStored - 1 || layout.highBit >= layout.bitsAllocated)
        reason = "Bits Stored and High Bit do not fit Bits Allocated";
    else if (layout.FrameBytes() > kMaxFrameBytes)
        reason = "a frame of " + std::to_string(layout.FrameBytes()) + " bytes is beyond the 2 GiB limit";
    else
        return true;
    return false;
}

DcmItem& ItemOf(DcmElement& element, DcmDataset& dataset)
{
    auto* item = dynamic_cast<DcmItem*>(element.getParent());
    return item ? *item : dataset;
}

imaging::SampleLayout SampleLayoutOf(const FrameLayout& layout)
{
    return imaging::SampleLayout{int(layout.bitsAllocated), int(layout.bitsStored), int(layout.highBit),
                                 layout.pixelRepresentation == 1};
}

// Big-endian 32-bit samples arrive as two 16-bit words each in host order (DCMTK swaps
// OW values word by word): the words of every sample are in the wrong order.
template <typename Bytes>
void SwapWordPairs(Bytes& bytes)
{
    for (size_t offset = 0; offset + 4 <= bytes.size(); offset += 4) {
        std::swap(bytes[offset], bytes[offset + 2]);
        std::swap(bytes[offset + 1], bytes[offset + 3]);
    }
}

// Interleaves colour-by-plane data and puts the samples in the requested order. False
// when memory runs out.
bool ArrangeColour(platform::PixelBuffer& bytes, size_t pixels, bool planar, bool bgr)
{
    if (planar) {
        platform::PixelBuffer interleaved = platform::PixelBuffer::Allocate(pixels * 3);
        if (interleaved.empty())
            return false;
        for (size_t i = 0; i < pixels; ++i)
            for (size_t c = 0; c < 3; ++c)
                interleaved[i * 3 + c] = bytes[c * pixels + i];
        bytes = std::move(interleaved);
    }
    if (!bytes.Resize(pixels * 3))
        return false;
    if (bgr)
        for (size_t i = 0; i < pixels; ++i)
            std::swap(bytes[i * 3], bytes[i * 3 + 2]);
    return true;
}

// Hands the bitmap's rows to the callback in bands. ERROR_USER_ABORT when it stops.
int DeliverBands(const LBitmapBase& bitmap, DECODEROWSCALLBACK callback, void* userData)
{
    const int height = bitmap.GetHeight();
    const size_t rowBytes = size_t(bitmap.GetBytesPerLine());
    for (int first = 0; first < height; first += kBandRows) {
        const int count = std::min(kBandRows, height - first);
        UINT flags = 0;
        if (first == 0)
            flags |= FILEREAD_FIRSTROW;
        if (first + count == height)
            flags |= FILEREAD_LASTROW;
        if (callback(bitmap.GetPixels() + size_t(first) * rowBytes, flags, first, count, userData) != SUCCESS)
            return ERROR_USER_ABORT;
    }
    return DICOM_SUCCESS;
}

}  // namespace

namespace imaging {
bool ReadFrameLayout(DcmItem& item, FrameLayout& layout, std::string& reason)
{
    return ReadLayout(item, layout, reason);
}
}  // namespace imaging

int LDicomDS::GetInfoImage(pDICOMELEMENT pixelElement, DICOMIMAGE* info, ULONG index)
{
    DcmElement* element = imaging::ToElement(pixelElement);
    if (!element || !info)
        return m_impl->Fail(ERROR_INV_PARAMETER, "no Pixel Data element or no record was given");
    FrameLayout layout;
    std::string reason;
    if (!ReadLayout(ItemOf(*element, m_impl->Dataset()), layout, reason))
        return m_impl->Fail(ERROR_DICOM_NO_PIXELS, reason);
    if (LONG(index) >= layout.frames)
        return m_impl->Fail(ERROR_INV_PARAMETER, "the image has no frame " + std::to_string(index));
    *info = DICOMIMAGE{};
    info->nRows = layout.rows;
    info->nColumns = layout.columns;
    info->nBitsAllocated = layout.bitsAllocated;
    info->nBitsStored = layout.bitsStored;
    info->nHighBit = layout.highBit;
    info->nSamplesPerPixel = layout.samples;
    info->nPixelRepresentation = layout.pixelRepresentation;
    info->nFrames = layout.frames;
    info->bCompressed = DcmXfer(m_impl->xfer).isEncapsulated() ? TRUE : FALSE;
    info->nPhotometric = imaging::PhotometricCode(layout.photometric);
    info->nPlanarConfiguration = layout.planar;
    m_impl->Succeed();
    return DICOM_SUCCESS;
}

namespace {

// Reads frame `index` into `bytes` with stored values as DCMTK delivers them
// (decoded when compressed). DICOM_SUCCESS or a failure code with `reason` set.
int ReadFrame(DcmPixelData& pixels, DcmItem& item, const FrameLayout& layout, ULONG index, bool encapsulated,
              platform::PixelBuffer& bytes, std::string& colourModel, std::string& reason)
{
    const std::uint64_t frameBytes = layout.FrameBytes();
    if (!encapsulated) {
        // Never let a short or odd value be read past its end.
        const std::uint64_t needed = (std::uint64_t(index) + 1) * frameBytes;
        const std::uint64_t length = pixels.getLength();
        if (length < needed) {
            reason = "the Pixel Data holds " + std::to_string(length) + " bytes, frame " + std::to_string(index) +
                     " needs " + std::to_string(needed);
            return ERROR_FILE_FORMAT;
        }
        if (layout.bitsAllocated > 8 && length % 2 != 0) {
            reason = "the Pixel Data has an odd length (" + std::to_string(length) + " bytes)";
            return ERROR_FILE_FORMAT;
        }
    }
    Uint32 decodedSize = 0;
    if (encapsulated && pixels.getUncompressedFrameSize(&item, decodedSize).bad())
        decodedSize = 0;
    const std::uint64_t bufferSize = (std::max<std::uint64_t>(frameBytes, decodedSize) + 1) & ~std::uint64_t(1);
    // Uncompressed frames are read whole (or fail), so their buffer is not zeroed first;
    // a decoder may deliver less than the buffer, which then stays zero.
    bytes = encapsulated ? platform::PixelBuffer::Zeroed(size_t(bufferSize))
                         : platform::PixelBuffer::Allocate(size_t(bufferSize));
    if (bytes.empty()) {
        reason = "no memory for a frame of " + std::to_string(bufferSize) + " bytes";
        return ERROR_NO_MEMORY;
    }
    Uint32 startFragment = 0;
    OFString model;
    const OFCondition cond =
        pixels.getUncompressedFrame(&item, Uint32(index), startFragment, bytes.data(), Uint32(bytes.size()), model);
    if (cond.bad()) {
        reason = std::string("cannot decode the pixel data: ") + cond.text();
        return encapsulated ? ERROR_FEATURE_NOT_SUPPORTED : ERROR_FILE_FORMAT;
    }
    colourModel = model.c_str();
    return DICOM_SUCCESS;
}

// JPEG-LS and JPEG 2000 frames through our own codecs (faster than DCMTK's, and DCMTK
// has no JPEG 2000 decoder); other syntaxes are NotHandled and go to ReadFrame.
imaging::OwnDecodeResult DecodeOwnCodec(DcmPixelData& pixels, E_TransferSyntax xfer, const FrameLayout& layout,
                                        ULONG index, platform::PixelBuffer& bytes, std::string& colourModel,
                                        std::string& reason)
{
    if (!DcmXfer(xfer).isEncapsulated() || !imaging::HasOwnCodec(xfer))
        return imaging::OwnDecodeResult::NotHandled;
    imaging::DecodedFrame frame;
    const imaging::OwnDecodeResult result =
        imaging::DecodeWithOwnCodec(pixels, xfer, index, layout.frames, layout, frame, reason);
    if (result == imaging::OwnDecodeResult::Decoded) {
        bytes = std::move(frame.bytes);
        colourModel = std::move(frame.colourModel);
    }
    return result;
}

// Turns the frame as read into the bitmap's layout: grey samples normalised to their
// High Bit, colour interleaved in the requested order. False for colour models the
// bitmaps cannot show.
template <typename Bytes>
bool ToBitmapLayout(Bytes& bytes, const FrameLayout& layout, const std::string& colourModel, int order,
                    std::string& reason)
{
    const size_t pixels = size_t(layout.rows) * size_t(layout.columns);
    if (layout.samples == 3) {
        if (colourModel != "RGB") {
            reason = "colour model " + colourModel + " is not supported";
            return false;
        }
        if (order == ORDER_GRAY) {
            reason = "a colour image cannot be loaded as grey";
            return false;
        }
        if (!ArrangeColour(bytes, pixels, layout.planar == 1, order != ORDER_RGB)) {
            reason = "no memory for the colour frame";
            return false;
        }
        return true;
    }
    if (!bytes.Resize(size_t(layout.FrameBytes()))) {
        reason = "no memory for the frame";
        return false;
    }
    imaging::NormaliseSamples(bytes.data(), pixels, SampleLayoutOf(layout));
    return true;
}

// Puts the frame as read into the bitmap (or a temporary one) and hands its rows to the
// callback. DICOM_SUCCESS or a failure code.
template <typename Bytes>
int FinishFrame(LDicomDS::Impl& impl, Bytes& bytes, const FrameLayout& layout, const std::string& colourModel,
                int order, LBitmapBase* bitmap, DECODEROWSCALLBACK callback, void* userData)
{
    std::string reason;
    if (!ToBitmapLayout(bytes, layout, colourModel, order, reason))
        return impl.Fail(ERROR_FEATURE_NOT_SUPPORTED, reason);
    LBitmap local;
    LBitmapBase& target = bitmap ? *bitmap : local;
    if (const int code = target.AttachPixels(layout.columns, layout.rows, layout.bitsAllocated * layout.samples,
                                             layout.samples == 1 && layout.pixelRepresentation == 1, order,
                                             std::move(bytes));
        code != SUCCESS)
        return impl.Fail(code, target.GetLastError());
    if (callback)
        if (const int code = DeliverBands(target, callback, userData); code != DICOM_SUCCESS)
            return impl.Fail(code, "the row callback stopped the decoding");
    impl.Succeed();
    return DICOM_SUCCESS;
}

}  // namespace

int LDicomDS::GetImage(pDICOMELEMENT pixelElement, LBitmapBase* bitmap, ULONG index, int bitsPerPixel, int order,
                       UINT /*flags*/, DECODEROWSCALLBACK callback, void* userData)
{
    const platform::StageScope trace(platform::Stage::Decode);
    DcmElement* element = imaging::ToElement(pixelElement);
    if (!element || element->ident() != EVR_PixelData)
        return m_impl->Fail(ERROR_INV_PARAMETER, "not a Pixel Data element");
    DcmItem& item = ItemOf(*element, m_impl->Dataset());
    FrameLayout layout;
    std::string reason;
    if (!ReadLayout(item, layout, reason))
        return m_impl->Fail(ERROR_DICOM_NO_PIXELS, reason);
    if (!CheckDecodable(layout, reason))
        return m_impl->Fail(layout.FrameBytes() > kMaxFrameBytes ? ERROR_NO_MEMORY : ERROR_FEATURE_NOT_SUPPORTED,
                            reason);
    if (LONG(index) >= layout.frames)
        return m_impl->Fail(ERROR_INV_PARAMETER, "the image has no frame " + std::to_string(index));
    const int ownBitsPerPixel = layout.bitsAllocated * layout.samples;
    if (bitsPerPixel != 0 && bitsPerPixel != ownBitsPerPixel)
        return m_impl->Fail(ERROR_FEATURE_NOT_SUPPORTED, "converting " + std::to_string(ownBitsPerPixel) + " to " +
                                                             std::to_string(bitsPerPixel) +
                                                             " bits per pixel is not supported");

    platform::PixelBuffer decoded;  // by our codecs
    platform::PixelBuffer frame;    // by DCMTK
    std::string colourModel;
    const bool encapsulated = DcmXfer(m_impl->xfer).isEncapsulated();
    // Subsampled colour is stored smaller than a full frame; only decoders expand it.
    if (!encapsulated && layout.samples == 3 && layout.photometric.find("_42") != std::string::npos)
        return m_impl->Fail(ERROR_FEATURE_NOT_SUPPORTED,
                            "uncompressed " + layout.photometric + " colour is not supported");
    auto& pixels = *static_cast<DcmPixelData*>(element);
    switch (DecodeOwnCodec(pixels, m_impl->xfer, layout, index, decoded, colourModel, reason)) {
    case imaging::OwnDecodeResult::Failed:
        return m_impl->Fail(ERROR_FILE_FORMAT, reason);
    case imaging::OwnDecodeResult::Decoded:
        layout.planar = 0;  // our decoders deliver colour by pixel
        return FinishFrame(*m_impl, decoded, layout, colourModel, order, bitmap, callback, userData);
    case imaging::OwnDecodeResult::NotHandled:
        break;
    }
    if (m_impl->xfer == EXS_RLELossless && !imaging::CheckRleFrame(pixels, m_impl->xfer, index, layout.frames, reason))
        return m_impl->Fail(ERROR_FILE_FORMAT, "damaged RLE data: " + reason);
    if (const int code = ReadFrame(pixels, item, layout, index, encapsulated, frame, colourModel, reason);
        code != DICOM_SUCCESS)
        return m_impl->Fail(code, reason);
    // A decoder may have changed the colour-by-plane setting it reports.
    ReadUint16(item, DCM_PlanarConfiguration, layout.planar);
    if (!encapsulated && layout.bitsAllocated == 32 && DcmXfer(m_impl->xfer).isBigEndian())
        SwapWordPairs(frame);
    return FinishFrame(*m_impl, frame, layout, colourModel, order, bitmap, callback, userData);
}
