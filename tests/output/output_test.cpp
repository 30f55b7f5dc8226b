#include "output/CStitchDicomFile.h"
#include "output/OutputSettings.h"

#include "imaging/DicomAttribute.h"
#include "image/CBaseImage.h"

#include "imaging/LDicomDS.h"
#include "tests/support/DicomFactory.h"
#include "tests/support/DicomValidation.h"
#include "tests/support/Fixtures.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using testfiles::MakeGrey;
using testfiles::SyntheticImage;
using testfiles::WriteSynthetic;

namespace {

struct Written {
    int rows = -1;
    int columns = -1;
    std::vector<BYTE> pixels;
    std::string transferSyntax;
};

std::string ReadString(LDicomDS& ds, DWORD tag)
{
    return imaging::ReadText(ds, tag).value_or("<absent>");
}

int ReadShort(LDicomDS& ds, DWORD tag)
{
    return imaging::ReadShort(ds, tag).value_or(-99999);
}

Written ReadBack(const fs::path& path)
{
    Written out;
    LDicomDS ds(nullptr);
    if (ds.LoadDS(path.c_str(), 0) != DICOM_SUCCESS)
        return out;
    out.rows = static_cast<unsigned short>(ReadShort(ds, 0x00280010));
    out.columns = static_cast<unsigned short>(ReadShort(ds, 0x00280011));
    out.transferSyntax = ds.GetTransferSyntaxUID();
    pDICOMELEMENT pixel = ds.FindFirstElement(nullptr, 0x7FE00010, FALSE);
    out.pixels.resize(ds.GetElementLength(pixel));
    ds.GetBinaryValue(pixel, out.pixels.data(), static_cast<ULONG>(out.pixels.size()));
    return out;
}

// 16-bit image whose value encodes its own identity: 1000 * image + row (mod 4096), column-independent.
SyntheticImage RowCoded(int image, int rows, int columns)
{
    return MakeGrey(rows, columns, 16, [image](int r, int) { return (image * 1000 + r) % 4096; });
}

// A template with a window and a rescale, which the writer keeps or replaces.
SyntheticImage WindowedTemplate(int rows, int columns)
{
    SyntheticImage image = RowCoded(1, rows, columns);
    image.windowCenter = 40;
    image.windowWidth = 400;
    image.rescaleIntercept = -1024;
    image.rescaleSlope = 1;
    return image;
}

class OutputTest : public testfiles::FolderTest {
protected:
    void SetUp() override
    {
        g_strInstanceUID = "1.2.826.0.1.3680043.9.7433.99";
        g_nInstanceNumber = 7;
    }
};

}  // namespace

TEST_F(OutputTest, StacksKeptRowsOfThreeImagesInOrder)
{
    const fs::path a = Write(RowCoded(1, 800, 1000), "a.dcm");
    const fs::path b = Write(RowCoded(2, 800, 1000), "b.dcm");
    const fs::path c = Write(RowCoded(3, 800, 1000), "c.dcm");
    CStitchDicomFile file;
    ASSERT_TRUE(file.AddFileItem(a.c_str(), CRect(0, 0, 1000, 800)));
    ASSERT_TRUE(file.AddFileItem(b.c_str(), CRect(0, 100, 1000, 800)));
    ASSERT_TRUE(file.AddFileItem(c.c_str(), CRect(0, 50, 1000, 700)));
    const fs::path out = dir / "out.dcm";
    ASSERT_TRUE(file.Compose(a.c_str(), out.c_str()));
    EXPECT_TRUE(testfiles::NoNewValidatorErrors(out, a));

    const Written w = ReadBack(out);
    EXPECT_EQ(w.rows, 2150);
    EXPECT_EQ(w.columns, 1000);
    ASSERT_EQ(w.pixels.size(), 1000u * 2150u * 2u);
    EXPECT_EQ(testfiles::Sample16(w.pixels, 1000, 0, 0), 1000);
    EXPECT_EQ(testfiles::Sample16(w.pixels, 1000, 799, 999), 1799);
    EXPECT_EQ(testfiles::Sample16(w.pixels, 1000, 800, 5), 2100);
    EXPECT_EQ(testfiles::Sample16(w.pixels, 1000, 1499, 5), 2799);
    EXPECT_EQ(testfiles::Sample16(w.pixels, 1000, 1500, 5), 3050);
    EXPECT_EQ(testfiles::Sample16(w.pixels, 1000, 2149, 5), 3699);
    EXPECT_TRUE(messages.texts.empty());
}

TEST_F(OutputTest, ShiftsRowsSidewaysAndFillsTheUncoveredColumnsBlack)
{
    const auto columnCoded = [](int, int c) { return c % 200 + 1; };
    const fs::path grey8 = Write(MakeGrey(1, 1000, 8, columnCoded), "grey8.dcm");
    SyntheticImage mono1 = MakeGrey(1, 1000, 16, columnCoded);
    mono1.photometric = "MONOCHROME1";
    mono1.windowCenter = 100;
    mono1.windowWidth = 200;
    const fs::path inverted16 = Write(mono1, "mono1.dcm");
    const fs::path out = dir / "out.dcm";

    CStitchDicomFile file;
    ASSERT_TRUE(file.AddFileItem(grey8.c_str(), CRect(10, 0, 1000, 1)));
    ASSERT_TRUE(file.AddFileItem(grey8.c_str(), CRect(-10, 0, 1000, 1)));
    ASSERT_TRUE(file.Compose(grey8.c_str(), out.c_str()));
    const Written w = ReadBack(out);
    ASSERT_EQ(w.pixels.size(), 2000u);
    const BYTE* movedLeft = w.pixels.data();
    const BYTE* movedRight = w.pixels.data() + 1000;
    EXPECT_EQ(movedLeft[0], 11);     // source column 10
    EXPECT_EQ(movedLeft[989], 200);  // source column 999
    EXPECT_EQ(movedLeft[990], 0x00);  // black in MONOCHROME2
    EXPECT_EQ(movedLeft[999], 0x00);
    EXPECT_EQ(movedRight[9], 0x00);
    EXPECT_EQ(movedRight[10], 1);      // source column 0
    EXPECT_EQ(movedRight[999], 190);   // source column 989

    CStitchDicomFile inverted;
    ASSERT_TRUE(inverted.AddFileItem(inverted16.c_str(), CRect(10, 0, 1000, 1)));
    ASSERT_TRUE(inverted.Compose(inverted16.c_str(), out.c_str()));
    const Written m = ReadBack(out);
    EXPECT_EQ(testfiles::Sample16(m.pixels, 1000, 0, 0), 11);
    // Black in MONOCHROME1, any window: the largest of 12 bits stored (0xFFFF would carry
    // bits above High Bit).
    EXPECT_EQ(testfiles::Sample16(m.pixels, 1000, 0, 990), 4095);
    EXPECT_EQ(testfiles::Sample16(m.pixels, 1000, 0, 999), 4095);
}

