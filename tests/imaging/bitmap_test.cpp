// LBitmapBase / LBitmap: loading DICOM frames, pixel operations, window/level
// tables, the cached rendition and painting onto a device context.
#include "imaging/LBitmap.h"
#include "imaging/LDicomDS.h"
#include "platform/DC.h"
#include "platform/Surface.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <vector>

namespace fs = std::filesystem;

namespace {

#define REQUIRE_SAMPLE(name)                          \
    const fs::path sample = testfiles::Pydicom(name); \
    if (sample.empty())                               \
        GTEST_SKIP() << name << " (python3-pydicom) missing"

// A 16-bit bitmap of width x height holding `values` row by row.
void Make16(LBitmapBase& bitmap, int width, int height, const std::vector<int>& values, BOOL isSigned = FALSE)
{
    ASSERT_EQ(bitmap.Create(width, height, 16, isSigned), SUCCESS);
    for (size_t i = 0; i < values.size(); ++i) {
        const auto v = std::uint16_t(values[i]);
        std::memcpy(bitmap.GetPixels() + 2 * i, &v, 2);
    }
}

std::vector<int> Values16(const LBitmapBase& bitmap)
{
    std::vector<int> values(size_t(bitmap.GetWidth()) * size_t(bitmap.GetHeight()));
    for (size_t i = 0; i < values.size(); ++i) {
        std::int16_t v;
        std::memcpy(&v, bitmap.GetPixels() + 2 * i, 2);
        values[i] = bitmap.IsSigned() ? v : std::uint16_t(v);
    }
    return values;
}

}  // namespace

TEST(Bitmap, LoadsFramesWithTheirStoredValues)
{
    REQUIRE_SAMPLE("CT_small.dcm");
    LBitmap bitmap;
    ASSERT_EQ(bitmap.Load(sample.c_str(), 0, ORDER_BGRORGRAY, nullptr, nullptr), SUCCESS) << bitmap.GetLastError();
    EXPECT_EQ(bitmap.GetWidth(), 128);
    EXPECT_EQ(bitmap.GetHeight(), 128);
    EXPECT_EQ(bitmap.GetBitsPerPixel(), 16);
    EXPECT_TRUE(bitmap.IsSigned());

    LDicomDS ds;
    ASSERT_EQ(ds.LoadDS(sample.c_str(), 0), DICOM_SUCCESS);
    std::vector<std::int16_t> raw(128 * 128);
    ASSERT_TRUE(ds.GetBinaryValue(ds.FindFirstElement(nullptr, 0x7FE00010, FALSE), raw.data(), 128 * 128 * 2));
    EXPECT_EQ(std::memcmp(raw.data(), bitmap.GetPixels(), raw.size() * 2), 0);
    int low = 0, high = 0;
    ASSERT_EQ(bitmap.GetMinMaxVal(&low, &high), SUCCESS);
    EXPECT_EQ(low, *std::min_element(raw.begin(), raw.end()));
    EXPECT_EQ(high, *std::max_element(raw.begin(), raw.end()));

    std::vector<BYTE> row(256);
    LBuffer buffer(256);
    ASSERT_EQ(bitmap.GetRow(buffer, 5, 256), SUCCESS);
    EXPECT_EQ(std::memcmp(buffer.Lock(), raw.data() + 5 * 128, 256), 0);
    EXPECT_EQ(bitmap.GetRow(buffer, 128, 256), ERROR_INV_PARAMETER);
}

