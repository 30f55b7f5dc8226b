// The stitched file: a copy of the template data set with identity, date, window,
// geometry and pixel elements replaced.
#include "output/CStitchDicomFile.h"

#include "imaging/DicomAttribute.h"
#include "imaging/DicomTags.h"
#include "imaging/LDicomDS.h"
#include "imaging/StoredValue.h"
#include "imaging/Uid.h"
#include "output/OutputSettings.h"
#include "output/StitchPixelMeaning.h"
#include "output/StitchProvenance.h"
#include "output/StitchSeries.h"
#include "platform/StageTrace.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <string>

namespace {
constexpr const char* kExplicitLittleEndian = "1.2.840.10008.1.2.1";

using imaging::FindOrInsert;

// The pixels are stored values (shifted down to bit 0, sign-extended): an 8-bit template
// whose High Bit is not Bits Stored - 1, or whose signed values were narrower than the
// byte, is described accordingly. Deeper templates become 16 bits stored.
void DescribeStoredValues8(LDicomDS& ds, bool isSigned)
{
    const int bitsStored = imaging::ReadShort(ds, TAG_BITS_STORED).value_or(8);
    const int highBit = imaging::ReadShort(ds, TAG_HIGH_BIT).value_or(bitsStored - 1);
    if (isSigned && bitsStored < 8) {
        imaging::UpdateShort(ds, TAG_HIGH_BIT, 7);
        imaging::UpdateShort(ds, TAG_BITS_STORED, 8);
    } else if (highBit != bitsStored - 1) {
        imaging::UpdateShort(ds, TAG_HIGH_BIT, bitsStored - 1);
    }
}

// Identity, manufacturer and content date/time.
void WriteIdentity(LDicomDS& ds, const std::tm& local)
{
    const std::string uid = g_strInstanceUID.IsEmpty() ? imaging::GenerateUniqueUID() : g_strInstanceUID.str();
    const LONG number = g_nInstanceNumber;
    ds.SetStringValue(FindOrInsert(ds, TAG_SOP_INSTANCE_UID), uid.c_str(), 1);
    ds.SetLongValue(FindOrInsert(ds, TAG_ACQUISITION_NUMBER), &number, 1);
    ds.SetStringValue(FindOrInsert(ds, TAG_MANUFACTURER), g_strManufacturer, 1);
    ds.SetStringValue(FindOrInsert(ds, TAG_MODEL_NAME), g_strModelName, 1);
    ds.SetLongValue(FindOrInsert(ds, TAG_INSTANCE_NUMBER), &number, 1);

    output::WriteDateTime(ds, TAG_CONTENT_DATE, TAG_CONTENT_TIME, local);
}

// Compressed colour is decoded to interleaved RGB samples: a template stored as compressed
// YBR would otherwise describe the written RGB pixels as YBR.
void DescribeDecodedColour(LDicomDS& ds)
{
    if (imaging::ReadText(ds, TAG_PHOTOMETRIC_INTERPRETATION).value_or("").starts_with("YBR"))
        imaging::UpdateText(ds, TAG_PHOTOMETRIC_INTERPRETATION, "RGB");
    imaging::UpdateShort(ds, TAG_PLANAR_CONFIGURATION, 0);
}

// Smallest and largest stored value of the raster, read as the written file describes it.
// 8- and 16-bit layouts take the one-pass scan; anything else reads sample by sample.
std::pair<int, int> RasterValueRange(const BYTE* pixels, size_t bytes, const imaging::SampleLayout& layout)
{
    const size_t bytesPerSample = layout.bitsAllocated > 8 ? 2 : 1;
    const size_t count = bytes / bytesPerSample;
    if (layout.IsValid() && layout.bitsAllocated <= 16) {
        const imaging::StoredValueBounds bounds = imaging::StoredValueRange(pixels, count, layout);
        return {static_cast<int>(bounds.smallest), static_cast<int>(bounds.largest)};
    }
    int low = 0;
    int high = 0;
    for (size_t i = 0; i < count; ++i) {
        uint16_t raw = pixels[i * bytesPerSample];
        if (bytesPerSample == 2)
            std::memcpy(&raw, pixels + 2 * i, 2);
        const int value = static_cast<int>(imaging::StoredValue(raw, layout));
        if (i == 0 || value < low)
            low = value;
        if (i == 0 || value > high)
            high = value;
    }
    return {low, high};
}

// The description of samples that fill their words (bitmap and colour compositions).
imaging::SampleLayout WholeWordLayout(int bitsAllocated, bool isSigned)
{
    const int bits = bitsAllocated > 8 ? 16 : 8;
    return imaging::SampleLayout{bits, bits, bits - 1, isSigned};
}

}  // namespace

