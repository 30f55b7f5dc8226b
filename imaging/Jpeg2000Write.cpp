// LDicomDS: writing Pixel Data as lossless JPEG 2000. DCMTK has no JPEG 2000 codec of its
// own, so the frames are encoded here and handed to it as the pixel data's encapsulated
// representation, as its registered encoders would have produced it.
#include "imaging/EncapsulatedFrame.h"

#include "dcmtk/dcmdata/dcdatset.h"
#include "dcmtk/dcmdata/dcdeftag.h"
#include "dcmtk/dcmdata/dcpixel.h"
#include "dcmtk/dcmdata/dcpixseq.h"
#include "dcmtk/dcmdata/dcpxitem.h"

#include <memory>
#include <vector>

namespace imaging {
namespace {

DcmPixelData* PixelDataOf(DcmDataset& dataset)
{
    DcmElement* element = nullptr;
    if (dataset.findAndGetElement(DCM_PixelData, element, OFFalse).bad() || !element ||
        element->ident() != EVR_PixelData)
        return nullptr;
    return static_cast<DcmPixelData*>(element);
}

// The uncompressed frames, after decompressing whatever representation is held.
bool UncompressedBytes(DcmDataset& dataset, DcmPixelData& pixels, const FrameLayout& layout, Uint8*& bytes,
                       std::string& reason)
{
    const OFCondition cond = dataset.chooseRepresentation(EXS_LittleEndianExplicit, nullptr);
    if (cond.bad() || !dataset.canWriteXfer(EXS_LittleEndianExplicit)) {
        reason = std::string("the pixel data cannot be decompressed first: ") + cond.text();
        return false;
    }
    const std::uint64_t needed = layout.FrameBytes() * std::uint64_t(layout.frames);
    if (pixels.getUint8Array(bytes).bad() || !bytes || pixels.getLength(EXS_LittleEndianExplicit) < needed) {
        reason = "the pixel data is shorter than " + std::to_string(layout.frames) + " frames of " +
                 std::to_string(layout.FrameBytes()) + " bytes";
        return false;
    }
    return true;
}

// Every frame encoded into `sequence`, the offset table (its first item) filled in last.
bool EncodeFrames(const Uint8* bytes, const FrameLayout& layout, DcmPixelSequence& sequence,
                  DcmPixelItem& offsetTable, std::string& reason)
{
    DcmOffsetList offsets;
    std::vector<std::uint8_t> codestream;
    for (int frame = 0; frame < layout.frames; ++frame) {
        if (!EncodeJpeg2000Frame(bytes + layout.FrameBytes() * std::uint64_t(frame), layout, codestream, reason))
            return false;
        if (codestream.size() >= 0xFFFFFFF0u) {
            reason = "a JPEG 2000 frame is beyond 4 GiB";
            return false;
        }
        if (sequence.storeCompressedFrame(offsets, codestream.data(), Uint32(codestream.size()), 0).bad()) {
            reason = "no memory for the JPEG 2000 fragments";
            return false;
        }
    }
    if (offsetTable.createOffsetTable(offsets).bad()) {
        reason = "cannot write the basic offset table";
        return false;
    }
    return true;
}

}  // namespace

bool EncodePixelDataAsJpeg2000(DcmDataset& dataset, std::string& reason)
{
    DcmPixelData* pixels = PixelDataOf(dataset);
    if (!pixels)
        return true;
    FrameLayout layout;
    Uint8* bytes = nullptr;
    if (!ReadFrameLayout(dataset, layout, reason) || !UncompressedBytes(dataset, *pixels, layout, bytes, reason))
        return false;
    // DCMTK takes ownership of the sequence and its items once they are inserted.
    auto sequence = std::make_unique<DcmPixelSequence>(DcmTag(DCM_PixelData, EVR_OB));
    auto* offsetTable = new DcmPixelItem(DcmTag(DCM_Item, EVR_OB));
    sequence->insert(offsetTable);
    if (!EncodeFrames(bytes, layout, *sequence, *offsetTable, reason))
        return false;
    pixels->putOriginalRepresentation(EXS_JPEG2000LosslessOnly, nullptr, sequence.release());
    // The codestream holds each colour as a component of its own, never by plane.
    if (layout.samples == 3 && dataset.putAndInsertUint16(DCM_PlanarConfiguration, 0).bad()) {
        reason = "cannot set the Planar Configuration";
        return false;
    }
    return true;
}

}  // namespace imaging