TEST(Bitmap, ColourComesBlueFirstUnlessRgbIsAsked)
{
    REQUIRE_SAMPLE("SC_rgb_rle.dcm");
    LBitmap bgr, rgb;
    ASSERT_EQ(bgr.Load(sample.c_str()), SUCCESS) << bgr.GetLastError();
    ASSERT_EQ(rgb.Load(sample.c_str(), 0, ORDER_RGB), SUCCESS);
    EXPECT_EQ(bgr.GetBitsPerPixel(), 24);
    EXPECT_EQ(bgr.GetColorOrder(), ORDER_BGR);
    // Row 5 is red, row 45 blue, row 95 white in this sample.
    const BYTE* red = bgr.GetPixels() + (5 * 100 + 50) * 3;
    EXPECT_EQ((std::vector<int>{red[0], red[1], red[2]}), (std::vector<int>{0, 0, 255}));
    const BYTE* redRgb = rgb.GetPixels() + (5 * 100 + 50) * 3;
    EXPECT_EQ((std::vector<int>{redRgb[0], redRgb[1], redRgb[2]}), (std::vector<int>{255, 0, 0}));
    EXPECT_EQ(bgr.GetRendition()[5 * 100 + 50], 0x00FF0000u);
    EXPECT_EQ(rgb.GetRendition()[5 * 100 + 50], 0x00FF0000u);
    EXPECT_EQ(bgr.GetRendition()[45 * 100 + 50], 0x000000FFu);
    EXPECT_EQ(bgr.GetRendition()[95 * 100 + 50], 0x00FFFFFFu);
}

TEST(Bitmap, DecodesTheRealSamples)
{
    struct Case {
        const char* name;
        int bitsPerPixel;
        int minValue;
        int maxValue;
    };
    // Lossy JPEG (8 and 12 bit), YBR JPEG, colour-by-plane RLE, odd sizes, deflate, 32 bit.
    for (const Case& c : {Case{"JPEG-lossy.dcm", 16, 0, 264}, Case{"JPGExtended.dcm", 16, 0, 264},
                          Case{"SC_rgb_jpeg_dcmtk.dcm", 24, 0, 255}, Case{"SC_rgb_dcmtk_+eb+cr.dcm", 24, 0, 255},
                          Case{"SC_rgb_small_odd.dcm", 24, 52, 176}, Case{"SC_rgb_rle_2frame.dcm", 24, 0, 255},
                          Case{"image_dfl.dcm", 8, 0, 255}, Case{"badVR.dcm", 32, 795000, 1254000},
                          Case{"MR_small_expb.dcm", 16, 127, 2145}}) {
        const fs::path path = testfiles::Pydicom(c.name);
        if (path.empty())
            continue;
        LBitmap bitmap;
        ASSERT_EQ(bitmap.Load(path.c_str()), SUCCESS) << c.name << ": " << bitmap.GetLastError();
        EXPECT_EQ(bitmap.GetBitsPerPixel(), c.bitsPerPixel) << c.name;
        int low = 0, high = 0;
        bitmap.GetMinMaxVal(&low, &high);
        EXPECT_EQ(low, c.minValue) << c.name;
        EXPECT_EQ(high, c.maxValue) << c.name;
    }
}

TEST(Bitmap, LoadFailuresKeepTheBitmap)
{
    LBitmap bitmap;
    Make16(bitmap, 2, 1, {7, 8});
    struct Case {
        const char* name;
        int code;
        const char* reason;
    };
    for (const Case& c : {Case{"JPEG2000-embedded-sequence-delimiter.dcm", ERROR_FILE_FORMAT, "JPEG 2000"},
                          Case{"liver_1frame.dcm", ERROR_FEATURE_NOT_SUPPORTED, "1-bit"},
                          Case{"SC_rgb_rle_16bit.dcm", ERROR_FEATURE_NOT_SUPPORTED, "not supported"},
                          Case{"SC_ybr_full_422_uncompressed.dcm", ERROR_FEATURE_NOT_SUPPORTED, "YBR_FULL_422"},
                          Case{"rtplan.dcm", ERROR_DICOM_NO_PIXELS, "no image"},
                          Case{"MR_truncated.dcm", ERROR_FILE_FORMAT, "not a readable"}}) {
        const fs::path path = testfiles::Pydicom(c.name);
        if (path.empty())
            continue;
        EXPECT_EQ(bitmap.Load(path.c_str()), c.code) << c.name;
        EXPECT_NE(bitmap.GetLastError().find(c.reason), std::string::npos) << c.name << ": " << bitmap.GetLastError();
        EXPECT_EQ(Values16(bitmap), (std::vector<int>{7, 8}));
    }
    EXPECT_EQ(bitmap.Load("/nonexistent/file.dcm"), ERROR_FILE_OPEN);
}