TEST_F(OutputTest, CompressedSourceMatchesItsUncompressedTwinFillIncluded)
{
    SyntheticImage image = MakeGrey(64, 80, 16, [](int r, int c) { return (r * 37 + c * 11) % 4096; });
    image.photometric = "MONOCHROME1";
    const fs::path raw = Write(image, "raw.dcm");
    image.transferSyntax = "1.2.840.10008.1.2.5";  // RLE lossless
    const fs::path rle = Write(image, "rle.dcm");

    CStitchDicomFile file;
    const CRect adjust(-3, 5, 80, 60);
    ASSERT_TRUE(file.AddFileItem(raw.c_str(), adjust));
    EXPECT_FALSE(file.m_bChangeSyntax);
    ASSERT_TRUE(file.AddFileItem(rle.c_str(), adjust));
    EXPECT_TRUE(file.m_bChangeSyntax);
    const fs::path out = dir / "out.dcm";
    ASSERT_TRUE(file.Compose(raw.c_str(), out.c_str()));
    const Written w = ReadBack(out);
    EXPECT_EQ(w.transferSyntax, "1.2.840.10008.1.2.1");
    ASSERT_EQ(w.rows, 110);
    for (int row = 0; row < 110; ++row) {
        const int source = 5 + row % 55;
        for (int column = 0; column < 80; ++column) {
            // MONOCHROME1 without a window: black is the picture's largest value, 3019.
            const int expected = column < 3 ? 3019 : (source * 37 + (column - 3) * 11) % 4096;
            ASSERT_EQ(testfiles::Sample16(w.pixels, 80, row, column), expected) << row << "," << column;
        }
    }
    EXPECT_TRUE(testfiles::NoNewValidatorErrors(out, raw));
}

