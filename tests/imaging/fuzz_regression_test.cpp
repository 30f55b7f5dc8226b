// Replays every input the fuzzers once crashed on (tests/data/fuzz) through the calls
// the harnesses make: loading a source image, decoding frame 0 in bands, preparing a
// save's file item, and reading DICOMDIR records. Each must succeed or fail with a reason; none may crash.
#include "imaging/DicomDir.h"
#include "imaging/LBitmap.h"
#include "imaging/LDicomDS.h"
#include "output/CStitchDicomFile.h"
#include "tests/support/Fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr DWORD kPixelData = 0x7FE00010;

std::vector<fs::path> RegressionInputs()
{
    std::vector<fs::path> inputs;
    const fs::path dir = fs::path(TESSOR_SOURCE_DIR) / "tests" / "data" / "fuzz";
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(dir, ec))
        if (entry.is_regular_file() && entry.path().filename() != "README.md")
            inputs.push_back(entry.path());
    std::sort(inputs.begin(), inputs.end());
    return inputs;
}

}  // namespace

TEST(FuzzRegression, EveryKeptInputFailsCleanlyOrDecodes)
{
    const std::vector<fs::path> inputs = RegressionInputs();
    ASSERT_FALSE(inputs.empty());
    for (const fs::path& input : inputs) {
        SCOPED_TRACE(input.filename().string());
        LBitmap bitmap;
        const int loaded = bitmap.Load(input.c_str());
        EXPECT_TRUE(loaded == SUCCESS || !bitmap.GetLastError().empty());

        {
            const testfiles::MessageBoxTexts messages;
            CStitchDicomFile file;
            file.AddFileItem(input.c_str(), CRect(1, 2, 0, 130));
        }

        std::vector<imaging::DicomDirImage> records;
        std::string reason;
        if (!imaging::ReadDicomDirImages(input.string(), records, reason)) {
            EXPECT_FALSE(reason.empty());
        }

        LDicomDS ds;
        if (ds.LoadDS(input.c_str(), 0) != DICOM_SUCCESS) {
            EXPECT_FALSE(ds.GetLastError().empty());
            continue;
        }
        pDICOMELEMENT pixels = ds.FindFirstElement(nullptr, kPixelData, FALSE);
        if (!pixels)
            continue;
        int bands = 0;
        const auto count = [](const BYTE*, UINT, int, int, void* user) {
            ++*static_cast<int*>(user);
            return SUCCESS;
        };
        LBitmap decoded;
        const int code = ds.GetImage(pixels, &decoded, 0, 0, ORDER_RGB, 0, count, &bands);
        if (code == DICOM_SUCCESS)
            EXPECT_GT(bands, 0);
        else
            EXPECT_FALSE(ds.GetLastError().empty());
    }
}

TEST(FuzzRegression, RleSegmentOutsideTheFrameIsRefusedBeforeDcmtkReadsIt)
{
    // An RLE header whose third segment starts 16 MB into a 664-byte fragment: DCMTK's
    // RLE decoder read there and crashed.
    const fs::path input = fs::path(TESSOR_SOURCE_DIR) / "tests/data/fuzz/rle-segment-offset-outside-frame.dcm";
    LDicomDS ds;
    ASSERT_EQ(ds.LoadDS(input.c_str(), 0), DICOM_SUCCESS) << ds.GetLastError();
    EXPECT_EQ(ds.GetImage(ds.FindFirstElement(nullptr, kPixelData, FALSE), nullptr, 0, 0, ORDER_RGB, 0, nullptr,
                          nullptr),
              ERROR_FILE_FORMAT);
    EXPECT_EQ(ds.GetLastError(),
              "damaged RLE data: RLE segment 3 starts at 16777680, outside the frame's 664 bytes");
    // Decompressing the whole data set takes the same decoder.
    EXPECT_EQ(ds.ChangeTransferSyntax("1.2.840.10008.1.2.1", 0, 0), ERROR_FILE_FORMAT);
    EXPECT_NE(ds.GetLastError().find("RLE segment 3"), std::string::npos) << ds.GetLastError();
    EXPECT_EQ(ds.GetTransferSyntaxUID(), "1.2.840.10008.1.2.5");
}

TEST(FuzzRegression, FileItemRefusesSamplesPerPixelTheDecoderCannotDeliver)
{
    // A JPEG 2000 file claiming 20481 samples of 16 bits per pixel: the item was sized from
    // it (2.7 GB for 128 rows of 512 columns) before decoding could refuse it.
    const fs::path input = fs::path(TESSOR_SOURCE_DIR) / "tests/data/fuzz/samples-per-pixel-20481-j2k.dcm";
    CStitchDicomFile file;
    EXPECT_FALSE(file.AddFileItem(input.c_str(), CRect(1, 2, 0, 130)));
    EXPECT_TRUE(file.m_arrItems.empty());
}
