// Internal to the imaging layer: finds one frame's fragments in encapsulated Pixel Data
// and decodes them with our own codecs where we have one for the transfer syntax.
#pragma once

#include "imaging/FrameCodecs.h"

#include "dcmtk/config/osconfig.h"
#include "dcmtk/dcmdata/dcxfer.h"

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

}  // namespace imaging