BOOL CStitchDicomFile::WriteDicom(const char* templatePath, const char* savePath, int nWindowWidth,
                                  int nWindowCenter, const platform::PixelView& raster)
{
    if (!CheckPixelBytes(raster.SpanBytes()))
        return FALSE;
    if (!raster.IsPacked() || !raster.data) {
        m_strError = "The raster's rows are not packed";
        return Fail(ESaveFailure::WriteFailed);
    }
    const auto copy = [&raster](BYTE* value, size_t bytes) {
        std::memcpy(value, raster.data, bytes);
        return true;
    };
    return WriteDicomFilled(templatePath, savePath, nWindowWidth, nWindowCenter,
                            {raster.width, raster.height, raster.SpanBytes()}, copy);
}

BOOL CStitchDicomFile::WriteDicomFilled(const char* templatePath, const char* savePath, int nWindowWidth,
                                        int nWindowCenter, const OutputShape& shape, const PixelFill& fill)
{
    const int nColumns = shape.columns;
    const int nRows = shape.rows;
    const size_t cbPixels = shape.bytes;
    // The template's own pixels are replaced below before anything is saved: they are
    // never read from its file.
    LDicomDS ds(nullptr);
    if (templatePath == nullptr || *templatePath == '\0' ||
        ds.LoadDS(templatePath, LOADDS_PIXEL_DATA_ON_DEMAND) != DICOM_SUCCESS) {
        m_strError = "Fail to load the template file";
        return Fail(ESaveFailure::WriteFailed);
    }
    pDICOMELEMENT pixel = ds.FindFirstElement(nullptr, TAG_PIXEL_DATA, FALSE);
    if (pixel == nullptr) {
        m_strError = "The template file has no pixel data";
        return Fail(ESaveFailure::WriteFailed);
    }
    DICOMIMAGE templateInfo;
    const bool templateEncapsulated = ds.GetInfoImage(pixel, &templateInfo, 0) == DICOM_SUCCESS && templateInfo.bCompressed;

    const bool hasBitsAllocated = imaging::HasAttribute(ds, TAG_BITS_ALLOCATED);
    const int bitsAllocated = imaging::ReadShort(ds, TAG_BITS_ALLOCATED).value_or(0);
    const int samplesPerPixel = imaging::ReadShort(ds, TAG_SAMPLES_PER_PIXEL).value_or(1);
    const int64_t pixelCount = static_cast<int64_t>(nColumns) * nRows;
    if (bitsAllocated > 0 && pixelCount > 0 &&
        static_cast<int64_t>(bitsAllocated / 8) * samplesPerPixel * pixelCount != static_cast<int64_t>(cbPixels)) {
        return Fail(ESaveFailure::DepthMismatch);
    }

    // One reading of the local clock for content and instance creation.
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    WriteIdentity(ds, local);
    if (!output::WriteProvenance(ds, UsedItems(), m_strError))
        return Fail(ESaveFailure::WriteFailed);
    output::WriteNewSeries(ds, local);
    output::DropPerExposureAttributes(ds);
    output::WriteLossyHistory(ds, UsedItems());
    if (nWindowWidth >= 1) {
        // The pieces were brought onto this window of stored values (any centre, negative
        // ones included): a viewer must apply it to the stored values as they are, so the
        // rescale becomes the identity. It is kept rather than deleted, since some image
        // types require it.
        const double width = nWindowWidth;
        const double center = nWindowCenter;
        ds.SetDoubleValue(FindOrInsert(ds, TAG_WINDOW_WIDTH), &width, 1);
        ds.SetDoubleValue(FindOrInsert(ds, TAG_WINDOW_CENTER), &center, 1);
        imaging::UpdateDouble(ds, TAG_RESCALE_INTERCEPT, 0.0);
        imaging::UpdateDouble(ds, TAG_RESCALE_SLOPE, 1.0);
    }
    const bool isSigned = imaging::ReadShort(ds, TAG_PIXEL_REPRESENTATION) == 1;

    if (!imaging::UpdateShort(ds, TAG_ROWS, nRows) || !imaging::UpdateShort(ds, TAG_COLUMNS, nColumns)) {
        m_strError = "Fail to set the image size";
        return Fail(ESaveFailure::WriteFailed);
    }
    // Grey file sources keep their own description (converted to the reference's); bitmap
    // samples fill their words. An unreadable Bits Allocated counts as deep; an absent one
    // changes nothing.
    if (m_outputMeaning) {
        output::DescribeSamples(ds, *m_outputMeaning);
    } else if (hasBitsAllocated && (bitsAllocated == 0 || bitsAllocated > 8)) {
        imaging::UpdateShort(ds, TAG_HIGH_BIT, 15);
        imaging::UpdateShort(ds, TAG_BITS_STORED, 16);
    } else if (hasBitsAllocated && samplesPerPixel == 1) {
        DescribeStoredValues8(ds, isSigned);
    }
    // The new pixels replace the template's before any re-encoding, so a template whose own
    // pixel data cannot be decoded still yields a file; raw pixels are never written under a
    // compressed transfer syntax.
    const BYTE* pPixels = FillPixelValue(ds, pixel, cbPixels, fill);
    if (pPixels == nullptr)
        return FALSE;
    const imaging::SampleLayout written =
        m_outputMeaning ? m_outputMeaning->layout : WholeWordLayout(bitsAllocated, isSigned);
    const auto [smallest, largest] = RasterValueRange(pPixels, cbPixels, written);
    imaging::UpdateShort(ds, TAG_SMALLEST_PIXEL_VALUE, smallest);
    imaging::UpdateShort(ds, TAG_LARGEST_PIXEL_VALUE, largest);
    imaging::UpdateLong(ds, TAG_NUMBER_OF_FRAMES, 1);  // one frame, whatever the template held
    if (templateEncapsulated && samplesPerPixel == 3)
        DescribeDecodedColour(ds);
    // Always the chosen syntax (Explicit VR Little Endian unless told otherwise): the
    // template's own could be the retired big-endian one.
    const char* syntax = g_strTransferSyntax.IsEmpty() ? kExplicitLittleEndian : static_cast<LPCTSTR>(g_strTransferSyntax);
    if (ds.ChangeTransferSyntax(syntax, 0, 0) != DICOM_SUCCESS) {
        m_strError = CString("Fail to change the transfer syntax: ") + ds.GetLastError().c_str();
        return Fail(ESaveFailure::WriteFailed);
    }
    if (ds.SaveDS(savePath, 0) != DICOM_SUCCESS) {
        m_strError = CString("Fail to write the file: ") + ds.GetLastError().c_str();
        return Fail(ESaveFailure::WriteFailed);
    }
    return TRUE;
}

// Creates the output's Pixel Data value in the data set and has `fill` write it in place:
// the composed pixels are held once, in the value that is saved. The value's bytes, or
// nullptr with the failure set.
const BYTE* CStitchDicomFile::FillPixelValue(LDicomDS& ds, pDICOMELEMENT pixel, size_t bytes, const PixelFill& fill)
{
    const platform::StageScope trace(platform::Stage::Compose);
    BYTE* value = ds.CreateBinaryValue(pixel, static_cast<ULONG>(bytes));
    if (value == nullptr) {
        m_strError = "Fail to set the pixel data";
        Fail(ESaveFailure::WriteFailed);
        return nullptr;
    }
    if (!fill(value, bytes)) {
        if (m_eFailure == ESaveFailure::None)
            Fail(ESaveFailure::WriteFailed);
        return nullptr;
    }
    return value;
}