TEST(Bitmap, FillLutRampsBetweenLowAndHigh)
{
    std::vector<RGBQUAD> table(16);
    ASSERT_EQ(LBitmap::WindowLevelFillLUT(table.data(), 16, RGB(0, 0, 0), RGB(255, 255, 255), 4, 12, 0, 15, 0, 15, 1),
              SUCCESS);
    std::vector<int> grey;
    for (const RGBQUAD& q : table)
        grey.push_back(q.rgbRed);
    EXPECT_EQ(grey, (std::vector<int>{0, 0, 0, 0, 0, 31, 63, 95, 127, 159, 191, 223, 255, 255, 255, 255}));
    // Colours are COLORREF 0x00BBGGRR; MONOCHROME1 runs white to black.
    ASSERT_EQ(LBitmap::WindowLevelFillLUT(table.data(), 16, RGB(10, 20, 30), RGB(200, 100, 0), 0, 2, 0, 0, 0, 0, 1),
              SUCCESS);
    EXPECT_EQ((std::vector<int>{table[0].rgbRed, table[0].rgbGreen, table[0].rgbBlue}),
              (std::vector<int>{10, 20, 30}));
    EXPECT_EQ((std::vector<int>{table[1].rgbRed, table[1].rgbGreen, table[1].rgbBlue}),
              (std::vector<int>{105, 60, 15}));
    EXPECT_EQ((std::vector<int>{table[9].rgbRed, table[9].rgbGreen, table[9].rgbBlue}),
              (std::vector<int>{200, 100, 0}));
    EXPECT_EQ(LBitmap::WindowLevelFillLUT(nullptr, 16, 0, 0, 0, 0, 0, 0, 0, 0, 1), ERROR_INV_PARAMETER);
}

TEST(Bitmap, RendersThroughTheWindowAndCachesTheResult)
{
    // Signed data: the table is indexed at value + 32768; window 80 around 40.
    LBitmap bitmap;
    Make16(bitmap, 4, 1, {-1000, 0, 40, 100}, TRUE);
    std::vector<RGBQUAD> table(0x10000);
    LBitmap::WindowLevelFillLUT(table.data(), 0x10000, RGB(0, 0, 0), RGB(255, 255, 255), 32769, 32849, 0, 15, -1000,
                                100, 1);
    ASSERT_EQ(bitmap.WindowLevel(0, 15, table.data(), 0x10000, WINDOWLEVEL_PAINT), SUCCESS);
    const std::vector<DWORD> expected{0x000000, 0x000000, 0x7C7C7C, 0xFFFFFF};
    EXPECT_EQ(bitmap.GetRendition(), expected);

    // A deep copy paints the same, also after the source's table is gone.
    LBitmap copy;
    ASSERT_EQ(copy.Copy(bitmap), SUCCESS);
    table.assign(table.size(), RGBQUAD{});
    bitmap.Free();
    EXPECT_TRUE(copy.HasWindow());
    EXPECT_EQ(copy.GetRendition(), expected);

    // The rendition is kept until the pixels change.
    const DWORD* cached = copy.GetRendition().data();
    EXPECT_EQ(copy.GetRendition().data(), cached);
    BYTE* pixels = const_cast<BYTE*>(static_cast<const LBitmap&>(copy).GetPixels());
    pixels[0] = 0x28;  // -1000 becomes 40, unannounced
    pixels[1] = 0x00;
    EXPECT_EQ(copy.GetRendition()[0], 0x000000u);
    copy.PixelsChanged();
    EXPECT_EQ(copy.GetRendition()[0], 0x7C7C7Cu);
}

