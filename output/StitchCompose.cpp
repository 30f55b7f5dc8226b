// Composition: the items stacked into one raster, window-matched and cropped.
#include "output/CStitchDicomFile.h"

#include "imaging/DicomTags.h"
#include "imaging/LDicomDS.h"
#include "imaging/PixelMeaning.h"
#include "imaging/StoredValue.h"
#include "output/StitchPixelMeaning.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {
constexpr int64_t kMaxDicomDimension = 65535;

// What the template says about how the written file is shown.
struct OutputLook {
    bool monochrome1 = false;
    bool isSigned = false;
    bool hasWindow = false;  // a Window Width of at least 1
};

OutputLook ReadOutputLook(const char* templatePath)
{
    OutputLook look;
    LDicomDS ds(nullptr);
    if (templatePath == nullptr || *templatePath == '\0' ||
        ds.LoadDS(templatePath, LOADDS_PIXEL_DATA_ON_DEMAND) != DICOM_SUCCESS)
        return look;
    pDICOMELEMENT pixel = ds.FindFirstElement(nullptr, TAG_PIXEL_DATA, FALSE);
    DICOMIMAGE info;
    if (pixel != nullptr && ds.GetInfoImage(pixel, &info, 0) == DICOM_SUCCESS && info.nSamplesPerPixel == 1) {
        look.monochrome1 = info.nPhotometric == DICOM_PHOTOMETRIC_MONOCHROME1;
        look.isSigned = info.nPixelRepresentation == 1;
    }
    pDICOMELEMENT width = ds.FindFirstElement(nullptr, TAG_WINDOW_WIDTH, FALSE);
    const double* value = width ? ds.GetDoubleValue(width, 0, 1) : nullptr;
    look.hasWindow = value != nullptr && *value >= 1.0;
    return look;
}

// The crop clamped to the raster's columns and to its first row; rows below the raster
// stay (they are written black).
CRect ClampCrop(const CRect& crop, int rasterWidth)
{
    CRect clamped = crop;
    clamped.left = std::max<LONG>(clamped.left, 0);
    clamped.top = std::max<LONG>(clamped.top, 0);
    clamped.right = std::min<LONG>(clamped.right, rasterWidth);
    return clamped;
}

bool IsCropRequested(const CRect& crop) { return crop.right > crop.left && crop.bottom > crop.top; }

// A requested crop that keeps no pixel of the raster.
bool CropKeepsNothing(const CRect& crop, int rasterWidth, int rasterHeight)
{
    const CRect clamped = ClampCrop(crop, rasterWidth);
    return clamped.right <= clamped.left || clamped.bottom <= clamped.top || clamped.top >= rasterHeight;
}
}  // namespace

// The geometry of the stitched picture before the crop: the items stacked, rows without
// padding. Its pixels are never held on their own: the kept part is composed straight
// into the output's Pixel Data value.
struct CStitchDicomFile::Raster {
    int width = 0;
    int height = 0;
    int bytesPerPixel = 0;
};

BOOL CStitchDicomFile::Fail(ESaveFailure failure)
{
    m_eFailure = failure;
    return FALSE;
}

// Refuses a raster DICOM cannot hold: Rows and Columns are 16-bit, and the length of
// native Pixel Data is 32-bit. Sizes are computed in 64 bits, before anything is allocated.
BOOL CStitchDicomFile::CheckOutputSize(int64_t width, int64_t height, int64_t bytesPerPixel)
{
    if (width > kMaxDicomDimension || height > kMaxDicomDimension)
        return Fail(ESaveFailure::TooLarge);
    return CheckPixelBytes(width * height * bytesPerPixel);
}

BOOL CStitchDicomFile::CheckPixelBytes(uint64_t bytes)
{
    return bytes > kMaxPixelDataBytes ? Fail(ESaveFailure::TooManyBytes) : TRUE;
}

// Sets the raster's geometry from the items, refusing compositions the output cannot
// describe: no image, mixed depths, or a raster beyond DICOM's 16-bit Rows and Columns.
BOOL CStitchDicomFile::CheckItems(Raster& raster)
{
    if (m_arrItems.empty()) {
        return Fail(ESaveFailure::NoImage);
    }
    int64_t width = 0;
    int64_t height = 0;
    const int bytesPerPixel = m_arrItems.back()->m_nBytesPerPixel;
    for (const auto& item : m_arrItems) {
        if (item->m_nBytesPerPixel != bytesPerPixel) {
            return Fail(ESaveFailure::MixedDepths);
        }
        width = std::max<int64_t>(width, item->m_nWidth);
        height += item->m_nRows;
    }
    if (width <= 0 || height <= 0) {
        return Fail(ESaveFailure::NoRows);
    }
    if (!CheckOutputSize(width, height, bytesPerPixel))
        return FALSE;
    raster.width = static_cast<int>(width);
    raster.height = static_cast<int>(height);
    raster.bytesPerPixel = bytesPerPixel;
    return TRUE;
}

