#include "output/CStitchDicomFile.h"

#include "image/CBaseImage.h"
#include "imaging/DicomAttribute.h"
#include "imaging/DicomTags.h"
#include "imaging/LBitmap.h"
#include "imaging/LDicomDS.h"
#include "imaging/StoredValue.h"
#include "output/StitchSeries.h"
#include "platform/PixelBuffer.h"

#include <algorithm>
#include <cstring>

namespace {

// Releases a partly built item unless it reaches the list.
using ItemPtr = std::unique_ptr<CStitchDicomItem>;

// Places source rows firstRow.. from consecutive rows of the item's row length, until a
// row reaches the item's bottom or the rows run out.
void PlaceRows(CStitchDicomItem& item, int firstRow, const BYTE* rows, int rowCount)
{
    const size_t rowBytes = item.GetRowBytes();
    for (int k = 0; k < rowCount; ++k) {
        if (!item.PlaceRow(firstRow + k, rows + static_cast<size_t>(k) * rowBytes))
            break;
    }
}

// Reads the source rows the item keeps from the raw Pixel Data, and only those (from the
// file when the value stayed there): unshifted rows straight into the item, shifted rows
// through a band buffer. False when the value cannot be read.
bool ReadKeptRows(LDicomDS& ds, pDICOMELEMENT pixel, CStitchDicomItem& item, int sourceRows)
{
    const int first = std::max<int>(item.m_rcAdjust.top, 0);
    const int end = std::min<int>(item.m_rcAdjust.bottom, sourceRows);
    if (first >= end || !item.m_pPixels)
        return true;
    const size_t rowBytes = item.GetRowBytes();
    if (item.m_rcAdjust.left == 0) {
        BYTE* target = item.m_pPixels.data() + static_cast<size_t>(first - item.m_rcAdjust.top) * rowBytes;
        return ds.GetBinaryValuePart(pixel, static_cast<ULONG>(static_cast<size_t>(first) * rowBytes), target,
                                     static_cast<ULONG>(static_cast<size_t>(end - first) * rowBytes));
    }
    constexpr int kBandRows = 256;
    platform::PixelBuffer band = platform::PixelBuffer::Allocate(kBandRows * rowBytes);
    if (!band)
        return false;
    for (int y = first; y < end; y += kBandRows) {
        const int count = std::min(kBandRows, end - y);
        if (!ds.GetBinaryValuePart(pixel, static_cast<ULONG>(static_cast<size_t>(y) * rowBytes), band.data(),
                                   static_cast<ULONG>(static_cast<size_t>(count) * rowBytes)))
            return false;
        PlaceRows(item, y, band.data(), count);
    }
    return true;
}

// The meaning of a grey source's stored values; none for palette and other kinds, which
// are never converted.
std::optional<imaging::PixelMeaning> ReadMeaning(LDicomDS& ds, const DICOMIMAGE& info)
{
    if (info.nPhotometric != DICOM_PHOTOMETRIC_MONOCHROME1 && info.nPhotometric != DICOM_PHOTOMETRIC_MONOCHROME2)
        return std::nullopt;
    imaging::PixelMeaning meaning;
    meaning.layout = imaging::SampleLayout{static_cast<int>(info.nBitsAllocated), static_cast<int>(info.nBitsStored),
                                           static_cast<int>(info.nHighBit), info.nPixelRepresentation == 1};
    meaning.monochrome1 = info.nPhotometric == DICOM_PHOTOMETRIC_MONOCHROME1;
    meaning.rescaleSlope = imaging::ReadDouble(ds, TAG_RESCALE_SLOPE).value_or(1.0);
    meaning.rescaleIntercept = imaging::ReadDouble(ds, TAG_RESCALE_INTERCEPT).value_or(0.0);
    if (!meaning.layout.IsValid())
        return std::nullopt;
    return meaning;
}

}  // namespace

