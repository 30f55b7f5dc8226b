// Why a piece or a whole save failed, as codes: callers choose the words they show.
#pragma once

// Why a source's kept rows could not be prepared; the piece is then left out of the
// stitched image and the save goes on.
enum class EPieceFailure {
    None,
    Unreadable,            // no such file, not a data set, no pixel data, or a depth not written
    NoMemory,              // the piece's buffer cannot be allocated
    PixelDataUnreadable,   // the raw Pixel Data value is shorter than the header says
    BitmapRowsUnreadable,  // the bitmap's rows cannot be read
};

// Why nothing was written.
enum class ESaveFailure {
    None,
    NoImage,         // no piece could be prepared
    MixedDepths,     // the pieces differ in bytes per pixel
    MeaningDiffers,  // a grey piece's values cannot be converted to the reference's meaning
    NoRows,          // every piece keeps no row
    CropOutside,     // the crop keeps no pixel of the stitched image
    TooLarge,        // over 65535 rows or columns
    TooManyBytes,    // over 4 GB of pixels
    DepthMismatch,   // the raster's depth differs from the template's Bits Allocated
    NoMemory,        // the raster cannot be allocated
    WriteFailed,     // the template, the data set or the file; the library's reason is kept
};
