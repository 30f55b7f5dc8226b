#include "imaging/EncapsulatedFrame.h"

#include "dcmtk/dcmdata/dccodec.h"
#include "dcmtk/dcmdata/dcpixel.h"
#include "dcmtk/dcmdata/dcpixseq.h"
#include "dcmtk/dcmdata/dcpxitem.h"

namespace imaging {
namespace {

// The frame's codestream: a view of its only fragment, or the fragments joined in `joined`.
struct Codestream {
    const std::uint8_t* data = nullptr;
    size_t size = 0;
    platform::PixelBuffer joined;
};

// Fragments [first, end) of the pixel sequence as one codestream.
bool JoinFragments(DcmPixelSequence& sequence, unsigned long first, unsigned long end, Codestream& stream,
                   std::string& reason)
{
    std::vector<std::pair<const std::uint8_t*, size_t>> parts;
    std::uint64_t total = 0;
    for (unsigned long i = first; i < end; ++i) {
        DcmPixelItem* item = nullptr;
        Uint8* bytes = nullptr;
        if (sequence.getItem(item, i).bad() || !item || item->getUint8Array(bytes).bad()) {
            reason = "fragment " + std::to_string(i) + " of the compressed frame cannot be read";
            return false;
        }
        if (bytes && item->getLength() > 0) {
            parts.emplace_back(bytes, item->getLength());
            total += item->getLength();
        }
    }
    if (parts.empty()) {
        reason = "the compressed frame has no data";
        return false;
    }
    if (parts.size() == 1) {
        stream.data = parts.front().first;
        stream.size = parts.front().second;
        return true;
    }
    if (!AllocateFrame(stream.joined, total, reason))
        return false;
    size_t offset = 0;
    for (const auto& [bytes, length] : parts) {
        std::copy(bytes, bytes + length, stream.joined.data() + offset);
        offset += length;
    }
    stream.data = stream.joined.data();
    stream.size = stream.joined.size();
    return true;
}

// Finds frame `index`'s fragments: all of them for a single frame, otherwise by the
// offset table or one fragment per frame. NotHandled when that cannot be told.
OwnDecodeResult FindFrame(DcmPixelData& pixels, E_TransferSyntax xfer, unsigned long index, long frames,
                          Codestream& stream, std::string& reason)
{
    // A frame encoded in this process is held under its encoder's parameters: ask for
    // the current representation's own key when it is the syntax we decode.
    E_TransferSyntax current = EXS_Unknown;
    const DcmRepresentationParameter* parameters = nullptr;
    pixels.getCurrentRepresentationKey(current, parameters);
    if (current != xfer)
        parameters = nullptr;
    DcmPixelSequence* sequence = nullptr;
    if (pixels.getEncapsulatedRepresentation(xfer, parameters, sequence).bad() || !sequence) {
        reason = "the compressed pixel data has no fragments";
        return OwnDecodeResult::Failed;
    }
    const unsigned long count = sequence->card();  // item 0 is the offset table
    if (count < 2) {
        reason = "the compressed pixel data has no fragments";
        return OwnDecodeResult::Failed;
    }
    Uint32 first = 1;
    Uint32 end = Uint32(count);
    if (frames > 1) {
        if (DcmCodec::determineStartFragment(Uint32(index), Sint32(frames), sequence, first).bad())
            return OwnDecodeResult::NotHandled;
        if (long(index) + 1 < frames &&
            DcmCodec::determineStartFragment(Uint32(index + 1), Sint32(frames), sequence, end).bad())
            return OwnDecodeResult::NotHandled;
        if (first < 1 || end <= first || end > count)
            return OwnDecodeResult::NotHandled;
    }
    return JoinFragments(*sequence, first, end, stream, reason) ? OwnDecodeResult::Decoded
                                                                : OwnDecodeResult::Failed;
}

bool IsJpegLs(E_TransferSyntax xfer)
{
    return xfer == EXS_JPEGLSLossless || xfer == EXS_JPEGLSLossy;
}

bool IsJpeg2000(E_TransferSyntax xfer)
{
    return xfer == EXS_JPEG2000LosslessOnly || xfer == EXS_JPEG2000;
}

std::uint32_t ReadLittle32(const std::uint8_t* bytes)
{
    return std::uint32_t(bytes[0]) | std::uint32_t(bytes[1]) << 8 | std::uint32_t(bytes[2]) << 16 |
           std::uint32_t(bytes[3]) << 24;
}

}  // namespace

bool CheckRleFrame(DcmPixelData& pixels, E_TransferSyntax xfer, unsigned long index, long frames,
                   std::string& reason)
{
    Codestream stream;
    const OwnDecodeResult found = FindFrame(pixels, xfer, index, frames, stream, reason);
    if (found == OwnDecodeResult::NotHandled)
        reason = "the RLE frames are not one per fragment";
    if (found != OwnDecodeResult::Decoded)
        return false;
    constexpr size_t kHeaderBytes = 64;
    if (stream.size < kHeaderBytes) {
        reason = "the RLE frame is shorter than its header";
        return false;
    }
    const std::uint32_t segments = ReadLittle32(stream.data);
    if (segments < 1 || segments > 15) {
        reason = "the RLE header announces " + std::to_string(segments) + " segments";
        return false;
    }
    std::uint64_t previous = kHeaderBytes - 1;
    for (std::uint32_t i = 0; i < segments; ++i) {
        const std::uint32_t offset = ReadLittle32(stream.data + 4 * (i + 1));
        if (offset <= previous || offset >= stream.size) {
            reason = "RLE segment " + std::to_string(i + 1) + " starts at " + std::to_string(offset) +
                     ", outside the frame's " + std::to_string(stream.size) + " bytes";
            return false;
        }
        previous = offset;
    }
    return true;
}

bool HasOwnCodec(E_TransferSyntax xfer) { return IsJpegLs(xfer) || IsJpeg2000(xfer); }

OwnDecodeResult DecodeWithOwnCodec(DcmPixelData& pixels, E_TransferSyntax xfer, unsigned long index, long frames,
                                   const FrameLayout& layout, DecodedFrame& frame, std::string& reason)
{
    if (!HasOwnCodec(xfer) || (IsJpegLs(xfer) && !JpegLsAvailable()))
        return OwnDecodeResult::NotHandled;
    Codestream stream;
    if (const OwnDecodeResult found = FindFrame(pixels, xfer, index, frames, stream, reason);
        found != OwnDecodeResult::Decoded)
        return found;
    const bool decoded = IsJpegLs(xfer)
                             ? DecodeJpegLsFrame(stream.data, stream.size, layout, frame, reason)
                             : DecodeJpeg2000Frame(stream.data, stream.size, layout, frame, reason);
    return decoded ? OwnDecodeResult::Decoded : OwnDecodeResult::Failed;
}

}  // namespace imaging
