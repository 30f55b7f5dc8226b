// Composition: the items stacked into one raster, window-matched and cropped.
#include "output/CStitchDicomFile.h"

#include "platform/LargeBuffer.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {
constexpr int64_t kMaxDicomDimension = 65535;
}

struct CStitchDicomFile::Raster {
    platform::LargeArray<BYTE> pixels;
    int width = 0;
    int height = 0;
    int bytesPerPixel = 0;
    size_t Size() const
    {
        return static_cast<size_t>(width) * static_cast<size_t>(height) * static_cast<size_t>(bytesPerPixel);
    }
    size_t RowBytes() const { return static_cast<size_t>(width) * static_cast<size_t>(bytesPerPixel); }
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
    raster.pixels = platform::MakeLargeArray<BYTE>(raster.Size());
    if (!raster.pixels) {
        return Fail(ESaveFailure::NoMemory);
    }
    int64_t targetWidthSum = 0;
    int widthCount = 0;
    int targetCenter = 0;
    for (const auto& item : m_arrItems) {
        if (item->m_nWindowWidth > 0) {
            targetWidthSum += item->m_nWindowWidth;
            ++widthCount;
        }
        targetCenter = std::max(targetCenter, item->m_nWindowCenter);
    }
    m_nTargetWidth = widthCount > 0 ? static_cast<int>(targetWidthSum / widthCount) : 0;
    m_nTargetCenter = targetCenter;

    const size_t rowBytes = raster.RowBytes();
    BYTE* out = raster.pixels.get();
    for (const auto& item : m_arrItems) {
        if (m_nTargetCenter > 0)
            item->MatchWindow(m_nTargetCenter, m_nTargetWidth);
        PlaceItem(*item, raster, out);
        out += static_cast<size_t>(item->m_nRows) * rowBytes;
        item->m_pPixels.reset();
    }
    return TRUE;
}

// Writes the item's rows from `out`, centred in the raster's width. An item whose pixels
// are gone (a second composition of the same items) gives rows of its fill value.
void CStitchDicomFile::PlaceItem(const CStitchDicomItem& item, const Raster& raster, BYTE* out)
{
    const size_t rowBytes = raster.RowBytes();
    const size_t itemRowBytes = item.GetRowBytes();
    if (!item.m_pPixels) {
        std::memset(out, item.m_byFill, static_cast<size_t>(item.m_nRows) * rowBytes);
        return;
    }
    if (itemRowBytes == rowBytes) {
        std::memcpy(out, item.m_pPixels.get(), item.GetSize());
        return;
    }
    const size_t offset = static_cast<size_t>((raster.width - item.m_nWidth) / 2) * raster.bytesPerPixel;
    for (int y = 0; y < item.m_nRows; ++y, out += rowBytes) {
        std::memset(out, item.m_byFill, rowBytes);
        std::memcpy(out + offset, item.m_pPixels.get() + static_cast<size_t>(y) * itemRowBytes, itemRowBytes);
    }
}

// Cuts the crop rectangle out of the raster. The rectangle is clamped to the raster's
// width; rows below the raster come out as 0xFF bytes. An empty rectangle means no crop.
BOOL CStitchDicomFile::CropRaster(Raster& raster)
{
    CRect crop = m_rcOutputCrop;
    crop.left = std::max<LONG>(crop.left, 0);
    crop.right = std::min<LONG>(crop.right, raster.width);
    if (crop.right <= crop.left || crop.bottom <= crop.top)
        return TRUE;
    if (!CheckOutputSize(int64_t{crop.right} - crop.left, int64_t{crop.bottom} - crop.top, raster.bytesPerPixel))
        return FALSE;
    Raster cropped;
    cropped.width = crop.Width();
    cropped.height = crop.Height();
    cropped.bytesPerPixel = raster.bytesPerPixel;
    cropped.pixels = platform::MakeLargeArray<BYTE>(cropped.Size());
    if (!cropped.pixels) {
        return Fail(ESaveFailure::NoMemory);
    }
    std::memset(cropped.pixels.get(), 0xFF, cropped.Size());
    const size_t leftBytes = static_cast<size_t>(crop.left) * raster.bytesPerPixel;
    for (int y = std::max<LONG>(crop.top, 0); y < raster.height && y < crop.bottom; ++y) {
        std::memcpy(cropped.pixels.get() + static_cast<size_t>(y - crop.top) * cropped.RowBytes(),
                    raster.pixels.get() + static_cast<size_t>(y) * raster.RowBytes() + leftBytes, cropped.RowBytes());
    }
    raster = std::move(cropped);
    return TRUE;
}

// An item is used when at least one of its rows lies in the rows the crop keeps (all rows
// when there is no crop), with the crop read as CropRaster reads it.
void CStitchDicomFile::MarkUsedItems(int rasterWidth)
{
    const CRect crop = m_rcOutputCrop;
    const bool cropped = std::min<LONG>(crop.right, rasterWidth) > std::max<LONG>(crop.left, 0) && crop.bottom > crop.top;
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

BOOL CStitchDicomFile::Compose(const char* templatePath, const char* savePath)
{
    m_eFailure = ESaveFailure::None;
    m_strError.Empty();
    Raster raster;
    if (!CheckItems(raster))
        return FALSE;
    MarkUsedItems(raster.width);
    if (!BuildRaster(raster) || !CropRaster(raster))
        return FALSE;
    m_nOutputColumns = raster.width;
    m_nOutputRows = raster.height;
    return WriteDicom(templatePath, savePath, m_nTargetWidth, m_nTargetCenter, raster.width, raster.height,
                      raster.pixels.get(), raster.Size());
}
