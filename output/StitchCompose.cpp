// Composition: the items stacked into one raster, window-matched and cropped.
#include "output/CStitchDicomFile.h"
#include "platform/StageTrace.h"

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

// The stitched picture while it is composed: its buffer and geometry, rows without padding.
struct CStitchDicomFile::Raster {
    platform::PixelBuffer pixels;
    int width = 0;
    int height = 0;
    int bytesPerPixel = 0;
    size_t Size() const
    {
        return static_cast<size_t>(width) * static_cast<size_t>(height) * static_cast<size_t>(bytesPerPixel);
    }
    size_t RowBytes() const { return static_cast<size_t>(width) * static_cast<size_t>(bytesPerPixel); }
    platform::PixelView View() const
    {
        return platform::PixelView::Packed(pixels.data(), width, height, bytesPerPixel * 8);
    }
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

// Stacks every item's rows; items narrower than the widest are centred, the rest of
// their rows holding the item's fill value. Every byte of the raster is written. Each
// item's pixels are released as soon as the raster holds them, so that items and raster
// are not kept side by side up to the writing.
BOOL CStitchDicomFile::BuildRaster(Raster& raster)
{
    const platform::StageScope trace(platform::Stage::Compose);
    raster.pixels = platform::PixelBuffer::Allocate(raster.Size());
    if (!raster.pixels) {
        return Fail(ESaveFailure::NoMemory);
    }
    const size_t rowBytes = raster.RowBytes();
    BYTE* out = raster.pixels.data();
    for (const auto& item : m_arrItems) {
        if (m_nTargetWidth >= 1)
            item->MatchWindow(m_nTargetCenter, m_nTargetWidth);
        item->FillUncovered(m_nBlackSample);
        PlaceItem(*item, raster, out);
        out += static_cast<size_t>(item->m_nRows) * rowBytes;
        item->m_pPixels.Free();
    }
    return TRUE;
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

// Writes the item's rows from `out`, centred in the raster's width, black beside it. An
// item whose pixels are gone (a second composition of the same items) gives black rows.
void CStitchDicomFile::PlaceItem(const CStitchDicomItem& item, const Raster& raster, BYTE* out) const
{
    const size_t rowBytes = raster.RowBytes();
    const size_t itemRowBytes = item.GetRowBytes();
    const int bpp = raster.bytesPerPixel;
    if (!item.m_pPixels) {
        imaging::FillSamples(out, static_cast<size_t>(item.m_nRows) * static_cast<size_t>(raster.width), bpp,
                             m_nBlackSample);
        return;
    }
    if (itemRowBytes == rowBytes) {
        std::memcpy(out, item.m_pPixels.data(), item.GetSize());
        return;
    }
    const size_t offset = static_cast<size_t>((raster.width - item.m_nWidth) / 2) * raster.bytesPerPixel;
    for (int y = 0; y < item.m_nRows; ++y, out += rowBytes) {
        imaging::FillSamples(out, static_cast<size_t>(raster.width), bpp, m_nBlackSample);
        std::memcpy(out + offset, item.m_pPixels.data() + static_cast<size_t>(y) * itemRowBytes, itemRowBytes);
    }
}

// Cuts the crop rectangle out of the raster. The rectangle is clamped to the raster's
// columns and first row; rows below the raster come out black. An empty rectangle means no
// crop; one that keeps no pixel of the raster is refused (nothing would be worth writing).
BOOL CStitchDicomFile::CropRaster(Raster& raster)
{
    const platform::StageScope trace(platform::Stage::Compose);
    if (!IsCropRequested(m_rcOutputCrop))
        return TRUE;
    if (CropKeepsNothing(m_rcOutputCrop, raster.width, raster.height))
        return Fail(ESaveFailure::CropOutside);
    const CRect crop = ClampCrop(m_rcOutputCrop, raster.width);
    if (!CheckOutputSize(int64_t{crop.right} - crop.left, int64_t{crop.bottom} - crop.top, raster.bytesPerPixel))
        return FALSE;
    Raster cropped;
    cropped.width = crop.Width();
    cropped.height = crop.Height();
    cropped.bytesPerPixel = raster.bytesPerPixel;
    cropped.pixels = platform::PixelBuffer::Allocate(cropped.Size());
    if (!cropped.pixels) {
        return Fail(ESaveFailure::NoMemory);
    }
    imaging::FillSamples(cropped.pixels.data(), static_cast<size_t>(cropped.width) * static_cast<size_t>(cropped.height),
                         cropped.bytesPerPixel, m_nBlackSample);
    const size_t leftBytes = static_cast<size_t>(crop.left) * raster.bytesPerPixel;
    for (int y = crop.top; y < raster.height && y < crop.bottom; ++y) {
        std::memcpy(cropped.pixels.data() + static_cast<size_t>(y - crop.top) * cropped.RowBytes(),
                    raster.pixels.data() + static_cast<size_t>(y) * raster.RowBytes() + leftBytes, cropped.RowBytes());
    }
    raster = std::move(cropped);
    return TRUE;
}

// An item is used when at least one of its rows lies in the rows the crop keeps (all rows
// when there is no crop), with the crop read as CropRaster reads it.
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
    if (IsCropRequested(m_rcOutputCrop) && CropKeepsNothing(m_rcOutputCrop, raster.width, raster.height))
        return Fail(ESaveFailure::CropOutside);
    ChooseWindow();
    ChooseBlack(templatePath, raster.bytesPerPixel);
    if (!BuildRaster(raster) || !CropRaster(raster))
        return FALSE;
    m_nOutputColumns = raster.width;
    m_nOutputRows = raster.height;
    // Stored values go back where the description puts them (only a High Bit above
    // Bits Stored - 1 moves them).
    if (m_outputMeaning)
        imaging::EncodeSamples(raster.pixels.data(), static_cast<size_t>(raster.width) * static_cast<size_t>(raster.height),
                               m_outputMeaning->layout);
    return WriteDicom(templatePath, savePath, m_nTargetWidth, m_nTargetCenter, raster.View());
}