// Reads the file's attributes (its Pixel Data stays in the file) and refuses sources the
// output cannot take. EPieceFailure::None when the file is a usable source.
EPieceFailure CStitchDicomFile::OpenSource(LDicomDS& ds, const char* path, pDICOMELEMENT& pixel, DICOMIMAGE& info)
{
    if (ds.LoadDS(path, LOADDS_PIXEL_DATA_ON_DEMAND) != DICOM_SUCCESS)
        return EPieceFailure::Unreadable;
    pixel = ds.FindFirstElement(nullptr, TAG_PIXEL_DATA, FALSE);
    if (pixel == nullptr || ds.GetInfoImage(pixel, &info, 0) != DICOM_SUCCESS)
        return EPieceFailure::Unreadable;
    // Samples of 8 or 16 bits only: the writer describes and ranges no other depth.
    if (info.nBitsAllocated != 8 && info.nBitsAllocated != 16)
        return EPieceFailure::Unreadable;
    // Grey or RGB only, as the decoder delivers: the item's size must not follow a
    // damaged Samples per Pixel (20481 asked for gigabytes).
    if (info.nSamplesPerPixel != 1 && info.nSamplesPerPixel != 3)
        return EPieceFailure::Unreadable;
    if (info.nRows <= 0 || info.nColumns <= 0)
        return EPieceFailure::Unreadable;
    return EPieceFailure::None;
}

// What the item keeps of its file besides the pixels: sign, identity and lossy history.
void CStitchDicomFile::ReadSourceIdentity(LDicomDS& ds, const DICOMIMAGE& info, CStitchDicomItem& item)
{
    item.m_bSigned = info.nSamplesPerPixel == 1 && info.nPixelRepresentation == 1;
    item.m_strSOPClassUID = imaging::ReadText(ds, TAG_SOP_CLASS_UID).value_or("");
    item.m_strSOPInstanceUID = imaging::ReadText(ds, TAG_SOP_INSTANCE_UID).value_or("");
    output::ReadLossyHistory(ds, item);
    if (info.nSamplesPerPixel == 1)
        item.m_meaning = ReadMeaning(ds, info);
    if (info.bCompressed)
        m_bChangeSyntax = TRUE;
}

BOOL CStitchDicomFile::AddFileItem(const char* path, CRect rcAdjust)
{
    // The data set is only read: its pixels are read from the file as they are needed.
    LDicomDS ds(nullptr);
    m_eItemFailure = EPieceFailure::None;
    pDICOMELEMENT pixel = nullptr;
    DICOMIMAGE info;
    if (const EPieceFailure failure = OpenSource(ds, path, pixel, info); failure != EPieceFailure::None)
        return FailItem(failure);
    const int bytesPerPixel = (info.nBitsAllocated / 8) * info.nSamplesPerPixel;
    // Compose gives the uncovered samples the output's black; until then they are 0.
    auto item = std::make_unique<CStitchDicomItem>();
    if (!item->Create(info.nColumns, bytesPerPixel, rcAdjust, 0))
        return FailItem(EPieceFailure::NoMemory);
    ReadSourceIdentity(ds, info, *item);
    if (info.bCompressed) {
        LBitmap decoded;
        // Colour rows keep the DICOM sample order (RGB), as the uncompressed path does.
        // A frame that fails to decode is left out like an unreadable file, rather than
        // written as a band of whatever rows arrived before the failure.
        if (ds.GetImage(pixel, &decoded, 0, 0, ORDER_RGB, 0, &CStitchDicomFile::DecodeRowsCallback, item.get()) !=
            DICOM_SUCCESS)
            return FailItem(EPieceFailure::Unreadable);
    } else {
        const size_t rowBytes = item->GetRowBytes();
        const size_t valueBytes = static_cast<size_t>(info.nRows) * rowBytes;
        // A header may claim more pixels than the value holds: refuse before allocating
        // what the header asks for.
        if (valueBytes > ds.GetElementLength(pixel) || !ReadKeptRows(ds, pixel, *item, info.nRows))
            return FailItem(EPieceFailure::PixelDataUnreadable);
        // Raw words become stored values by the rule the decoder applies to compressed ones.
        if (info.nSamplesPerPixel == 1) {
            const imaging::SampleLayout layout{static_cast<int>(info.nBitsAllocated), static_cast<int>(info.nBitsStored),
                                               static_cast<int>(info.nHighBit), item->m_bSigned};
            if (!layout.IsValid())
                return FailItem(EPieceFailure::Unreadable);
            imaging::NormaliseSamples(item->m_pPixels.data(), item->GetSize() / static_cast<size_t>(bytesPerPixel),
                                      layout);
        }
    }
    m_arrItems.push_back(std::move(item));
    return TRUE;
}

