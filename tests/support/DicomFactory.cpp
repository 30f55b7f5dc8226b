#include "tests/support/DicomFactory.h"

#include "imaging/LDicomDS.h"
#include "imaging/Uid.h"

namespace testfiles {
namespace {

void SetString(LDicomDS& ds, DWORD tag, const std::string& value)
{
    ds.SetStringValue(ds.InsertElement(nullptr, FALSE, tag, 0, FALSE, 0), value.c_str(), 1);
}

void SetShort(LDicomDS& ds, DWORD tag, int value)
{
    const short v = static_cast<short>(value);
    ds.SetShortValue(ds.InsertElement(nullptr, FALSE, tag, 0, FALSE, 0), &v, 1);
}

void SetDouble(LDicomDS& ds, DWORD tag, const std::optional<double>& value)
{
    if (value)
        ds.SetDoubleValue(ds.InsertElement(nullptr, FALSE, tag, 0, FALSE, 0), &*value, 1);
}

}  // namespace

SyntheticImage MakeGrey(int rows, int columns, int bitsAllocated, const std::function<int(int, int)>& value)
{
    SyntheticImage image;
    image.rows = rows;
    image.columns = columns;
    image.bitsAllocated = bitsAllocated;
    image.bitsStored = bitsAllocated == 8 ? 8 : 12;
    const int bytes = bitsAllocated / 8;
    image.pixels.resize(static_cast<size_t>(rows) * static_cast<size_t>(columns) * static_cast<size_t>(bytes));
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            const int v = value(r, c);
            const size_t at = (static_cast<size_t>(r) * static_cast<size_t>(columns) + static_cast<size_t>(c)) * static_cast<size_t>(bytes);
            image.pixels[at] = static_cast<BYTE>(v & 0xFF);
            if (bytes == 2)
                image.pixels[at + 1] = static_cast<BYTE>((v >> 8) & 0xFF);
        }
    }
    return image;
}

std::string WriteSynthetic(const SyntheticImage& image, const std::filesystem::path& path)
{
    LDicomDS ds(nullptr);
    ds.ResetDS();
    SetString(ds, 0x00080016, "1.2.840.10008.5.1.4.1.1.7");  // Secondary Capture
    SetString(ds, 0x00080018, image.sopInstanceUID.empty() ? imaging::GenerateUniqueUID() : image.sopInstanceUID);
    SetString(ds, 0x00080060, "OT");
    SetString(ds, 0x00100010, "Test^Patient");
    SetString(ds, 0x00100020, "TEST-1");
    SetString(ds, 0x0020000D, "1.2.826.0.1.3680043.9.7433.1");
    SetString(ds, 0x0020000E, "1.2.826.0.1.3680043.9.7433.1.2");
    SetShort(ds, 0x00280002, image.samplesPerPixel);
    SetString(ds, 0x00280004, image.photometric);
    SetShort(ds, 0x00280010, image.rows);
    SetShort(ds, 0x00280011, image.columns);
    SetShort(ds, 0x00280100, image.bitsAllocated);
    SetShort(ds, 0x00280101, image.bitsStored);
    SetShort(ds, 0x00280102, image.highBit.value_or(image.bitsStored - 1));
    if (image.hasPixelRepresentation)
        SetShort(ds, 0x00280103, image.pixelRepresentation);
    if (image.samplesPerPixel > 1)
        SetShort(ds, 0x00280006, 0);
    SetDouble(ds, 0x00281050, image.windowCenter);
    SetDouble(ds, 0x00281051, image.windowWidth);
    SetDouble(ds, 0x00281052, image.rescaleIntercept);
    SetDouble(ds, 0x00281053, image.rescaleSlope);
    if (image.smallestPixelValue)
        SetShort(ds, 0x00280106, *image.smallestPixelValue);
    if (image.largestPixelValue)
        SetShort(ds, 0x00280107, *image.largestPixelValue);
    pDICOMELEMENT pixel = ds.InsertElement(nullptr, FALSE, 0x7FE00010, 0, FALSE, 0);
    if (pixel == nullptr || !ds.SetBinaryValue(pixel, image.pixels.data(), static_cast<ULONG>(image.pixels.size())))
        return "cannot set the pixel data: " + ds.GetLastError();
    if (image.transferSyntax != "1.2.840.10008.1.2.1" &&
        ds.ChangeTransferSyntax(image.transferSyntax.c_str(), 0, 0) != DICOM_SUCCESS)
        return "cannot change the transfer syntax: " + ds.GetLastError();
    if (ds.SaveDS(path.c_str(), 0) != DICOM_SUCCESS)
        return "cannot save: " + ds.GetLastError();
    return {};
}

int Sample16(const std::vector<BYTE>& raster, int columns, int row, int column)
{
    const size_t at = (static_cast<size_t>(row) * static_cast<size_t>(columns) + static_cast<size_t>(column)) * 2;
    return raster.at(at) | (raster.at(at + 1) << 8);
}

}  // namespace testfiles