TEST_F(OutputTest, ACompressedSourceThatFailsToDecodeIsLeftOutNotBlank)
{
    SyntheticImage image = MakeGrey(64, 80, 16, [](int r, int c) { return (r * 37 + c * 11) % 4096; });
    image.transferSyntax = "1.2.840.10008.1.2.4.80";  // JPEG-LS lossless
    const fs::path intact = Write(image, "intact.dcm");
    std::ifstream in(intact, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t scan = bytes.rfind("\xFF\xDA");
    ASSERT_NE(scan, std::string::npos);
    for (size_t i = scan + 20; i < scan + 220 && i + 2 < bytes.size(); ++i)
        bytes[i] = static_cast<char>(0xFF);  // marker bytes where entropy-coded data belongs
    const fs::path damaged = dir / "damaged.dcm";
    std::ofstream(damaged, std::ios::binary) << bytes;

    CStitchDicomFile file;
    EXPECT_TRUE(file.AddFileItem(intact.c_str(), CRect(0, 0, 80, 64)));
    EXPECT_FALSE(file.AddFileItem(damaged.c_str(), CRect(0, 0, 80, 64)));
    EXPECT_EQ(file.m_eItemFailure, EPieceFailure::Unreadable);
    EXPECT_EQ(file.m_arrItems.size(), 1u);
}

TEST(StitchItem, CreateSizesTheBandOrRefusesIt)
{
    struct Case {
        int width;
        CRect band;
        BOOL created;
        int rows;
    };
    const Case cases[] = {
        {3, CRect(0, 2, 3, 6), TRUE, 4},
        {3, CRect(0, 6, 3, 6), TRUE, 0},
        {3, CRect(0, 6, 3, 5), FALSE, 0},                 // inverted
        {0, CRect(0, INT32_MIN, 0, INT32_MAX), FALSE, 0},  // 2^32 - 1 rows: wraps to -1 in 32 bits
    };
    for (const Case& c : cases) {
        CStitchDicomItem item;
        EXPECT_EQ(item.Create(c.width, 2, c.band, 0x5A), c.created) << c.band.top << ".." << c.band.bottom;
        if (!c.created)
            continue;
        EXPECT_EQ(item.m_nRows, c.rows);
        ASSERT_EQ(item.GetSize(), size_t(c.rows) * 6u);
        EXPECT_TRUE(std::all_of(item.m_pPixels.data(), item.m_pPixels.data() + item.GetSize(),
                                [](BYTE b) { return b == 0x5A; }));
    }
}

// Adopting a whole frame must give the item Create and PlaceRow give it, for every shift
// and band, and refuse bands outside the frame.
TEST(StitchItem, AdoptRowsMovesTheBandInPlaceAsPlaceRowWouldCopyIt)
{
    constexpr int kWidth = 5;
    constexpr int kRows = 6;
    const auto frame = [] {
        platform::PixelBuffer bytes = platform::PixelBuffer::Allocate(kWidth * kRows * 2);
        for (size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = BYTE(i + 1);
        return bytes;
    };
    for (const CRect& band : {CRect(0, 0, kWidth, kRows), CRect(0, 2, kWidth, 5), CRect(2, 1, kWidth, 6),
                              CRect(-3, 0, kWidth, 4), CRect(4, 3, kWidth, 4), CRect(-9, 1, kWidth, 3),
                              CRect(7, 0, kWidth, 2)}) {
        const platform::PixelBuffer source = frame();
        CStitchDicomItem copied;
        ASSERT_TRUE(copied.Create(kWidth, 2, band, 0));
        for (int y = 0; y < kRows; ++y)
            copied.PlaceRow(y, source.data() + size_t(y) * kWidth * 2);
        CStitchDicomItem adopted;
        ASSERT_TRUE(adopted.AdoptRows(frame(), kWidth, 2, kRows, band));
        EXPECT_EQ(adopted.m_nRows, copied.m_nRows);
        EXPECT_EQ(std::vector<BYTE>(adopted.m_pPixels.begin(), adopted.m_pPixels.end()),
                  std::vector<BYTE>(copied.m_pPixels.begin(), copied.m_pPixels.begin() + copied.GetSize()))
            << band.left << " " << band.top << ".." << band.bottom;
    }
    CStitchDicomItem refused;
    EXPECT_FALSE(refused.AdoptRows(frame(), kWidth, 2, kRows, CRect(0, 2, kWidth, 7)));  // past the frame
    EXPECT_FALSE(refused.AdoptRows(frame(), kWidth, 2, kRows + 1, CRect(0, 0, kWidth, 7)));  // frame too short
    EXPECT_FALSE(refused.AdoptRows(frame(), kWidth, 2, kRows, CRect(0, 3, kWidth, 3)));  // no rows
}

TEST(StitchItem, MatchWindowMapsEachPieceOntoTheCommonWindow)
{
    // value = target centre - (own centre - s) x target width / own width, truncated,
    // clamped to the sample type; worked out by hand.
    struct MatchCase {
        const char* what;
        bool isSigned;
        int width, center, targetCenter, targetWidth;
        std::vector<int> samples, expected;
    };
    const MatchCase cases[] = {
        {"unsigned onto (2500, 1500)", false, 2000, 1000, 1500, 2500, {1000, 0, 2000, 65535}, {1500, 250, 2750, 65535}},
        {"the target's own window", false, 3000, 1500, 1500, 2500, {0, 3000}, {250, 2750}},
        {"signed, negatives stay negative", true, 1000, 100, 100, 1500, {-1000, -32768, 100, 32767},
         {-1550, -32768, 100, 32767}},
        {"signed, smaller centre", true, 2000, 50, 100, 1500, {50, -1000}, {100, -687}},
        {"negative centre, same window: unchanged", true, 400, -600, -600, 400, {-1000, -600, 0}, {-1000, -600, 0}},
        {"product beyond 32 bits", false, 60000, 60000, 60000, 60000, {0}, {0}},
    };
    for (const MatchCase& c : cases) {
        CStitchDicomItem item;
        const int n = static_cast<int>(c.samples.size());
        ASSERT_TRUE(item.Create(n, 2, CRect(0, 0, n, 1), 0));
        for (int i = 0; i < n; ++i) {
            const uint16_t raw = static_cast<uint16_t>(c.samples[size_t(i)]);
            std::memcpy(item.m_pPixels.data() + 2 * i, &raw, 2);
        }
        item.m_bSigned = c.isSigned;
        item.m_nWindowWidth = c.width;
        item.m_nWindowCenter = c.center;
        item.MatchWindow(c.targetCenter, c.targetWidth);
        for (int i = 0; i < n; ++i) {
            uint16_t raw;
            std::memcpy(&raw, item.m_pPixels.data() + 2 * i, 2);
            EXPECT_EQ(c.isSigned ? int(int16_t(raw)) : int(raw), c.expected[size_t(i)]) << c.what << " sample " << i;
        }
    }

    CStitchDicomItem eightBit;  // 8-bit pieces are never matched
    ASSERT_TRUE(eightBit.Create(2, 1, CRect(0, 0, 2, 1), 7));
    eightBit.m_nWindowWidth = 100;
    eightBit.m_nWindowCenter = 50;
    eightBit.MatchWindow(1500, 2500);
    EXPECT_EQ(eightBit.m_pPixels[0], 7);

    CStitchDicomItem noWidth;  // centre without width: no window, no division by zero
    ASSERT_TRUE(noWidth.Create(1, 2, CRect(0, 0, 1, 1), 9));
    noWidth.m_nWindowCenter = 10;
    noWidth.MatchWindow(1500, 2500);
    EXPECT_EQ(noWidth.m_pPixels[0], 9);
}

TEST_F(OutputTest, CropCutsTheRasterAndPadsRowsBelowIt)
{
    const fs::path a = Write(RowCoded(1, 40, 120), "a.dcm");
    const fs::path out = dir / "out.dcm";
    {
        CStitchDicomFile file;
        ASSERT_TRUE(file.AddFileItem(a.c_str(), CRect(0, 0, 120, 40)));
        file.m_rcOutputCrop = CRect(0, 10, 100, 30);
        ASSERT_TRUE(file.Compose(a.c_str(), out.c_str()));
        EXPECT_TRUE(testfiles::NoNewValidatorErrors(out, a));
        const Written w = ReadBack(out);
        EXPECT_EQ(w.columns, 100);
        EXPECT_EQ(w.rows, 20);
        EXPECT_EQ(testfiles::Sample16(w.pixels, 100, 0, 0), 1010);
        EXPECT_EQ(testfiles::Sample16(w.pixels, 100, 19, 99), 1029);
    }
    {
        CStitchDicomFile file;  // bottom 5 rows below the raster; right beyond the width is clamped
        ASSERT_TRUE(file.AddFileItem(a.c_str(), CRect(0, 0, 120, 40)));
        file.m_rcOutputCrop = CRect(-4, 30, 500, 45);
        ASSERT_TRUE(file.Compose(a.c_str(), out.c_str()));
        EXPECT_TRUE(testfiles::NoNewValidatorErrors(out, a));
        const Written w = ReadBack(out);
        EXPECT_EQ(w.columns, 120);
        EXPECT_EQ(w.rows, 15);
        EXPECT_EQ(testfiles::Sample16(w.pixels, 120, 9, 0), 1039);
        EXPECT_EQ(testfiles::Sample16(w.pixels, 120, 10, 0), 0);  // black in MONOCHROME2
        EXPECT_EQ(testfiles::Sample16(w.pixels, 120, 14, 119), 0);
    }
    for (const CRect& outside : {CRect(0, 40, 120, 60), CRect(120, 0, 200, 40), CRect(-50, 0, 0, 40)}) {
        fs::remove(out);
        CStitchDicomFile file;  // keeps no pixel of the image: refused, nothing written
        ASSERT_TRUE(file.AddFileItem(a.c_str(), CRect(0, 0, 120, 40)));
        file.m_rcOutputCrop = outside;
        EXPECT_FALSE(file.Compose(a.c_str(), out.c_str()));
        EXPECT_EQ(file.m_eFailure, ESaveFailure::CropOutside);
        EXPECT_FALSE(fs::exists(out));
    }
    {
        CStitchDicomFile file;  // inverted: no crop
        ASSERT_TRUE(file.AddFileItem(a.c_str(), CRect(0, 0, 120, 40)));
        file.m_rcOutputCrop = CRect(50, 30, 10, 5);
        ASSERT_TRUE(file.Compose(a.c_str(), out.c_str()));
        EXPECT_TRUE(testfiles::NoNewValidatorErrors(out, a));
        EXPECT_EQ(ReadBack(out).rows, 40);
    }
}

TEST_F(OutputTest, NarrowerFileItemsAreCentredBetweenBlackBands)
{
    const fs::path wide = Write(MakeGrey(2, 10, 8, [](int, int) { return 50; }), "wide.dcm");
    SyntheticImage narrowImage = MakeGrey(2, 5, 8, [](int, int) { return 60; });
    narrowImage.photometric = "MONOCHROME1";
    const fs::path narrow = Write(narrowImage, "narrow.dcm");
    CStitchDicomFile file;
    ASSERT_TRUE(file.AddFileItem(wide.c_str(), CRect(0, 0, 10, 2)));
    ASSERT_TRUE(file.AddFileItem(narrow.c_str(), CRect(0, 0, 5, 2)));
    const fs::path out = dir / "out.dcm";
    ASSERT_TRUE(file.Compose(wide.c_str(), out.c_str()));
    EXPECT_TRUE(testfiles::NoNewValidatorErrors(out, wide));
    const Written w = ReadBack(out);
    ASSERT_EQ(w.pixels.size(), 40u);
    const std::vector<BYTE> row2(w.pixels.begin() + 20, w.pixels.begin() + 30);
    // The MONOCHROME1 piece inverted within its 8 bits (255 - 60) into the first piece's
    // MONOCHROME2, between that one's black.
    EXPECT_EQ(row2, (std::vector<BYTE>{0, 0, 195, 195, 195, 195, 195, 0, 0, 0}));
}

TEST_F(OutputTest, RefusesWhatTheOutputCannotDescribeAndWritesNothing)
{
    const fs::path eight = Write(MakeGrey(4, 8, 8, [](int, int) { return 1; }), "eight.dcm");
    const fs::path sixteen = Write(MakeGrey(4, 8, 16, [](int, int) { return 1; }), "sixteen.dcm");
    const fs::path out = dir / "out.dcm";
    const auto fileItems = [](std::vector<fs::path> sources) {
        return [sources](CStitchDicomFile& file) {
            for (const fs::path& source : sources)
                ASSERT_TRUE(file.AddFileItem(source.c_str(), CRect(0, 0, 8, 4)));
        };
    };
    struct Case {
        std::function<void(CStitchDicomFile&)> addItems;
        ESaveFailure failure;
    };
    const Case cases[] = {
        {[](CStitchDicomFile&) {}, ESaveFailure::NoImage},
        {fileItems({eight, sixteen}), ESaveFailure::MixedDepths},
        {fileItems({sixteen}), ESaveFailure::DepthMismatch},  // 16-bit raster into the 8-bit template
        {[](CStitchDicomFile& file) {
             for (int i = 0; i < 2; ++i) {
                 auto item = std::make_unique<CStitchDicomItem>();
                 ASSERT_TRUE(item->Create(1, 1, CRect(0, 0, 1, 40000), 0));
                 file.m_arrItems.push_back(std::move(item));
             }
         },
         ESaveFailure::TooLarge},
    };
    for (const Case& c : cases) {
        CStitchDicomFile file;
        c.addItems(file);
        EXPECT_FALSE(file.Compose(eight.c_str(), out.c_str()));
        EXPECT_EQ(file.m_eFailure, c.failure);
        EXPECT_EQ(messages.texts, std::vector<std::string>{});  // the caller words the reason
    }
    EXPECT_FALSE(fs::exists(out));
    for (const auto& entry : fs::directory_iterator(dir))
        EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
}

TEST_F(OutputTest, WriterReplacesIdentityGeometryAndValueRange)
{
    SyntheticImage image = WindowedTemplate(10, 20);
    image.largestPixelValue = 4095;
    image.smallestPixelValue = 3;
    const fs::path source = Write(image, "source.dcm");
    const fs::path out = dir / "out.dcm";
    g_strManufacturer = "ACME";
    g_strModelName = "Joiner";

    CStitchDicomFile file;  // file sources carry no window: the template's window and rescale stay
    ASSERT_TRUE(file.AddFileItem(source.c_str(), CRect(0, 2, 20, 8)));
    ASSERT_TRUE(file.Compose(source.c_str(), out.c_str()));
    EXPECT_TRUE(testfiles::NoNewValidatorErrors(out, source));
    LDicomDS ds(nullptr);
    ASSERT_EQ(ds.LoadDS(out.c_str(), 0), DICOM_SUCCESS);
    EXPECT_EQ(ReadString(ds, 0x00080018), "1.2.826.0.1.3680043.9.7433.99");
    EXPECT_EQ(ReadString(ds, 0x00080070), "ACME");
    EXPECT_EQ(ReadString(ds, 0x00081090), "Joiner");
    EXPECT_EQ(ReadString(ds, 0x00200013), "7");
    EXPECT_EQ(ReadString(ds, 0x00200012), "7");
    EXPECT_EQ(ReadString(ds, 0x00281050), "40");
    EXPECT_EQ(ReadString(ds, 0x00281052), "-1024");
    EXPECT_EQ(ReadShort(ds, 0x00280010), 6);
    EXPECT_EQ(ReadShort(ds, 0x00280101), 12);  // the pieces' own description
    EXPECT_EQ(ReadShort(ds, 0x00280102), 11);
    EXPECT_EQ(ReadShort(ds, 0x00280106), 1002);  // true smallest of the written rows 2..7
    EXPECT_EQ(ReadShort(ds, 0x00280107), 1007);
    EXPECT_NE(ReadString(ds, 0x00080023), "<absent>");
    EXPECT_NE(ReadString(ds, 0x00080033), "<absent>");
    g_strManufacturer = "KORVANTE";
    g_strModelName = "KORVANTE";
}

TEST_F(OutputTest, CommonWindowReplacesTheTemplateWindowAndTheRescaleBecomesIdentity)
{
    const SyntheticImage image = WindowedTemplate(4, 4);
    const fs::path source = Write(image, "source.dcm");
    const fs::path out = dir / "out.dcm";
    CStitchDicomFile file;
    for (const auto& [width, centre] : {std::pair{2000, 1000}, std::pair{3000, 1500}}) {
        auto item = std::make_unique<CStitchDicomItem>();
        ASSERT_TRUE(item->Create(4, 2, CRect(0, 0, 4, 2), 0));
        item->m_nWindowWidth = width;
        item->m_nWindowCenter = centre;
        file.m_arrItems.push_back(std::move(item));
    }
    ASSERT_TRUE(file.Compose(source.c_str(), out.c_str()));
    EXPECT_TRUE(testfiles::NoNewValidatorErrors(out, source));
    LDicomDS ds(nullptr);
    ASSERT_EQ(ds.LoadDS(out.c_str(), 0), DICOM_SUCCESS);
    EXPECT_EQ(ReadString(ds, 0x00281051), "2500");
    EXPECT_EQ(ReadString(ds, 0x00281050), "1500");
    EXPECT_EQ(ReadString(ds, 0x00281052), "0");
    EXPECT_EQ(ReadString(ds, 0x00281053), "1");
}

TEST_F(OutputTest, EmptyInstanceUidGetsAFreshOneAndTheFileMetaFollows)
{
    g_strInstanceUID = "";
    const fs::path source = Write(RowCoded(1, 4, 4), "source.dcm");
    const fs::path out = dir / "out.dcm";
    CStitchDicomFile file;
    ASSERT_TRUE(file.AddFileItem(source.c_str(), CRect(0, 0, 4, 4)));
    ASSERT_TRUE(file.Compose(source.c_str(), out.c_str()));
    EXPECT_TRUE(testfiles::NoNewValidatorErrors(out, source));
    LDicomDS ds(nullptr);
    ASSERT_EQ(ds.LoadDS(out.c_str(), 0), DICOM_SUCCESS);
    const std::string uid = ReadString(ds, 0x00080018);
    EXPECT_GT(uid.size(), 10u);
    LDicomDS sourceDs(nullptr);
    ASSERT_EQ(sourceDs.LoadDS(source.c_str(), 0), DICOM_SUCCESS);
    EXPECT_NE(uid, ReadString(sourceDs, 0x00080018));
    EXPECT_EQ(uid.rfind("2.25.", 0), 0u);  // the project's root, not the toolkit's
    EXPECT_EQ(ReadString(ds, 0x00020003), uid);  // the meta group is found through the same search
}

TEST_F(OutputTest, SavingOverASourceReplacesItWhole)
{
    const fs::path source = Write(RowCoded(1, 30, 8), "source.dcm");
    const fs::path twin = Write(RowCoded(1, 30, 8), "twin.dcm");
    CStitchDicomFile file;
    ASSERT_TRUE(file.AddFileItem(source.c_str(), CRect(0, 10, 8, 20)));
    ASSERT_TRUE(file.Compose(source.c_str(), source.c_str()));
    EXPECT_TRUE(testfiles::NoNewValidatorErrors(source, twin));
    const Written w = ReadBack(source);
    EXPECT_EQ(w.rows, 10);
    EXPECT_EQ(testfiles::Sample16(w.pixels, 8, 0, 0), 1010);
}

TEST_F(OutputTest, BigEndianSourceContributesValuesNotSwappedBytes)
{
    const fs::path little = testfiles::Pydicom("MR_small.dcm");
    const fs::path big = testfiles::Pydicom("MR_small_bigendian.dcm");
    if (little.empty() || big.empty())
        GTEST_SKIP() << "pydicom test files not installed";
    CStitchDicomFile file;
    ASSERT_TRUE(file.AddFileItem(little.c_str(), CRect(0, 0, 64, 64)));
    ASSERT_TRUE(file.AddFileItem(big.c_str(), CRect(0, 0, 64, 64)));
    ASSERT_EQ(file.m_arrItems[0]->GetSize(), file.m_arrItems[1]->GetSize());
    EXPECT_EQ(0, std::memcmp(file.m_arrItems[0]->m_pPixels.data(), file.m_arrItems[1]->m_pPixels.data(),
                             file.m_arrItems[0]->GetSize()));
}

// Address space the process has mapped now, in bytes.
static rlim_t MappedBytes()
{
    std::ifstream statm("/proc/self/statm");
    unsigned long long pages = 0;
    statm >> pages;
    return static_cast<rlim_t>(pages) * static_cast<rlim_t>(sysconf(_SC_PAGESIZE));
}

// Runs `body` in a child allowed 256 MB more address space than is mapped now, so that an
// allocation of what a file or crop claims fails at once instead of exhausting the machine.
// True when the child exits with `body`'s answer true.
template <typename Body>
static bool HoldsUnderAddressCap(Body body)
{
    const pid_t child = fork();
    if (child < 0)
        return false;
    if (child == 0) {
        const rlim_t limit = MappedBytes() + (rlim_t(256) << 20);
        const rlimit cap{limit, limit};
        setrlimit(RLIMIT_AS, &cap);
        _exit(body() ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST_F(OutputTest, AFileClaimingMorePixelsThanItHoldsFailsBeforeAllocatingThem)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer reserves more address space than the limit allows";
#else
    const fs::path source = Write(RowCoded(1, 10, 100), "source.dcm");
    {
        LDicomDS ds(nullptr);  // 40000 x 20000 x 16 bits claimed (1.6 GB), 2000 bytes held
        ASSERT_EQ(ds.LoadDS(source.c_str(), 0), DICOM_SUCCESS);
        const short rows = static_cast<short>(40000);
        const short columns = 20000;
        ASSERT_TRUE(ds.SetShortValue(ds.FindFirstElement(nullptr, 0x00280010, FALSE), &rows, 1));
        ASSERT_TRUE(ds.SetShortValue(ds.FindFirstElement(nullptr, 0x00280011, FALSE), &columns, 1));
        ASSERT_EQ(ds.SaveDS(source.c_str(), 0), DICOM_SUCCESS);
    }
    EXPECT_TRUE(HoldsUnderAddressCap([&] {
        CStitchDicomFile file;
        const BOOL added = file.AddFileItem(source.c_str(), CRect(0, 0, 20000, 10));
        return !added && file.m_eItemFailure == EPieceFailure::PixelDataUnreadable && messages.texts.empty();
    }));
#endif
}

// A crop may ask for more than the raster holds (rows below it are padded), up to what DICOM
// can describe. Sizes beyond 32 bits are refused for their size, before the crop is allocated.
TEST_F(OutputTest, CropsBeyondWhatDicomHoldsAreRefusedForTheirSizeBeforeAllocating)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer reserves more address space than the limit allows";
#else
    const fs::path templ = Write(RowCoded(1, 1, 8), "template.dcm");
    const fs::path out = dir / "out.dcm";
    struct Case {
        int bytesPerPixel;
        CRect crop;
        ESaveFailure failure;
    };
    const Case cases[] = {
        {2, CRect(0, 0, 65535, 65535), ESaveFailure::TooManyBytes},  // 8.6 GB: wraps to near 0 in 32 bits
        {4, CRect(0, 0, 65535, 16385), ESaveFailure::TooManyBytes},  // 4 GB + 196 KB
        {1, CRect(0, 0, 65535, 65536), ESaveFailure::TooLarge},
        {1, CRect(0, INT32_MIN, 8, INT32_MAX), ESaveFailure::TooLarge},  // a height beyond 32 bits
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(HoldsUnderAddressCap([&] {
            CStitchDicomFile file;  // one row of 65535 pixels: the raster itself is small
            auto item = std::make_unique<CStitchDicomItem>();
            if (!item->Create(65535, c.bytesPerPixel, CRect(0, 0, 65535, 1), 0))
                return false;
            file.m_arrItems.push_back(std::move(item));
            file.m_rcOutputCrop = c.crop;
            return !file.Compose(templ.c_str(), out.c_str()) && file.m_eFailure == c.failure;
        })) << "crop " << c.crop.top << ".." << c.crop.bottom << " x " << c.bytesPerPixel;
    }

    CStitchDicomFile file;  // the writer refuses a pixel length beyond 32 bits on its own
    BYTE pixel = 0;
    EXPECT_FALSE(file.WriteDicom(templ.c_str(), out.c_str(), 0, 0, platform::PixelView::Packed(&pixel, 65535, 65535, 16)));
    EXPECT_EQ(file.m_eFailure, ESaveFailure::TooManyBytes);
    EXPECT_FALSE(fs::exists(out));
#endif
}

namespace {

// A 16-bit bitmap one row high holding `values` (signed when asked).
std::unique_ptr<CBaseImage> BitmapRow(const std::vector<int>& values, bool isSigned)
{
    auto image = std::make_unique<CBaseImage>();
    const int width = static_cast<int>(values.size());
    EXPECT_EQ(image->m_bitmap.Create(width, 1, 16, isSigned ? TRUE : FALSE), SUCCESS);
    BYTE* pixels = image->m_bitmap.GetPixels();
    for (int i = 0; i < width; ++i) {
        const uint16_t raw = static_cast<uint16_t>(values[size_t(i)]);
        std::memcpy(pixels + 2 * i, &raw, 2);
    }
    return image;
}

std::vector<int> SignedRow(const Written& w, int row)
{
    std::vector<int> values;
    for (int c = 0; c < w.columns; ++c)
        values.push_back(static_cast<int16_t>(testfiles::Sample16(w.pixels, w.columns, row, c)));
    return values;
}

}  // namespace

// The written window is the one the matched pixels are meant to be seen with, on stored
// values: any centre, the rescale made the identity; a piece without a window is neither
// matched nor counted.
TEST_F(OutputTest, BitmapWindowsAreMatchedAndWrittenNegativeCentresIncluded)
{
    SyntheticImage signedTemplate = WindowedTemplate(1, 3);
    signedTemplate.pixelRepresentation = 1;
    const fs::path templ = Write(signedTemplate, "template.dcm");
    struct WindowCase {
        const char* what;
        std::vector<std::pair<int, int>> windows;  // width, centre per piece
        const char* width;
        const char* centre;
        std::vector<std::vector<int>> rows;  // each piece's row after matching
    };
    const WindowCase cases[] = {
        {"host window (400, -600) on both", {{400, -600}, {400, -600}}, "400", "-600",
         {{-1000, -600, 500}, {-1000, -600, 500}}},
        {"signed pieces onto (1500, 100)", {{2000, 50}, {1000, 100}}, "1500", "100",
         {{-687, -387, 437}, {-1550, -950, 700}}},
        {"a piece without window is left alone", {{400, -600}, {0, 0}}, "400", "-600",
         {{-1000, -600, 500}, {-1000, -600, 500}}},
    };
    for (const WindowCase& c : cases) {
        CStitchDicomFile file;
        std::vector<std::unique_ptr<CBaseImage>> images;
        for (const auto& [width, centre] : c.windows) {
            images.push_back(BitmapRow({-1000, -600, 500}, true));
            ASSERT_TRUE(file.AddBitmapItem(images.back().get(), CRect(0, 0, 3, 1), width, centre));
        }
        const fs::path out = dir / "out.dcm";
        ASSERT_TRUE(file.Compose(templ.c_str(), out.c_str())) << c.what;
        LDicomDS ds(nullptr);
        ASSERT_EQ(ds.LoadDS(out.c_str(), 0), DICOM_SUCCESS);
        EXPECT_EQ(ReadString(ds, 0x00281051), c.width) << c.what;
        EXPECT_EQ(ReadString(ds, 0x00281050), c.centre) << c.what;
        EXPECT_EQ(ReadString(ds, 0x00281052), "0") << c.what;
        EXPECT_EQ(ReadString(ds, 0x00281053), "1") << c.what;
        const Written w = ReadBack(out);
        ASSERT_EQ(w.rows, 2);
        EXPECT_EQ(SignedRow(w, 0), c.rows[0]) << c.what;
        EXPECT_EQ(SignedRow(w, 1), c.rows[1]) << c.what;
    }
}

// File sources keep the template's window and rescale: they are the sources' own.
TEST_F(OutputTest, FileCompositionKeepsTheTemplateWindowAndRescale)
{
    const fs::path source = Write(WindowedTemplate(4, 4), "source.dcm");
    const fs::path out = dir / "out.dcm";
    CStitchDicomFile file;
    ASSERT_TRUE(file.AddFileItem(source.c_str(), CRect(0, 0, 4, 4)));
    ASSERT_TRUE(file.Compose(source.c_str(), out.c_str()));
    LDicomDS ds(nullptr);
    ASSERT_EQ(ds.LoadDS(out.c_str(), 0), DICOM_SUCCESS);
    EXPECT_EQ(ReadString(ds, 0x00281051), "400");
    EXPECT_EQ(ReadString(ds, 0x00281050), "40");
    EXPECT_EQ(ReadString(ds, 0x00281052), "-1024");
    EXPECT_EQ(ReadString(ds, 0x00281053), "1");
}

// One black for every uncovered sample, from the output's photometric interpretation
// and sign: shifted bitmap pieces and crop rows below the image. Through a window, the end
// of the sample type; without one, the picture's darkest value (here 8 or 9), except 0
// for unsigned MONOCHROME2.
TEST_F(OutputTest, BitmapFillsAreTheOutputsBlack)
{
    struct FillCase {
        const char* photometric;
        int representation;
        bool windowed;
        int black;
    };
    for (const FillCase& c : {FillCase{"MONOCHROME2", 0, true, 0}, FillCase{"MONOCHROME1", 0, true, 0xFFFF},
                              FillCase{"MONOCHROME2", 1, true, -32768}, FillCase{"MONOCHROME1", 1, true, 32767},
                              FillCase{"MONOCHROME2", 0, false, 0}, FillCase{"MONOCHROME1", 0, false, 9},
                              FillCase{"MONOCHROME2", 1, false, 8}, FillCase{"MONOCHROME1", 1, false, 9}}) {
        SyntheticImage look = RowCoded(1, 1, 3);
        look.photometric = c.photometric;
        look.pixelRepresentation = c.representation;
        const fs::path templ = Write(look, "template.dcm");
        const bool isSigned = c.representation == 1;
        std::unique_ptr<CBaseImage> image = BitmapRow({7, 8, 9}, isSigned);
        CStitchDicomFile file;
        const int width = c.windowed ? 100 : 0;  // the window (100, 8) maps the piece onto itself
        ASSERT_TRUE(file.AddBitmapItem(image.get(), CRect(1, 0, 3, 1), width, 8));  // moved one column left
        file.m_rcOutputCrop = CRect(0, 0, 3, 2);                                 // one row below the image
        const fs::path out = dir / "out.dcm";
        ASSERT_TRUE(file.Compose(templ.c_str(), out.c_str()));
        const Written w = ReadBack(out);
        const auto value = [&](int row, int column) {
            const int raw = testfiles::Sample16(w.pixels, 3, row, column);
            return isSigned ? int(int16_t(raw)) : raw;
        };
        EXPECT_EQ(value(0, 0), 8) << c.photometric << c.representation;
        EXPECT_EQ(value(0, 2), c.black) << c.photometric << c.representation;
        EXPECT_EQ(value(1, 0), c.black) << c.photometric << c.representation;
        EXPECT_EQ(value(1, 2), c.black) << c.photometric << c.representation;
    }
}

// Stored bits at High Bit 15 are read shifted down in raw and compressed sources alike
// (the bits below them ignored), and written back at High Bit 15 under the pieces' own
// description.
TEST_F(OutputTest, RawAndCompressedSourcesGiveTheSameStoredValues)
{
    SyntheticImage image = MakeGrey(1, 4, 16, [](int, int c) { return std::vector<int>{0xFFF0, 0x0010, 0x8005, 0x1230}[size_t(c)]; });
    image.highBit = 15;
    image.smallestPixelValue = 0;
    image.largestPixelValue = 0;
    const fs::path raw = Write(image, "raw.dcm");
    image.transferSyntax = "1.2.840.10008.1.2.5";
    const fs::path rle = Write(image, "rle.dcm");
    CStitchDicomFile file;
    ASSERT_TRUE(file.AddFileItem(raw.c_str(), CRect(0, 0, 4, 1)));
    ASSERT_TRUE(file.AddFileItem(rle.c_str(), CRect(0, 0, 4, 1)));
    const fs::path out = dir / "out.dcm";
    ASSERT_TRUE(file.Compose(raw.c_str(), out.c_str()));
    const Written w = ReadBack(out);
    for (int row = 0; row < 2; ++row)
        for (int c = 0; c < 4; ++c)
            EXPECT_EQ(testfiles::Sample16(w.pixels, 4, row, c),
                      (std::vector<int>{0xFFF0, 0x0010, 0x8000, 0x1230}[size_t(c)]))
                << row << "," << c;
    LDicomDS ds(nullptr);
    ASSERT_EQ(ds.LoadDS(out.c_str(), 0), DICOM_SUCCESS);
    EXPECT_EQ(ReadShort(ds, 0x00280101), 12);
    EXPECT_EQ(ReadShort(ds, 0x00280102), 15);
    EXPECT_EQ(ReadShort(ds, 0x00280106), 1);  // stored values, not words
    EXPECT_EQ(ReadShort(ds, 0x00280107), 4095);
}

TEST_F(OutputTest, CropCutsANarrowerItemsBandAndPicture)
{
    const fs::path wide = Write(MakeGrey(2, 10, 8, [](int, int) { return 50; }), "wide.dcm");
    const fs::path narrow = Write(MakeGrey(2, 5, 8, [](int, int c) { return 60 + c; }), "narrow.dcm");
    CStitchDicomFile file;
    ASSERT_TRUE(file.AddFileItem(wide.c_str(), CRect(0, 0, 10, 2)));
    ASSERT_TRUE(file.AddFileItem(narrow.c_str(), CRect(0, 0, 5, 2)));
    file.m_rcOutputCrop = CRect(4, 1, 9, 6);  // the narrow piece sits in columns 2..6
    const fs::path out = dir / "out.dcm";
    ASSERT_TRUE(file.Compose(wide.c_str(), out.c_str()));
    const Written w = ReadBack(out);
    EXPECT_EQ(w.columns, 5);
    EXPECT_EQ(w.rows, 5);
    ASSERT_EQ(w.pixels.size(), 26u);  // 25 samples and the padding byte
    EXPECT_EQ(std::vector<BYTE>(w.pixels.begin(), w.pixels.end() - 1), (std::vector<BYTE>{50, 50, 50, 50, 50,  // the wide piece's last row
                                           62, 63, 64, 0, 0,    // picture, then the band
                                           62, 63, 64, 0, 0,
                                           0, 0, 0, 0, 0,       // below the raster
                                           0, 0, 0, 0, 0}));
}

// Taking a file's kept rows from its decoded image must write the very bytes that reading
// the file again writes, in every syntax, for shifted and cropped signed samples, and for
// colour (which is read again).
TEST_F(OutputTest, DecodedFileItemsWriteTheBytesOfFileItemsInEverySyntax)
{
    SyntheticImage grey = MakeGrey(40, 30, 16, [](int r, int c) { return (r * 37 + c * 11) % 4096 - 2048; });
    grey.pixelRepresentation = 1;
    grey.highBit = 13;  // stored bits 2..13 of each word
    for (size_t i = 0; i + 1 < grey.pixels.size(); i += 2) {
        const int value = static_cast<int16_t>(grey.pixels[i] | (grey.pixels[i + 1] << 8));
        const auto word = static_cast<uint16_t>((value << 2) | 0x8001);  // bits outside the stored ones set
        grey.pixels[i] = BYTE(word & 0xFF);
        grey.pixels[i + 1] = BYTE(word >> 8);
    }
    SyntheticImage colour = MakeGrey(40, 30, 8, [](int r, int c) { return (r + c) % 256; });
    colour.samplesPerPixel = 3;
    colour.bitsStored = 8;
    colour.photometric = "RGB";
    colour.pixels.resize(colour.pixels.size() * 3);
    for (size_t i = 0; i < colour.pixels.size(); ++i)
        colour.pixels[i] = BYTE(i * 7 % 251);
    const struct {
        const SyntheticImage* image;
        const char* syntax;
    } cases[] = {{&grey, "1.2.840.10008.1.2.1"}, {&grey, "1.2.840.10008.1.2.5"}, {&grey, "1.2.840.10008.1.2.4.70"},
                 {&grey, "1.2.840.10008.1.2.4.80"}, {&colour, "1.2.840.10008.1.2.1"}, {&colour, "1.2.840.10008.1.2.5"}};
    for (const auto& c : cases) {
        SyntheticImage image = *c.image;
        image.transferSyntax = c.syntax;
        const fs::path source = Write(image, "source.dcm");
        CBaseImage decoded;
        ASSERT_TRUE(decoded.Load(source.c_str())) << c.syntax;
        std::vector<BYTE> written[2];
        for (int fromDecoded = 0; fromDecoded < 2; ++fromDecoded) {
            CStitchDicomFile file;
            const CRect kept(3, 5, 30, 37);  // shifted left by 3 columns, rows 5..36
            ASSERT_TRUE(fromDecoded ? file.AddDecodedFileItem(source.c_str(), &decoded, kept)
                                    : file.AddFileItem(source.c_str(), kept));
            ASSERT_TRUE(file.AddFileItem(source.c_str(), CRect(-2, 0, 30, 40)));
            file.m_rcOutputCrop = CRect(1, 4, 29, 80);
            const fs::path out = dir / "out.dcm";
            ASSERT_TRUE(file.Compose(source.c_str(), out.c_str())) << file.m_strError.str();
            written[fromDecoded] = ReadBack(out).pixels;
        }
        EXPECT_EQ(written[0].size(), size_t(28 * 76 * image.samplesPerPixel * image.bitsAllocated / 8)) << c.syntax;
        EXPECT_TRUE(written[0] == written[1]) << c.syntax << " samples " << image.samplesPerPixel;
    }
}