// Writes the kept rectangle of the stacked items into `out` (rows of kept.Width() pixels):
// items narrower than the raster are centred, black beside them; crop rows below the
// raster are black. Every byte of `out` is written. Each item's pixels are released once
// placed, so that items and output are not held side by side up to the writing. Timed as
// "compose" by the writer, together with the value's creation.
bool CStitchDicomFile::ComposeInto(const Raster& raster, const CRect& kept, BYTE* out)
{
    const size_t outRowBytes = static_cast<size_t>(kept.Width()) * static_cast<size_t>(raster.bytesPerPixel);
    int itemTop = 0;
    for (const auto& item : m_arrItems) {
        const int first = std::max<int>(itemTop, kept.top);
        const int end = std::min<int>({itemTop + item->m_nRows, static_cast<int>(kept.bottom), raster.height});
        if (first < end) {
            if (m_nTargetWidth >= 1)
                item->MatchWindow(m_nTargetCenter, m_nTargetWidth);
            item->FillUncovered(m_nBlackSample);
            PlaceItemRows(*item, first - itemTop, end - first, raster, kept,
                          out + static_cast<size_t>(first - kept.top) * outRowBytes);
        }
        itemTop += item->m_nRows;
        item->m_pPixels.Free();
    }
    if (kept.bottom > raster.height) {
        const size_t blackRows = static_cast<size_t>(kept.bottom - raster.height);
        imaging::FillSamples(out + static_cast<size_t>(raster.height - kept.top) * outRowBytes,
                             blackRows * static_cast<size_t>(kept.Width()), raster.bytesPerPixel, m_nBlackSample);
    }
    return true;
}

// The common window of the items that carry one (width >= 1): the mean of their widths
// (truncated) and the largest of their centres, whatever its sign. Width 0 when none does.
void CStitchDicomFile::ChooseWindow()
{
    int64_t widthSum = 0;
    int count = 0;
    int64_t center = INT32_MIN;
    for (const auto& item : m_arrItems) {
        if (!item->HasWindow())
            continue;
        widthSum += item->m_nWindowWidth;
        ++count;
        center = std::max<int64_t>(center, item->m_nWindowCenter);
    }
    m_nTargetWidth = count > 0 ? static_cast<int>(widthSum / count) : 0;
    m_nTargetCenter = count > 0 ? static_cast<int>(center) : 0;
}

// The black of the written file. Shown through a window (the template's, or the common
// window of bitmap pieces), the end of the sample type is black whatever the window. Shown
// without one, a viewer spreads the values present over the grey scale: the largest value
// of the type (MONOCHROME1) or the most negative one (signed) would squeeze the picture into
// a sliver of it, so the picture's own darkest value serves. Unsigned MONOCHROME2 keeps 0,
// the natural black next to its picture.
void CStitchDicomFile::ChooseBlack(const char* templatePath, int bytesPerPixel)
{
    OutputLook look = ReadOutputLook(templatePath);
    if (m_outputMeaning) {
        // The ends of the stored range, not of the word: a 12-bit sample of 0xFFFF or 0x8000
        // would carry bits above High Bit.
        look.monochrome1 = m_outputMeaning->monochrome1;
        look.isSigned = m_outputMeaning->layout.isSigned;
        m_nBlackSample = imaging::StoredBlack(imaging::AtBitZero(m_outputMeaning->layout), look.monochrome1);
    } else {
        m_nBlackSample = imaging::BlackSample(look.monochrome1, bytesPerPixel, look.isSigned);
    }
    if (look.hasWindow || m_nTargetWidth >= 1 || (bytesPerPixel != 1 && bytesPerPixel != 2) ||
        (!look.monochrome1 && !look.isSigned))
        return;
    int64_t lowest = INT64_MAX;
    int64_t highest = INT64_MIN;
    for (const auto& item : m_arrItems)
        item->PictureRange(lowest, highest);
    if (lowest > highest)
        return;
    m_nBlackSample = static_cast<std::uint32_t>(look.monochrome1 ? highest : lowest) & (bytesPerPixel == 1 ? 0xFFu : 0xFFFFu);
}

