// One save: the items of every source in stitching order, composed into one raster and
// written into a copy of a template data set.
#pragma once

#include "imaging/PixelMeaning.h"
#include "output/CStitchDicomItem.h"
#include "output/StitchOutcome.h"
#include "platform/CString.h"
#include "platform/PixelBuffer.h"

#include "imaging/LTypes.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class CBaseImage;
class LDicomDS;

class CStitchDicomFile {
public:
    CStitchDicomFile() = default;
    virtual ~CStitchDicomFile() { RemoveAllItems(); }
    CStitchDicomFile(const CStitchDicomFile&) = delete;
    CStitchDicomFile& operator=(const CStitchDicomFile&) = delete;

    // A file source: its kept rows, read again from disk (decoded when compressed).
    // FALSE with the reason in m_eItemFailure; nothing is shown.
    BOOL AddFileItem(const char* path, CRect rcAdjust);
    // A file source already decoded into pImage (read from path): the image's pixels
    // become the item's (the image is empty afterwards) rather than being read and decoded
    // again; only the file's attributes are read. Falls back to AddFileItem for colour, or
    // an image that does not match the file.
    BOOL AddDecodedFileItem(const char* path, CBaseImage* pImage, CRect rcAdjust);
    // A bitmap source: its kept rows, read from the image's bitmap, with its window (in
    // stored values; a width of 0 is none). Columns outside nPictureLeft..nPictureRight
    // (-1: the width) are bands the bitmap was widened with: they are written black.
    BOOL AddBitmapItem(CBaseImage* pImage, CRect rcAdjust, int nWindowWidth, int nWindowCenter, int nPictureLeft = 0,
                       int nPictureRight = -1);
    // Stacks the items, matches windows, crops and writes savePath from the template.
    // FALSE with the reason in m_eFailure (and the library's words in m_strError).
    BOOL Compose(const char* templatePath, const char* savePath);
    void RemoveAllItems()
    {
        m_arrItems.clear();
        m_arrItemUsed.clear();
    }

    // Writes the raster (rows without padding) into a copy of the template (the stitched
    // file's layout). A window
    // width of at least 1 is written with its centre (whatever its sign) as a window on the
    // stored values, the rescale made the identity; width 0 keeps the template's window and
    // rescale.
    BOOL WriteDicom(const char* templatePath, const char* savePath, int nWindowWidth, int nWindowCenter,
                    const platform::PixelView& raster);

    // Band callback of the decoder: places decoded rows into the item given as user data.
    static int DecodeRowsCallback(const BYTE* rows, UINT flags, int firstRow, int rowCount, void* userData);

    std::vector<std::unique_ptr<CStitchDicomItem>> m_arrItems;
    // Per item, whether any of its rows reached the written raster (a crop can leave an
    // item out). Set by Compose; when WriteDicom runs on its own, every item counts.
    std::vector<bool> m_arrItemUsed;
    CRect m_rcOutputCrop;
    // The item whose meaning every grey file item takes (the piece the others were checked
    // against before loading); -1 or an item without one: the first item that has one.
    int m_nReferenceItem = -1;
    // The meaning of the written samples, set by Compose for grey file sources: the
    // reference's Bits Stored, High Bit, Pixel Representation, photometric interpretation
    // and rescale. None (bitmaps, colour): the samples fill their words and the template's
    // description stays.
    std::optional<imaging::PixelMeaning> m_outputMeaning;
    BOOL m_bChangeSyntax = FALSE;
    // The raw sample that displays black in the output (its photometric interpretation and
    // sign, from the template); set by Compose.
    std::uint32_t m_nBlackSample = 0;
    // Why the last AddFileItem or AddBitmapItem failed.
    EPieceFailure m_eItemFailure = EPieceFailure::None;
    ESaveFailure m_eFailure = ESaveFailure::None;
    // The library's reason of a failed write; empty for the other failures.
    CString m_strError;
    // The geometry of the last raster written (after the crop).
    int m_nOutputColumns = 0;
    int m_nOutputRows = 0;
    // The common window of the last composition (width 0 when no item carried one).
    int m_nTargetWidth = 0;
    int m_nTargetCenter = 0;

private:
    struct Raster;
    // The written image: its geometry and the length of its Pixel Data value.
    struct OutputShape {
        int columns = 0;
        int rows = 0;
        size_t bytes = 0;
    };
    // Writes the `bytes` of the output's Pixel Data value in place; false stops the save
    // (with m_eFailure set, or WriteFailed).
    using PixelFill = std::function<bool(BYTE* value, size_t bytes)>;
    BOOL WriteDicomFilled(const char* templatePath, const char* savePath, int nWindowWidth, int nWindowCenter,
                          const OutputShape& shape, const PixelFill& fill);
    const BYTE* FillPixelValue(LDicomDS& ds, pDICOMELEMENT pixel, size_t bytes, const PixelFill& fill);
    // The largest native Pixel Data value: its length is 32-bit and even.
    static constexpr uint64_t kMaxPixelDataBytes = 0xFFFFFFFEu;
    BOOL CheckOutputSize(int64_t width, int64_t height, int64_t bytesPerPixel);
    BOOL CheckPixelBytes(uint64_t bytes);
    BOOL CheckItems(Raster& raster);
    BOOL ConvertToOneMeaning();
    bool ComposeInto(const Raster& raster, const CRect& kept, BYTE* out);
    void PlaceItemRows(const CStitchDicomItem& item, int first, int count, const Raster& raster, const CRect& kept,
                       BYTE* out) const;
    void ChooseWindow();
    void ChooseBlack(const char* templatePath, int bytesPerPixel);
    BOOL KeptRect(const Raster& raster, CRect& kept);
    void MarkUsedItems(int rasterWidth);
    std::vector<const CStitchDicomItem*> UsedItems() const;
    BOOL Fail(ESaveFailure failure);
    BOOL FailItem(EPieceFailure failure);
    static EPieceFailure OpenSource(LDicomDS& ds, const char* path, pDICOMELEMENT& pixel, DICOMIMAGE& info);
    void ReadSourceIdentity(LDicomDS& ds, const DICOMIMAGE& info, CStitchDicomItem& item);
};