TEST(Bitmap, RendersWithoutWindowOverTheValueRange)
{
    LBitmap wide;
    Make16(wide, 3, 1, {100, 200, 300});
    EXPECT_EQ(wide.GetRendition(), (std::vector<DWORD>{0x000000, 0x7F7F7F, 0xFFFFFF}));
    LBitmap narrow;
    ASSERT_EQ(narrow.Create(2, 1, 8), SUCCESS);
    narrow.GetPixels()[0] = 10;
    narrow.GetPixels()[1] = 20;
    EXPECT_EQ(narrow.GetRendition(), (std::vector<DWORD>{0x0A0A0A, 0x141414}));
}

TEST(Bitmap, CombineReplacesWithinBothBitmaps)
{
    LBitmap target, source;
    Make16(target, 4, 3, std::vector<int>(12, 0));
    Make16(source, 3, 2, {1, 2, 3, 4, 5, 6});
    ASSERT_EQ(target.Combine(2, 1, 4, 3, source, 0, 0, CB_OP_REPLACE), SUCCESS);
    EXPECT_EQ(Values16(target), (std::vector<int>{0, 0, 0, 0, 0, 0, 1, 2, 0, 0, 4, 5}));
    // A negative target column starts inside the source.
    target.Fill(0);
    ASSERT_EQ(target.Combine(-1, 0, 4, 3, source, 0, 0, CB_OP_REPLACE), SUCCESS);
    EXPECT_EQ(Values16(target), (std::vector<int>{2, 3, 0, 0, 5, 6, 0, 0, 0, 0, 0, 0}));
    ASSERT_EQ(target.Combine(0, 0, 4, 3, source, 1, 1, CB_OP_OR), SUCCESS);
    EXPECT_EQ(Values16(target), (std::vector<int>{7, 7, 0, 0, 5, 6, 0, 0, 0, 0, 0, 0}));
    LBitmap bytes;
    ASSERT_EQ(bytes.Create(4, 3, 8), SUCCESS);
    EXPECT_EQ(target.Combine(0, 0, 4, 3, bytes, 0, 0, CB_OP_REPLACE), ERROR_INV_PARAMETER);
}

TEST(Bitmap, CopyRectResizeAndRanges)
{
    LBitmap source;
    Make16(source, 4, 2, {1, 2, 3, 4, 5, 6, 7, 8});
    std::vector<RGBQUAD> table(0x10000, RGBQUAD{1, 2, 3, 0});
    source.WindowLevel(0, 15, table.data(), 0x10000, 1);
    LBitmap part;
    // Past the right edge: the requested size, zeros beyond the source, window kept.
    ASSERT_EQ(part.CopyRect(source, 2, 0, 4, 2), SUCCESS);
    EXPECT_EQ(part.GetWidth(), 4);
    EXPECT_EQ(Values16(part), (std::vector<int>{3, 4, 0, 0, 7, 8, 0, 0}));
    EXPECT_TRUE(part.HasWindow());
    EXPECT_EQ(part.GetRendition()[0], 0x030201u);
    EXPECT_EQ(part.CopyRect(source, 0, 1, 4, 0), ERROR_INV_PARAMETER);
    EXPECT_EQ(part.CopyRect(source, 4, 0, 2, 2), ERROR_INV_PARAMETER);

    ASSERT_EQ(source.Resize(8, 1), SUCCESS);
    EXPECT_EQ(Values16(source), (std::vector<int>{1, 1, 2, 2, 3, 3, 4, 4}));

    LBitmap bits;
    Make16(bits, 2, 1, {0x0010, 0x0800}, TRUE);
    int low = -1, high = -1;
    ASSERT_EQ(bits.GetMinMaxBits(&low, &high), SUCCESS);
    EXPECT_EQ(low, 4);
    EXPECT_EQ(high, 11);
    Make16(bits, 3, 1, {-5, 300, -32768}, TRUE);
    ASSERT_EQ(bits.GetMinMaxVal(&low, &high), SUCCESS);
    EXPECT_EQ(low, -32768);
    EXPECT_EQ(high, 300);
    LBitmap empty;
    EXPECT_EQ(empty.GetMinMaxVal(&low, &high), ERROR_NO_BITMAP);
}