// The decoded image holds the file's stored values exactly as AddFileItem reads them
// (decoded, shifted down, sign-extended) for grey samples, and its block becomes the
// item's; colour is decoded in another sample order, so colour files, and images that no
// longer match their file, are read from the file again.
BOOL CStitchDicomFile::AddDecodedFileItem(const char* path, CBaseImage* pImage, CRect rcAdjust)
{
    if (pImage == nullptr || !pImage->IsAllocated())
        return AddFileItem(path, rcAdjust);
    LDicomDS ds(nullptr);
    m_eItemFailure = EPieceFailure::None;
    pDICOMELEMENT pixel = nullptr;
    DICOMIMAGE info;
    if (const EPieceFailure failure = OpenSource(ds, path, pixel, info); failure != EPieceFailure::None)
        return FailItem(failure);
    const LBitmap& bitmap = pImage->m_bitmap;
    const BYTE* rows = bitmap.GetPixels();
    const size_t rowBytes = static_cast<size_t>(info.nColumns) * static_cast<size_t>(info.nBitsAllocated / 8);
    if (info.nSamplesPerPixel != 1 || bitmap.GetBitsPerPixel() != static_cast<int>(info.nBitsAllocated) ||
        bitmap.GetWidth() != static_cast<int>(info.nColumns) || bitmap.GetHeight() != static_cast<int>(info.nRows) ||
        rows == nullptr || static_cast<size_t>(bitmap.GetBytesPerLine()) != rowBytes)
        return AddFileItem(path, rcAdjust);
    auto item = std::make_unique<CStitchDicomItem>();
    if (!item->AdoptRows(pImage->m_bitmap.TakePixels(), info.nColumns, info.nBitsAllocated / 8, info.nRows, rcAdjust))
        return AddFileItem(path, rcAdjust);
    ReadSourceIdentity(ds, info, *item);
    m_arrItems.push_back(std::move(item));
    return TRUE;
}

BOOL CStitchDicomFile::AddBitmapItem(CBaseImage* pImage, CRect rcAdjust, int nWindowWidth, int nWindowCenter,
                                     int nPictureLeft, int nPictureRight)
{
    m_eItemFailure = EPieceFailure::None;
    if (pImage == nullptr || !pImage->IsAllocated())
        return FailItem(EPieceFailure::Unreadable);
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    pImage->GetImageInfo(&width, &height, &bitsPerPixel);
    const int bytesPerPixel = (bitsPerPixel + 7) / 8;
    const size_t rowBytes = static_cast<size_t>(bytesPerPixel) * static_cast<size_t>(width);
    auto item = std::make_unique<CStitchDicomItem>();
    // The bitmap's rows are whole rows without padding: the kept ones are copied from it
    // directly.
    const LBitmap& bitmap = pImage->m_bitmap;
    const BYTE* rows = bitmap.GetPixels();
    if (rows == nullptr || static_cast<size_t>(bitmap.GetBytesPerLine()) != rowBytes)
        return FailItem(EPieceFailure::BitmapRowsUnreadable);
    if (!item->Create(width, bytesPerPixel, rcAdjust, 0))
        return FailItem(EPieceFailure::NoMemory);
    PlaceRows(*item, 0, rows, height);
    item->m_bSigned = bitmap.IsSigned() != FALSE;
    item->m_nPictureLeft = nPictureLeft;
    item->m_nPictureRight = nPictureRight;
    item->m_nWindowWidth = nWindowWidth;
    item->m_nWindowCenter = nWindowCenter;
    m_arrItems.push_back(std::move(item));
    return TRUE;
}

BOOL CStitchDicomFile::FailItem(EPieceFailure failure)
{
    m_eItemFailure = failure;
    return FALSE;
}

int CStitchDicomFile::DecodeRowsCallback(const BYTE* rows, UINT flags, int firstRow, int rowCount, void* userData)
{
    auto* item = static_cast<CStitchDicomItem*>(userData);
    if (item == nullptr || !item->m_pPixels)
        return -1;
    if (flags & FILEREAD_FIRSTROW) {
        // Uncovered samples get the output's black when the item is composed.
        std::memset(item->m_pPixels.data(), 0, item->GetSize());
        item->m_byFill = 0;
    }
    PlaceRows(*item, firstRow, rows, rowCount);
    return 1;
}