// Writes `count` rows of the item from its row `first` on into `out`, cut to the kept
// columns: the item is centred in the raster's width, black beside it. An item whose pixels
// are gone (a second composition of the same items) gives black rows.
void CStitchDicomFile::PlaceItemRows(const CStitchDicomItem& item, int first, int count, const Raster& raster,
                                     const CRect& kept, BYTE* out) const
{
    const int bpp = raster.bytesPerPixel;
    const size_t keptWidth = static_cast<size_t>(kept.Width());
    const size_t outRowBytes = keptWidth * static_cast<size_t>(bpp);
    if (!item.m_pPixels) {
        imaging::FillSamples(out, static_cast<size_t>(count) * keptWidth, bpp, m_nBlackSample);
        return;
    }
    // The item's columns in the raster, and the part of them the crop keeps.
    const int itemLeft = (raster.width - item.m_nWidth) / 2;
    const int from = std::max<int>(itemLeft, kept.left);
    const int to = std::min<int>(itemLeft + item.m_nWidth, kept.right);
    const size_t itemRowBytes = item.GetRowBytes();
    const BYTE* rows = item.m_pPixels.data() + static_cast<size_t>(first) * itemRowBytes;
    if (itemRowBytes == outRowBytes && from == kept.left && to == kept.right && from == itemLeft) {
        std::memcpy(out, rows, static_cast<size_t>(count) * outRowBytes);
        return;
    }
    const bool covered = from == kept.left && to == kept.right;
    const size_t copyBytes = to > from ? static_cast<size_t>(to - from) * static_cast<size_t>(bpp) : 0;
    const size_t outOffset = to > from ? static_cast<size_t>(from - kept.left) * static_cast<size_t>(bpp) : 0;
    const size_t itemOffset = to > from ? static_cast<size_t>(from - itemLeft) * static_cast<size_t>(bpp) : 0;
    for (int y = 0; y < count; ++y, out += outRowBytes, rows += itemRowBytes) {
        if (!covered)
            imaging::FillSamples(out, keptWidth, bpp, m_nBlackSample);
        if (copyBytes > 0)
            std::memcpy(out + outOffset, rows + itemOffset, copyBytes);
    }
}

// The rectangle of the raster that is written: the whole raster, or the crop clamped to
// the raster's columns and first row (rows below the raster come out black). An empty
// crop means none; one that keeps no pixel of the raster is refused (nothing would be
// worth writing), as is one larger than the output may be.
BOOL CStitchDicomFile::KeptRect(const Raster& raster, CRect& kept)
{
    kept = CRect(0, 0, raster.width, raster.height);
    if (!IsCropRequested(m_rcOutputCrop))
        return TRUE;
    if (CropKeepsNothing(m_rcOutputCrop, raster.width, raster.height))
        return Fail(ESaveFailure::CropOutside);
    kept = ClampCrop(m_rcOutputCrop, raster.width);
    return CheckOutputSize(int64_t{kept.right} - kept.left, int64_t{kept.bottom} - kept.top, raster.bytesPerPixel);
}

// An item is used when at least one of its rows lies in the rows the crop keeps (all rows
// when there is no crop), with the crop read as KeptRect reads it.
void CStitchDicomFile::MarkUsedItems(int rasterWidth)
{
    const CRect crop = ClampCrop(m_rcOutputCrop, rasterWidth);
    const bool cropped = IsCropRequested(m_rcOutputCrop);
    m_arrItemUsed.assign(m_arrItems.size(), false);
    int64_t start = 0;
    for (size_t i = 0; i < m_arrItems.size(); ++i) {
        const int64_t end = start + m_arrItems[i]->m_nRows;
        m_arrItemUsed[i] = end > start && (!cropped || (end > crop.top && start < crop.bottom));
        start = end;
    }
}

std::vector<const CStitchDicomItem*> CStitchDicomFile::UsedItems() const
{
    std::vector<const CStitchDicomItem*> used;
    for (size_t i = 0; i < m_arrItems.size(); ++i) {
        if (m_arrItemUsed.size() != m_arrItems.size() || m_arrItemUsed[i])
            used.push_back(m_arrItems[i].get());
    }
    return used;
}

// Grey file items take the reference item's meaning, so that the written description holds
// for every sample.
BOOL CStitchDicomFile::ConvertToOneMeaning()
{
    m_outputMeaning = output::ReferenceMeaning(m_arrItems, m_nReferenceItem);
    if (m_outputMeaning && !output::ConvertItems(m_arrItems, *m_outputMeaning))
        return Fail(ESaveFailure::MeaningDiffers);
    return TRUE;
}

BOOL CStitchDicomFile::Compose(const char* templatePath, const char* savePath)
{
    m_eFailure = ESaveFailure::None;
    m_strError.Empty();
    Raster raster;
    if (!CheckItems(raster) || !ConvertToOneMeaning())
        return FALSE;
    MarkUsedItems(raster.width);
    CRect kept;
    if (!KeptRect(raster, kept))
        return FALSE;
    ChooseWindow();
    ChooseBlack(templatePath, raster.bytesPerPixel);
    m_nOutputColumns = kept.Width();
    m_nOutputRows = kept.Height();
    const size_t samples = static_cast<size_t>(m_nOutputColumns) * static_cast<size_t>(m_nOutputRows);
    const OutputShape shape{m_nOutputColumns, m_nOutputRows, samples * static_cast<size_t>(raster.bytesPerPixel)};
    const auto compose = [this, &raster, &kept, samples](BYTE* value, size_t) {
        if (!ComposeInto(raster, kept, value))
            return false;
        // Stored values go back where the description puts them (only a High Bit above
        // Bits Stored - 1 moves them).
        if (m_outputMeaning)
            imaging::EncodeSamples(value, samples, m_outputMeaning->layout);
        return true;
    };
    return WriteDicomFilled(templatePath, savePath, m_nTargetWidth, m_nTargetCenter, shape, compose);
}
