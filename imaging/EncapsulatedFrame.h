// Internal to the imaging layer: finds one frame's fragments in encapsulated Pixel Data
// and decodes them with our own codecs where we have one for the transfer syntax.
#pragma once

#include "imaging/FrameCodecs.h"

#include "dcmtk/config/osconfig.h"
#include "dcmtk/dcmdata/dcxfer.h"

class DcmDataset;
class DcmItem;
class DcmPixelData;

namespace imaging {

enum class OwnDecodeResult {
    NotHandled,  // no codec of ours for the syntax, or the frame's fragments are ambiguous
    Decoded,
    Failed,  // `reason` says why; DCMTK is not asked again
};

// True for the syntaxes we decode ourselves: JPEG-LS (.4.80, .4.81), JPEG 2000 (.4.90, .4.91).
bool HasOwnCodec(E_TransferSyntax xfer);

// Decodes frame `index` of `frames` from the Pixel Data's fragments.
OwnDecodeResult DecodeWithOwnCodec(DcmPixelData& pixels, E_TransferSyntax xfer, unsigned long index, long frames,
                                   const FrameLayout& layout, DecodedFrame& frame, std::string& reason);

// RLE frames are decoded by DCMTK, whose decoder (3.6.7) reads past the frame when the
// RLE header's segment offsets point outside it. True when the header of frame `index`
// is sound: 1 to 15 segments at strictly increasing offsets inside the frame's data.
bool CheckRleFrame(DcmPixelData& pixels, E_TransferSyntax xfer, unsigned long index, long frames,
                   std::string& reason);

// The image pixel attributes of `item` (Rows, Columns, Bits Allocated required; Bits
// Stored, High Bit and the others defaulted when absent). False with a reason otherwise.
bool ReadFrameLayout(DcmItem& item, FrameLayout& layout, std::string& reason);

// Replaces the data set's Pixel Data by lossless JPEG 2000 frames (decompressing first
// when it is held in another syntax), one fragment per frame after a basic offset table.
// A data set without Pixel Data is left as it is. False with a reason, the data set then
// holding its pixels uncompressed.
bool EncodePixelDataAsJpeg2000(DcmDataset& dataset, std::string& reason);

}  // namespace imaging