// The one-pass bit and value range gives exactly what the two separate passes give.
TEST(Bitmap, BitsAndValuesInOnePassEqualTheSeparateRanges)
{
    struct RangeCase {
        int bitsPerPixel;
        BOOL isSigned;
        std::vector<std::uint32_t> words;
        int lowBit, highBit, minValue, maxValue;
    };
    const RangeCase cases[] = {
        {16, FALSE, {0x0010, 0x0800, 0x0100}, 4, 11, 0x0010, 0x0800},
        {16, TRUE, {0xFFFB, 0x012C, 0x8000}, 0, 15, -32768, 300},
        {8, FALSE, {0x04, 0x80, 0x0C}, 2, 7, 4, 128},
        {8, TRUE, {0xFF, 0x7F, 0x02}, 0, 7, -1, 127},
        {32, FALSE, {0x00010000, 0x80000000}, 16, 31, 65536, INT_MAX},  // clamped to int
        {32, TRUE, {0xFFFFFFF0, 0x00000100}, 4, 31, -16, 256},
    };
    for (const RangeCase& c : cases) {
        LBitmap bitmap;
        ASSERT_EQ(bitmap.Create(int(c.words.size()), 1, c.bitsPerPixel, c.isSigned), SUCCESS);
        const size_t bytes = size_t(c.bitsPerPixel / 8);
        for (size_t i = 0; i < c.words.size(); ++i)
            std::memcpy(bitmap.GetPixels() + bytes * i, &c.words[i], bytes);  // little-endian host
        int got[4] = {-1, -1, -1, -1};
        int separate[4] = {-2, -2, -2, -2};
        ASSERT_EQ(bitmap.GetMinMaxBitsAndVal(&got[0], &got[1], &got[2], &got[3]), SUCCESS);
        ASSERT_EQ(bitmap.GetMinMaxBits(&separate[0], &separate[1]), SUCCESS);
        ASSERT_EQ(bitmap.GetMinMaxVal(&separate[2], &separate[3]), SUCCESS);
        const std::vector<int> expected = {c.lowBit, c.highBit, c.minValue, c.maxValue};
        EXPECT_EQ(std::vector<int>(got, got + 4), expected) << c.bitsPerPixel << " signed " << c.isSigned;
        EXPECT_EQ(std::vector<int>(separate, separate + 4), expected) << c.bitsPerPixel << " signed " << c.isSigned;
    }
    LBitmap empty;
    int value = 0;
    EXPECT_EQ(empty.GetMinMaxBitsAndVal(&value, &value, &value, &value), ERROR_NO_BITMAP);
}

TEST(Bitmap, CopiesAndBandsShareRowsUntilOneOfThemChanges)
{
    LBitmap source;
    Make16(source, 2, 3, {1, 2, 3, 4, 5, 6});
    const LBitmap& constSource = source;
    LBitmap copy, band, shifted;
    ASSERT_EQ(copy.Copy(source), SUCCESS);
    ASSERT_EQ(band.CopyRect(source, 0, 1, 2, 2), SUCCESS);
    EXPECT_EQ(static_cast<const LBitmap&>(copy).GetPixels(), constSource.GetPixels());  // no pixel copy
    EXPECT_EQ(static_cast<const LBitmap&>(band).GetPixels(), constSource.GetPixels() + 4);
    EXPECT_EQ(Values16(band), (std::vector<int>{3, 4, 5, 6}));

    // Every way of writing gives the writer rows of its own.
    ASSERT_EQ(copy.Fill(9), SUCCESS);
    ASSERT_EQ(band.Combine(1, 0, 1, 1, source, 0, 0, CB_OP_REPLACE), SUCCESS);
    std::uint16_t seven = 7;
    std::memcpy(source.GetPixels(), &seven, 2);
    EXPECT_EQ(Values16(copy), (std::vector<int>{9, 9, 9, 9, 9, 9}));
    EXPECT_EQ(Values16(band), (std::vector<int>{3, 1, 5, 6}));
    EXPECT_EQ(Values16(source), (std::vector<int>{7, 2, 3, 4, 5, 6}));

    // A band that reaches past the rows, or starts inside a row, is a copy of its own.
    ASSERT_EQ(shifted.CopyRect(source, 0, 2, 2, 2), SUCCESS);
    EXPECT_EQ(Values16(shifted), (std::vector<int>{5, 6, 0, 0}));
    ASSERT_EQ(band.CopyRect(band, 0, 0, 2, 1), SUCCESS);  // a band of itself
    EXPECT_EQ(Values16(band), (std::vector<int>{3, 1}));
    ASSERT_EQ(source.Combine(0, 1, 2, 2, source, 0, 0, CB_OP_REPLACE), SUCCESS);  // itself, overlapping
    EXPECT_EQ(Values16(source), (std::vector<int>{7, 2, 7, 2, 3, 4}));
}

TEST(Bitmap, TakePixelsHandsOverTheBlockOrACopyWhenShared)
{
    const auto words = [](const platform::PixelBuffer& bytes) {
        std::vector<int> values(bytes.size() / 2);
        for (size_t i = 0; i < values.size(); ++i) {
            std::uint16_t v;
            std::memcpy(&v, bytes.data() + 2 * i, 2);
            values[i] = v;
        }
        return values;
    };
    LBitmap alone;
    Make16(alone, 2, 3, {1, 2, 3, 4, 5, 6});
    const BYTE* block = static_cast<const LBitmap&>(alone).GetPixels();
    const platform::PixelBuffer taken = alone.TakePixels();
    EXPECT_EQ(taken.data(), block);  // moved, not copied
    EXPECT_EQ(words(taken), (std::vector<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_FALSE(alone.IsAllocated());

    LBitmap source, copy, band;
    Make16(source, 2, 3, {1, 2, 3, 4, 5, 6});
    ASSERT_EQ(copy.Copy(source), SUCCESS);
    ASSERT_EQ(band.CopyRect(source, 0, 1, 2, 1), SUCCESS);
    const platform::PixelBuffer fromCopy = copy.TakePixels();
    EXPECT_NE(fromCopy.data(), static_cast<const LBitmap&>(source).GetPixels());  // shared: a copy
    EXPECT_EQ(words(fromCopy), (std::vector<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(words(band.TakePixels()), (std::vector<int>{3, 4}));  // a band is a part: a copy
    EXPECT_EQ(Values16(source), (std::vector<int>{1, 2, 3, 4, 5, 6}));  // the others keep theirs
    EXPECT_TRUE(LBitmap().TakePixels().empty());
}

TEST(Bitmap, ListsHoldDeepCopies)
{
    LBitmap a, b;
    Make16(a, 1, 1, {11});
    Make16(b, 1, 1, {22});
    LBitmapList list, copy;
    ASSERT_EQ(list.InsertItem(a), SUCCESS);
    ASSERT_EQ(list.InsertItem(b), SUCCESS);
    a.Fill(99);
    ASSERT_EQ(copy.CopyItems(list, 0, ULONG(-1)), SUCCESS);
    list.Clear();
    EXPECT_EQ(copy.GetItemsCount(), 2u);
    LBitmap out;
    ASSERT_EQ(copy.GetItem(0, out), SUCCESS);
    EXPECT_EQ(Values16(out), (std::vector<int>{11}));
    EXPECT_EQ(copy.GetItem(2, out), ERROR_INV_PARAMETER);
}

TEST(Bitmap, SavesItsRenditionAsPng)
{
    LBitmap bitmap;
    Make16(bitmap, 3, 2, {0, 1, 2, 3, 4, 5});
    const fs::path path = testfiles::FreshDir("bitmap_png") / "out.png";
    ASSERT_EQ(bitmap.Save(path.c_str(), 6, 8, 0, 0), SUCCESS);
    EXPECT_GT(fs::file_size(path), 0u);
    EXPECT_EQ(bitmap.Save(path.c_str(), 3, 8, 0, 0), ERROR_FEATURE_NOT_SUPPORTED);
}

TEST(Bitmap, ReducedWindowedGreyPaintsTheRenditionsNearestPixels)
{
    // A table that tells every index apart: blue = low byte, green = high byte.
    std::vector<RGBQUAD> table(0x10000);
    for (size_t i = 0; i < table.size(); ++i)
        table[i] = RGBQUAD{BYTE(i & 0xFF), BYTE(i >> 8), 9, 0};
    struct Case {
        int bits;
        BOOL isSigned;
        std::vector<std::uint32_t> values;
    };
    const std::vector<std::uint32_t> grid{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23};
    std::vector<std::uint32_t> signed16(grid.size()), wide(grid.size());
    for (size_t i = 0; i < grid.size(); ++i) {
        signed16[i] = std::uint16_t(std::int16_t(i * 2731 - 30000));  // negative and positive
        wide[i] = i % 3 == 0 ? 0xFFFFFFF0u : std::uint32_t(i * 4000);  // beyond the table both ways
    }
    for (const Case& c : {Case{8, FALSE, grid}, Case{16, TRUE, signed16}, Case{16, FALSE, signed16},
                          Case{32, TRUE, wide}, Case{32, FALSE, wide}}) {
        LBitmap bitmap;
        ASSERT_EQ(bitmap.Create(6, 4, c.bits, c.isSigned), SUCCESS);
        const size_t bytes = size_t(c.bits / 8);
        for (size_t i = 0; i < c.values.size(); ++i)
            std::memcpy(bitmap.GetPixels() + i * bytes, &c.values[i], bytes);
        ASSERT_EQ(bitmap.WindowLevel(0, c.bits - 1, table.data(), ULONG(table.size()), 0), SUCCESS);
        bitmap.SetSrcRect({0, 0, 6, 4});
        bitmap.SetDstRect({0, 0, 3, 2});
        bitmap.SetClipDstRect({0, 0, 3, 2});
        CSurface surface(3, 2);
        CDC dc(&surface);
        LDraw draw(bitmap);
        draw.SetDC(dc.GetSafeHdc());
        ASSERT_EQ(draw.Paint(SRCCOPY), SUCCESS);
        const std::vector<DWORD>& rendition = bitmap.GetRendition();
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x) {
                const DWORD rgb = rendition[size_t(2 * y + 1) * 6 + size_t(2 * x + 1)];
                EXPECT_EQ(surface.GetPixel(x, y), RGB(rgb >> 16, (rgb >> 8) & 0xFF, rgb & 0xFF))
                    << c.bits << " bits, signed " << c.isSigned << ", pixel " << x << "," << y;
            }
    }
}

TEST(Bitmap, PaintsTheSourceRectStretchedAndClipped)
{
    LBitmap bitmap;
    ASSERT_EQ(bitmap.Create(2, 2, 24), SUCCESS);
    const BYTE bgr[] = {0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255};  // red green / blue white
    std::memcpy(bitmap.GetPixels(), bgr, sizeof bgr);
    bitmap.SetSrcRect({0, 0, 2, 2});
    bitmap.SetDstRect({10, 10, 14, 14});
    bitmap.SetClipDstRect({10, 10, 13, 14});

    CSurface surface(20, 20);
    CDC dc(&surface);
    RECT before{}, after{};
    dc.GetClipBox(&before);
    LDraw draw(bitmap);
    draw.SetDC(dc.GetSafeHdc());
    ASSERT_EQ(draw.Paint(SRCCOPY), SUCCESS);
    dc.GetClipBox(&after);
    EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0);
    EXPECT_EQ(surface.GetPixel(10, 10), RGB(255, 0, 0));
    EXPECT_EQ(surface.GetPixel(11, 11), RGB(255, 0, 0));
    EXPECT_EQ(surface.GetPixel(12, 10), RGB(0, 255, 0));
    EXPECT_EQ(surface.GetPixel(13, 10), RGB(255, 255, 255));  // clipped: the surface's white
    EXPECT_EQ(surface.GetPixel(10, 12), RGB(0, 0, 255));
    EXPECT_EQ(surface.GetPixel(9, 9), RGB(255, 255, 255));

    LDraw unbound(bitmap);
    EXPECT_EQ(unbound.Paint(SRCCOPY), ERROR_INV_PARAMETER);
}
