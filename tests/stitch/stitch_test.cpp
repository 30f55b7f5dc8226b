// The stitching model without a window: loading, every command with its clamping and
// what it reports as changed, selection, reorder, the trim rule, crop, and saves with
// their typed outcome.
#include "stitch/CStitchModel.h"

#include "image/CBaseImageData.h"
#include "imaging/LBitmap.h"
#include "imaging/LDicomDS.h"
#include "stitch/StitchMessages.h"
#include "stitch/StitchParallel.h"
#include "stitch/StitchTrim.h"
#include "tests/support/DicomFactory.h"
#include "tests/support/OverlapStudy.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr EChange kLayoutAndCrop = EChange::Layout | EChange::Crop;

class StitchModelTest : public testing::Test {
protected:
    void SetUp() override
    {
        dir = testfiles::FreshDir(std::string("stitch_") + testing::UnitTest::GetInstance()->current_test_info()->name());
    }
    // 8-bit image: rows before `top` and from `bottom` are uniform, the rows between vary.
    fs::path Banded(const std::string& name, int rows, int columns, int top, int bottom, int bits = 8)
    {
        const fs::path path = dir / name;
        const auto image = testfiles::MakeGrey(rows, columns, bits, [=](int r, int c) {
            return (r < top || r >= bottom) ? 200 : (c * 7 + r) % 97;
        });
        EXPECT_EQ(testfiles::WriteSynthetic(image, path), "");
        return path;
    }
    void Load(const std::vector<fs::path>& paths)
    {
        std::vector<std::string> files;
        for (const fs::path& p : paths)
            files.push_back(p.string());
        ASSERT_TRUE(model.LoadFiles(files).Ok());
    }
    std::string Order() const
    {
        std::string names;
        for (int i = 0; i < model.GetCount(); ++i)
            names += fs::path(model.GetFileName(i)).stem().string();
        return names;
    }
    static int Rows(const fs::path& file)
    {
        LDicomDS ds(nullptr);
        if (ds.LoadDS(file.c_str(), 0) != DICOM_SUCCESS)
            return -1;
        const short* rows = ds.GetShortValue(ds.FindFirstElement(nullptr, 0x00280010, FALSE), 0, 1);
        return rows ? *rows : -1;
    }

    fs::path dir;
    CStitchModel model;
};

}  // namespace

TEST(StitchTrim, RowDeviationAndEdgeSearch)
{
    const int values[] = {2, 4, 4, 4, 5, 5, 7, 9};
    EXPECT_DOUBLE_EQ(CStitchTrim::RowDeviation(values, 8), 2.0);
    EXPECT_DOUBLE_EQ(CStitchTrim::RowDeviation(values, 0), 0.0);

    std::vector<unsigned char> band(400 * 10, 50);  // rows 0..49 uniform, then one varying pattern
    for (int r = 50; r < 400; ++r)
        for (int c = 0; c < 10; ++c)
            band[static_cast<size_t>(r * 10 + c)] = static_cast<unsigned char>(c * 10);
    std::vector<unsigned char> uniform(400 * 10, 9);
    const unsigned char pixel24[] = {10, 20, 31, 10, 20, 31};  // two samples of 20: one uniform row
    // Row 0 holds 32767 and 32768: a spread of 0.5 when unsigned, but 32767.5 when the
    // words are read signed (-32768 and 32767); row 1 holds 0 and 1000, a spread of 500.
    const unsigned char words[] = {0xFF, 0x7F, 0x00, 0x80, 0x00, 0x00, 0xE8, 0x03};
    const struct {
        const unsigned char* samples;
        int width, rows, bits, direction, edge;
        bool isSigned = false;
    } cases[] = {
        {band.data(), 10, 400, 8, CStitchTrim::Top, 50},
        {band.data(), 10, 400, 8, CStitchTrim::Bottom, 2},  // found 399: 400 - 399 + 1
        {uniform.data(), 10, 400, 8, CStitchTrim::Top, -1},
        {band.data(), 10, 100, 32, CStitchTrim::Top, -1},  // other depths count as 0
        {pixel24, 2, 1, 24, CStitchTrim::Top, -1},
        {words, 2, 2, 16, CStitchTrim::Top, 1},
        {words, 2, 2, 16, CStitchTrim::Top, 0, true},
        {band.data(), 0, 400, 8, CStitchTrim::Top, -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CStitchTrim::FindContentEdge(c.samples, c.width, c.rows, c.bits, c.direction, c.isSigned), c.edge)
            << c.width << "x" << c.rows << "x" << c.bits << " direction " << c.direction;
}

TEST_F(StitchModelTest, CommandsClampAndReportWhatChanged)
{
    Load({Banded("a.dcm", 60, 100, 0, 60)});
    EXPECT_EQ(model.GetRect(0), CRect(0, 0, 100, 60));
    EXPECT_EQ(model.MoveLeft(5), EChange::None);  // nothing selected
    EXPECT_EQ(model.Select(0), EChange::Selection);
    EXPECT_EQ(model.Select(0), EChange::None);
    ASSERT_EQ(model.SetCrop(CRect(0, 0, 10, 10)), EChange::Crop);

    using Command = EChange (CStitchModel::*)(int);
    const struct {
        Command command;
        int n;
        CRect rect;
        EChange change;
    } steps[] = {
        {&CStitchModel::MoveLeft, 5, CRect(5, 0, 100, 60), kLayoutAndCrop},  // drops the crop
        {&CStitchModel::MoveLeft, 10, CRect(15, 0, 100, 60), EChange::Layout},
        {&CStitchModel::MoveLeft, 85, CRect(98, 0, 100, 60), EChange::Layout},  // width - 2
        {&CStitchModel::MoveRight, 500, CRect(-98, 0, 100, 60), EChange::Layout},  // 2 - width
        {&CStitchModel::MoveRight, -98, CRect(0, 0, 100, 60), EChange::Layout},
        {&CStitchModel::MoveDown, 5, CRect(0, 0, 100, 60), EChange::None},  // top stays at 0
        {&CStitchModel::SizeIncrease, 10, CRect(0, 0, 100, 60), EChange::None},  // capped at the height
        {&CStitchModel::SizeDecrease, 100, CRect(0, 0, 100, 10), EChange::Layout},  // not below row 10
        {&CStitchModel::MoveUp, 500, CRect(0, 9, 100, 10), EChange::Layout},  // keeps the last row
        {&CStitchModel::SizeDecrease, 5, CRect(0, 9, 100, 10), EChange::None},  // never at or above top
        {&CStitchModel::MoveDown, 4, CRect(0, 5, 100, 10), EChange::Layout},
        {&CStitchModel::SizeIncrease, 30, CRect(0, 5, 100, 40), EChange::Layout},
    };
    for (size_t i = 0; i < std::size(steps); ++i) {
        EXPECT_EQ((model.*steps[i].command)(steps[i].n), steps[i].change) << "step " << i;
        EXPECT_EQ(model.GetRect(0), steps[i].rect) << "step " << i;
    }
    EXPECT_EQ(model.Reset(), EChange::Layout);
    EXPECT_EQ(model.GetRect(0), CRect(0, 0, 100, 60));
    EXPECT_EQ(model.Reset(), EChange::None);
}

TEST_F(StitchModelTest, SetRectClampsAsTheCommandsDo)
{
    Load({Banded("a.dcm", 60, 100, 0, 60)});
    const struct {
        int left, top, bottom;
        CRect rect;
    } cases[] = {
        {3, 10, 50, CRect(3, 10, 100, 50)},    {-7, -5, 500, CRect(-7, 0, 100, 60)},
        {0, 40, 20, CRect(0, 19, 100, 20)},    {0, 0, 0, CRect(0, 0, 100, 1)},
        {100, 0, 60, CRect(98, 0, 100, 60)},   {-100, 0, 60, CRect(-98, 0, 100, 60)},
    };
    for (const auto& c : cases) {
        model.SetRect(0, c.left, c.top, c.bottom);
        EXPECT_EQ(model.GetRect(0), c.rect) << c.left << "," << c.top << "," << c.bottom;
    }
    EXPECT_EQ(model.SetRect(1, 0, 0, 10), EChange::None);  // no such piece
}

TEST_F(StitchModelTest, TabWrapsFromEveryStart)
{
    EXPECT_EQ(model.SelectNext(), EChange::Selection);  // no piece at all: 0
    EXPECT_EQ(model.GetSelected(), 0);
    EXPECT_FALSE(model.HasSelection());
    model.Select(-1);
    model.SelectPrevious();
    EXPECT_EQ(model.GetSelected(), -1);

    Load({Banded("a.dcm", 20, 10, 0, 20), Banded("b.dcm", 20, 10, 0, 20), Banded("c.dcm", 20, 10, 0, 20)});
    const int next[] = {0, 1, 2, 0};      // from -1, 0, 1, 2
    const int previous[] = {2, 2, 0, 1};  // -2 wraps to the last piece
    for (int start = -1; start < 3; ++start) {
        model.Select(start);
        model.SelectNext();
        EXPECT_EQ(model.GetSelected(), next[start + 1]) << start;
        model.Select(start);
        model.SelectPrevious();
        EXPECT_EQ(model.GetSelected(), previous[start + 1]) << start;
    }
}

TEST_F(StitchModelTest, ReorderSwapsNeighboursAndResetsEveryRectangle)
{
    Load({Banded("a.dcm", 40, 30, 0, 40), Banded("b.dcm", 50, 30, 0, 50), Banded("c.dcm", 60, 30, 0, 60)});
    model.Select(1);
    model.MoveLeft(3);
    model.Select(2);
    model.SizeDecrease(20);
    model.Select(1);
    const EChange changed = model.MoveUpSequence();
    EXPECT_TRUE(HasChange(changed, EChange::Order));
    EXPECT_TRUE(HasChange(changed, EChange::Layout));
    EXPECT_EQ(Order(), "bac");
    EXPECT_EQ(model.GetSelected(), 1);  // now designates a
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(model.GetRect(i), CRect(0, 0, 30, model.GetImage(i)->GetHeight())) << i;
    model.MoveDownSequence();
    EXPECT_EQ(Order(), "bca");
    model.Select(0);
    EXPECT_EQ(model.MoveUpSequence(), EChange::None);
    model.Select(2);
    EXPECT_EQ(model.MoveDownSequence(), EChange::None);
    EXPECT_EQ(Order(), "bca");
}

TEST_F(StitchModelTest, AutomaticTrimCutsFeaturelessBandsAndUndoesShifts)
{
    Load({Banded("tall.dcm", 1000, 64, 50, 900), Banded("short.dcm", 120, 64, 20, 100),
          Banded("flat.dcm", 500, 64, 500, 500), Banded("deep.dcm", 1000, 64, 30, 990, 16)});
    model.Select(2);
    model.MoveLeft(7);
    model.SizeDecrease(100);
    model.SetCrop(CRect(0, 0, 5, 5));
    EXPECT_EQ(model.AutoTrim(), kLayoutAndCrop);
    EXPECT_EQ(model.GetRect(0), CRect(0, 50, 64, 898));  // last detailed row 899: two rows cut
    EXPECT_EQ(model.GetRect(1), CRect(0, 20, 64, 98));   // examined over its 120 rows
    EXPECT_EQ(model.GetRect(2), CRect(0, 0, 64, 400));   // no edge: the band stays, the shift goes
    EXPECT_EQ(model.GetRect(3), CRect(0, 30, 64, 988));
    EXPECT_EQ(model.AutoTrim(), EChange::None);  // a second pass finds the same edges
}

// Unsigned 16-bit samples of 32768 and more are bright, not negative: bright anatomy
// (rows 200 to 797) must not outweigh the darker detail above and below it.
TEST_F(StitchModelTest, AutomaticTrimReadsUnsignedWordsAsUnsigned)
{
    testfiles::SyntheticImage image = testfiles::MakeGrey(1000, 64, 16, [](int r, int c) {
        if (r < 100 || r >= 900)
            return 40000;
        const int base = r >= 200 && r < 798 ? 32000 : 20000;
        return base + ((c * 7 + r) % 97) * 50;
    });
    image.bitsStored = 16;
    const fs::path path = dir / "bright.dcm";
    ASSERT_EQ(testfiles::WriteSynthetic(image, path), "");
    Load({path});
    model.AutoTrim();
    EXPECT_EQ(model.GetRect(0), CRect(0, 100, 64, 898));  // rows 100 to 897 kept
}

TEST_F(StitchModelTest, LoadFailuresCarryTheirReason)
{
    EXPECT_EQ(model.LoadFiles({}).failure, ELoadFailure::NoSources);
    const fs::path a = Banded("a.dcm", 20, 10, 0, 20);
    const fs::path text = dir / "text.dcm";
    std::ofstream(text) << "not a data set";
    const CStitchLoadResult missing = model.LoadFiles({a.string(), (dir / "gone.dcm").string(), a.string()});
    EXPECT_EQ(missing.failure, ELoadFailure::Unreadable);
    EXPECT_EQ(missing.failedIndex, 1);
    EXPECT_EQ(missing.detail, "the file '" + (dir / "gone.dcm").string() + "' does not exist");
    EXPECT_EQ(model.GetCount(), 1);  // the file read before the failure stays

    // Read on several threads, the first failure in order is the one reported.
    CStitchModel twoFailures;
    const CStitchLoadResult first =
        twoFailures.LoadFiles({a.string(), a.string(), text.string(), a.string(), (dir / "gone.dcm").string()});
    EXPECT_EQ(first.failedIndex, 2);
    EXPECT_EQ(first.detail, CStitchModel().LoadFiles({text.string()}).detail);
    EXPECT_EQ(twoFailures.GetCount(), 2);

    CStitchModel other;
    const CStitchLoadResult garbage = other.LoadFiles({text.string()});
    EXPECT_EQ(garbage.failure, ELoadFailure::Unreadable);
    EXPECT_EQ(garbage.failedIndex, 0);
    EXPECT_FALSE(garbage.detail.empty());
    EXPECT_EQ(stitchtext::LoadFailureReason(garbage), garbage.detail);
    EXPECT_EQ(stitchtext::LoadFailureReason(CStitchLoadResult{ELoadFailure::Unreadable, 0, ""}),
              "cannot decode the pixel data");
    EXPECT_EQ(other.LoadBitmaps(LBitmapList(), CArray<CPoint, CPoint>()).failure, ELoadFailure::NoSources);
}

TEST_F(StitchModelTest, SaveReportsGeometryAndEveryPiecesOutcome)
{
    const fs::path a = Banded("a.dcm", 40, 30, 0, 40);
    const fs::path b = Banded("b.dcm", 50, 30, 0, 50);
    const fs::path c = Banded("c.dcm", 40, 30, 0, 40);
    Load({a, b, c});
    model.Select(1);
    model.SizeDecrease(20);  // b keeps rows 0..29
    fs::remove(a);           // pieces 0 and 2 cannot be read again
    fs::remove(c);
    const fs::path out = dir / "out.dcm";
    const CStitchSaveResult saved = model.Save(b.c_str(), out.c_str());
    ASSERT_TRUE(saved.written);
    EXPECT_EQ(saved.path, out.string());
    EXPECT_EQ(saved.columns, 30);
    EXPECT_EQ(saved.rows, 30);
    EXPECT_EQ(Rows(out), 30);
    EXPECT_EQ(saved.pieceRows, (std::vector<int>{0, 30, 0}));
    ASSERT_EQ(saved.pieces.size(), 3u);
    EXPECT_EQ(saved.pieces[0].failure, EPieceFailure::Unreadable);
    EXPECT_FALSE(saved.pieces[0].used);
    EXPECT_TRUE(saved.pieces[1].used);
    EXPECT_EQ(saved.LeftOutCount(), 2);
    EXPECT_EQ(stitchtext::SaveFailureReason(saved), "");
}

TEST_F(StitchModelTest, CropInImagePixelsCanLeaveAPieceUnused)
{
    const fs::path a = Banded("a.dcm", 40, 30, 0, 40);
    const fs::path b = Banded("b.dcm", 50, 30, 0, 50);
    Load({a, b});
    EXPECT_EQ(model.SetCrop(CRect(5, 45, 25, 80)), EChange::Crop);
    const fs::path out = dir / "out.dcm";
    const CStitchSaveResult saved = model.Save("", out.c_str());
    ASSERT_TRUE(saved.written);
    EXPECT_EQ(saved.columns, 20);
    EXPECT_EQ(saved.rows, 35);
    EXPECT_EQ(saved.pieceRows, (std::vector<int>{40, 50}));
    EXPECT_FALSE(saved.pieces[0].used);  // cropped away, not a failure
    EXPECT_EQ(saved.pieces[0].failure, EPieceFailure::None);
    EXPECT_TRUE(saved.pieces[1].used);
    EXPECT_EQ(saved.LeftOutCount(), 0);
    EXPECT_EQ(model.ClearCrop(), EChange::Crop);
}

TEST_F(StitchModelTest, ASaveAfterReleasingTheFilePixelsWritesTheSameImage)
{
    const fs::path a = Banded("a.dcm", 40, 30, 4, 36, 16);
    const fs::path b = Banded("b.dcm", 50, 30, 6, 44, 16);
    Load({a, b});
    model.AutoTrim();
    const auto pixels = [](const fs::path& file) {
        CBaseImageData written;
        EXPECT_TRUE(written.Load(file.c_str()));
        std::vector<uint16_t> all(static_cast<size_t>(written.GetWidth()) * static_cast<size_t>(written.GetHeight()));
        written.GetRows(reinterpret_cast<BYTE*>(all.data()), 0, 0, written.GetWidth(), written.GetHeight());
        return all;
    };
    const fs::path before = dir / "before.dcm";
    const fs::path after = dir / "after.dcm";
    const CStitchSaveResult first = model.Save("", before.c_str());
    const CRect kept = model.GetRect(1);
    model.ReleaseFilePixels();
    const CStitchSaveResult second = model.Save("", after.c_str());
    ASSERT_TRUE(first.written);
    ASSERT_TRUE(second.written);
    EXPECT_EQ(second.rows, first.rows);
    EXPECT_EQ(second.pieceRows, first.pieceRows);
    EXPECT_EQ(pixels(after), pixels(before));
    EXPECT_EQ(model.GetRect(1), kept);  // the rectangles stay

    // Taking the rows from the decoded pieces writes the same and frees them as it goes.
    CStitchModel decoded;
    ASSERT_TRUE(decoded.LoadFiles({a.string(), b.string()}).Ok());
    decoded.AutoTrim();
    const fs::path taken = dir / "taken.dcm";
    const CStitchSaveResult third = decoded.SaveReleasingPixels("", taken.c_str());
    ASSERT_TRUE(third.written);
    EXPECT_EQ(third.pieceRows, first.pieceRows);
    EXPECT_EQ(pixels(taken), pixels(before));
    EXPECT_EQ(decoded.GetImage(0)->GetHeight(), 0);
    EXPECT_EQ(decoded.GetImage(1)->GetHeight(), 0);
    EXPECT_EQ(decoded.GetRect(1), kept);
}

TEST_F(StitchModelTest, RefusedSavesWriteNothingAndSayWhy)
{
    const fs::path eight = Banded("eight.dcm", 10, 8, 0, 10, 8);
    const fs::path sixteen = Banded("sixteen.dcm", 10, 8, 0, 10, 16);
    Load({eight, sixteen});
    const fs::path out = dir / "out.dcm";
    const CStitchSaveResult mixed = model.Save("", out.c_str());
    EXPECT_FALSE(mixed.written);
    EXPECT_EQ(mixed.failure, ESaveFailure::MixedDepths);
    EXPECT_EQ(mixed.path, "");
    EXPECT_TRUE(mixed.pieces[0].used == false && mixed.pieces[1].used == false);
    EXPECT_EQ(stitchtext::SaveFailureReason(mixed), "Cannot save: the images differ in bits per pixel.");
    EXPECT_FALSE(fs::exists(out));

    fs::remove(eight);
    fs::remove(sixteen);
    const CStitchSaveResult none = model.Save("", out.c_str());
    EXPECT_EQ(none.failure, ESaveFailure::NoImage);
    EXPECT_EQ(none.LeftOutCount(), 2);
}

namespace {

// A bitmap whose every sample holds `value`.
void AddBitmap(LBitmapList& list, int width, int height, int bits, int value)
{
    LBitmap bitmap;
    ASSERT_EQ(bitmap.Create(width, height, bits), SUCCESS);
    BYTE* pixels = bitmap.GetPixels();
    for (int i = 0; i < width * height; ++i) {
        if (bits == 8)
            pixels[i] = static_cast<BYTE>(value);
        else
            reinterpret_cast<uint16_t*>(pixels)[i] = static_cast<uint16_t>(value);
    }
    ASSERT_EQ(list.InsertItem(bitmap), SUCCESS);
}

}  // namespace

TEST_F(StitchModelTest, NarrowerBitmapsAreCentredInTheWidestWidth)
{
    const struct {
        std::vector<int> widths;
        int offset;  // where the narrow bitmaps' pixels start
    } cases[] = {{{100, 120, 100}, 10}, {{100, 101}, 0}, {{64, 64}, 0}};
    for (const auto& c : cases) {
        LBitmapList list;
        for (int width : c.widths)
            AddBitmap(list, width, 2, 8, 7);
        CStitchModel bitmaps;
        ASSERT_TRUE(bitmaps.LoadBitmaps(list, CArray<CPoint, CPoint>()).Ok());
        EXPECT_TRUE(bitmaps.IsBitmapSource());
        const int widest = *std::max_element(c.widths.begin(), c.widths.end());
        std::vector<BYTE> row(static_cast<size_t>(widest));
        bitmaps.GetImage(0)->GetRows(row.data(), 0, 0, widest, 1);
        const int narrow = c.widths[0];
        for (int x = 0; x < widest; ++x)
            EXPECT_EQ(row[static_cast<size_t>(x)], x >= c.offset && x < c.offset + narrow ? 7 : 0) << narrow << " at " << x;
        for (int i = 0; i < bitmaps.GetCount(); ++i)
            EXPECT_EQ(bitmaps.GetRect(i), CRect(0, 0, widest, 2)) << i;
    }
}

// The bands of a narrower bitmap are written with the output's black, also when the
// piece is shifted; the picture is never ORed over other values.
TEST_F(StitchModelTest, NarrowerBitmapBandsAreTheOutputsBlack)
{
    struct BandCase {
        const char* photometric;
        int shift;
        std::vector<int> row;
    };
    const BandCase cases[] = {
        {"MONOCHROME2", 0, {0, 1, 2, 4, 8, 16, 0, 0}},
        {"MONOCHROME2", -1, {0, 0, 1, 2, 4, 8, 16, 0}},
        {"MONOCHROME1", 0, {65535, 1, 2, 4, 8, 16, 65535, 65535}},
    };
    for (const BandCase& c : cases) {
        testfiles::SyntheticImage look = testfiles::MakeGrey(1, 8, 16, [](int, int) { return 3; });
        look.photometric = c.photometric;
        look.windowCenter = 3;  // shown through a window: black is the end of the sample type
        look.windowWidth = 10;
        const fs::path reference = dir / "reference.dcm";
        ASSERT_EQ(testfiles::WriteSynthetic(look, reference), "");
        LBitmapList list;
        LBitmap narrow;
        ASSERT_EQ(narrow.Create(5, 1, 16), SUCCESS);
        const uint16_t values[5] = {1, 2, 4, 8, 16};
        std::memcpy(narrow.GetPixels(), values, sizeof values);
        ASSERT_EQ(list.InsertItem(narrow), SUCCESS);
        AddBitmap(list, 8, 1, 16, 5);
        CStitchModel bitmaps;
        ASSERT_TRUE(bitmaps.LoadBitmaps(list, CArray<CPoint, CPoint>()).Ok());
        bitmaps.SetRect(0, c.shift, 0, 1);
        const fs::path out = dir / "out.dcm";
        ASSERT_TRUE(bitmaps.Save(reference.c_str(), out.c_str()).written) << c.photometric;
        LDicomDS ds(nullptr);
        ASSERT_EQ(ds.LoadDS(out.c_str(), 0), DICOM_SUCCESS);
        std::vector<uint16_t> written(16);
        ASSERT_TRUE(ds.GetBinaryValue(ds.FindFirstElement(nullptr, 0x7FE00010, FALSE), written.data(), 32));
        EXPECT_EQ(std::vector<int>(written.begin(), written.begin() + 8), c.row) << c.photometric << " " << c.shift;
        EXPECT_EQ(std::vector<int>(written.begin() + 8, written.end()), std::vector<int>(8, 5));
    }
}

// 16-bit pieces are brought onto one window (mean width 2500, largest centre 1500); the
// windows belong to positions, so after a reorder each piece takes its new position's.
TEST_F(StitchModelTest, BitmapWindowsStayWithTheirPositionsWhenReordered)
{
    const fs::path reference = Banded("reference.dcm", 4, 8, 0, 4, 16);
    LBitmapList list;
    AddBitmap(list, 8, 2, 16, 1000);  // A
    AddBitmap(list, 8, 3, 16, 1200);  // B
    CArray<CPoint, CPoint> windows;
    windows.Add(CPoint(2000, 1000));
    windows.Add(CPoint(3000, 1500));
    ASSERT_TRUE(model.LoadBitmaps(list, windows).Ok());
    const auto firstSamples = [&](const fs::path& file) {
        CBaseImageData written;
        EXPECT_TRUE(written.Load(file.c_str()));
        std::vector<uint16_t> column(static_cast<size_t>(written.GetHeight()));
        std::vector<uint16_t> row(8);
        for (int y = 0; y < written.GetHeight(); ++y) {
            written.GetRows(reinterpret_cast<BYTE*>(row.data()), 0, y, 8, 1);
            column[static_cast<size_t>(y)] = row[0];
        }
        return column;
    };
    const fs::path before = dir / "before.dcm";
    ASSERT_TRUE(model.Save(reference.c_str(), before.c_str()).written);
    EXPECT_EQ(firstSamples(before), (std::vector<uint16_t>{1500, 1500, 1250, 1250, 1250}));

    model.Select(0);
    model.MoveDownSequence();  // B, A: B under window (2000, 1000), A under (3000, 1500)
    const fs::path after = dir / "after.dcm";
    ASSERT_TRUE(model.Save(reference.c_str(), after.c_str()).written);
    EXPECT_EQ(firstSamples(after), (std::vector<uint16_t>{1750, 1750, 1750, 1084, 1084}));
}

TEST(StitchMessages, EveryCodeHasTheModulesWords)
{
    using Texts = std::vector<std::string>;
    EXPECT_EQ(stitchtext::PieceMessages(EPieceFailure::None, 1), Texts{});
    EXPECT_EQ(stitchtext::PieceMessages(EPieceFailure::Unreadable, 2), Texts{"Fail to stitching image: 2"});
    EXPECT_EQ(stitchtext::PieceMessages(EPieceFailure::NoMemory, 0),
              (Texts{"Fail to initialize stitching dicom", "Fail to stitching image: 0"}));
    EXPECT_EQ(stitchtext::PieceMessages(EPieceFailure::PixelDataUnreadable, 3),
              (Texts{"Fail to get binary image data", "Fail to stitching image: 3"}));
    EXPECT_EQ(stitchtext::PieceMessages(EPieceFailure::BitmapRowsUnreadable, 1),
              (Texts{"Fail to get image pixel data.", "Fail to stitching image: 1"}));

    CStitchSaveResult failed;
    const struct {
        ESaveFailure failure;
        bool shown;
        const char* reason;
    } cases[] = {
        {ESaveFailure::NoImage, true, "Cannot save: no image could be stitched."},
        {ESaveFailure::NoRows, true, "Cannot save: the stitched image has no rows."},
        {ESaveFailure::TooLarge, true, "Cannot save: the stitched image is larger than 65535 x 65535 pixels."},
        {ESaveFailure::TooManyBytes, true, "Cannot save: the stitched image is larger than 4 GB."},
        {ESaveFailure::DepthMismatch, true,
         "Cannot save: the stitched pixels do not match the template's bits allocated."},
        {ESaveFailure::NoMemory, false, "Fail to allocate memory"},
        {ESaveFailure::WriteFailed, false, "Fail to write the file: disk full"},
    };
    failed.detail = "Fail to write the file: disk full";
    for (const auto& c : cases) {
        failed.failure = c.failure;
        EXPECT_EQ(stitchtext::RefusalText(c.failure) != nullptr, c.shown) << c.reason;
        EXPECT_EQ(stitchtext::SaveFailureReason(failed), c.reason);
    }
}

namespace {

// A generated study written as DICOM files of one representation: stored values derived
// from the display values, so the model's own conversion is what is under test.
struct Representation {
    const char* name;
    int bits;
    int pixelRepresentation;
    const char* photometric;
};

int StoredValue(const Representation& kind, float display)
{
    const double v = std::clamp(static_cast<double>(display), 0.0, 2.0);
    if (kind.bits == 8)
        return static_cast<int>(v * 120.0);
    const int value = static_cast<int>(v * 2000.0);
    if (std::string(kind.photometric) == "MONOCHROME1")
        return 4095 - value;
    return kind.pixelRepresentation ? value - 2048 : value;
}

std::vector<fs::path> WriteStudy(const fs::path& dir, const overlapstudy::Study& study, const Representation& kind)
{
    std::vector<fs::path> paths;
    for (size_t i = 0; i < study.planes.size(); ++i) {
        const CRegPlane& plane = study.planes[i];
        auto image = testfiles::MakeGrey(plane.height, plane.width, kind.bits, [&](int r, int c) {
            return StoredValue(kind, plane.Row(r)[c]);
        });
        image.pixelRepresentation = kind.pixelRepresentation;
        image.photometric = kind.photometric;
        image.sopInstanceUID += "." + std::to_string(i + 1);
        paths.push_back(dir / ("piece-" + std::to_string(i + 1) + ".dcm"));
        EXPECT_EQ(testfiles::WriteSynthetic(image, paths.back()), "");
    }
    return paths;
}

std::vector<BYTE> StoredRows(CBaseImageData& image, int top, int rows)
{
    const size_t bytes = static_cast<size_t>(image.GetWidth()) * static_cast<size_t>(image.m_bitmap.GetBitsPerPixel() / 8);
    std::vector<BYTE> out(bytes * static_cast<size_t>(std::max(rows, 0)));
    image.GetRows(out.data(), 0, top, image.GetWidth(), rows);
    return out;
}

}  // namespace

TEST_F(StitchModelTest, AlignPlacesEveryRepresentationAndWritesTheReportedRectangles)
{
    const Representation kinds[] = {
        {"unsigned 16", 16, 0, "MONOCHROME2"},
        {"signed 16", 16, 1, "MONOCHROME2"},
        {"8-bit", 8, 0, "MONOCHROME2"},
        {"inverted", 16, 0, "MONOCHROME1"},
    };
    for (const Representation& kind : kinds) {
        SCOPED_TRACE(kind.name);
        const overlapstudy::Study study = overlapstudy::Make({.seed = 11, .pieces = 3, .rows = 400, .columns = 320, .noise = 0.004});
        CStitchModel aligned;
        std::vector<std::string> files;
        fs::create_directories(dir / kind.name);
        for (const fs::path& p : WriteStudy(dir / kind.name, study, kind))
            files.push_back(p.string());
        ASSERT_TRUE(aligned.LoadFiles(files).Ok());
        EXPECT_EQ(aligned.Align(), EChange::Layout);
        ASSERT_EQ(aligned.GetJunctions().size(), 2u);
        int left = 0;
        for (size_t j = 0; j < 2; ++j) {
            const CJunction& junction = aligned.GetJunctions()[j];
            ASSERT_TRUE(junction.aligned) << "junction " << j << ": " << JunctionReasonText(junction.reason);
            EXPECT_LE(std::abs(junction.offset - study.junctions[j].offset), 1);
            EXPECT_LE(std::abs(junction.dx - study.junctions[j].dx), 1);
            const CRect upper = aligned.GetRect(static_cast<int>(j));
            const CRect lower = aligned.GetRect(static_cast<int>(j + 1));
            // The lower piece starts with the row that follows the upper piece's last one.
            EXPECT_EQ(lower.top + junction.offset, upper.bottom);
            left -= junction.dx;
            EXPECT_EQ(lower.left, left);
        }
        EXPECT_EQ(aligned.AlignStatus(), "2 of 2 junctions aligned");

        // The written pixels: every piece's kept rows, shifted, one after another; every
        // sample a shift uncovers holds one fill value (the writer's black).
        const CStitchSaveResult saved = aligned.Save(nullptr, (dir / (std::string(kind.name) + "-out.dcm")).c_str());
        ASSERT_TRUE(saved.written) << stitchtext::SaveFailureReason(saved);
        CBaseImageData written;
        ASSERT_TRUE(written.Load(saved.path.c_str()));
        const size_t bytes = static_cast<size_t>(kind.bits / 8);
        const std::vector<BYTE> got = StoredRows(written, 0, written.GetHeight());
        std::vector<BYTE> fill;
        size_t at = 0;
        size_t mismatches = 0;
        for (int i = 0; i < aligned.GetCount(); ++i) {
            const CRect rc = aligned.GetRect(i);
            const std::vector<BYTE> rows = StoredRows(*aligned.GetImage(i), rc.top, rc.Height());
            const int width = aligned.GetImage(i)->GetWidth();
            for (int r = 0; r < rc.Height(); ++r)
                for (int x = 0; x < width; ++x, at += bytes) {
                    const int source = x + rc.left;
                    ASSERT_LE(at + bytes, got.size());
                    const std::vector<BYTE> sample(got.begin() + static_cast<std::ptrdiff_t>(at),
                                                   got.begin() + static_cast<std::ptrdiff_t>(at + bytes));
                    if (source < 0 || source >= width) {
                        if (fill.empty())
                            fill = sample;
                        mismatches += sample != fill;
                    } else {
                        const auto from = rows.begin() + static_cast<std::ptrdiff_t>((static_cast<size_t>(r) * width + source) * bytes);
                        mismatches += !std::equal(sample.begin(), sample.end(), from);
                    }
                }
        }
        EXPECT_EQ(at, got.size());
        EXPECT_EQ(mismatches, 0u);
        EXPECT_FALSE(fill.empty());  // the shifts uncovered some samples
        EXPECT_EQ(written.GetHeight(), saved.rows);
    }
}

TEST_F(StitchModelTest, EveryLayoutCommandUndoesAndRedoes)
{
    Load({Banded("a.dcm", 60, 100, 5, 50), Banded("b.dcm", 60, 100, 0, 60)});
    EXPECT_EQ(model.Undo(), EChange::None);
    model.Select(0);
    const CRect whole(0, 0, 100, 60);
    const struct {
        const char* name;
        EChange (*command)(CStitchModel&);
        CRect first;  // piece 0 after the command
    } steps[] = {
        {"move", [](CStitchModel& m) { return m.MoveLeft(4); }, CRect(4, 0, 100, 60)},
        {"size", [](CStitchModel& m) { return m.SizeDecrease(6); }, CRect(4, 0, 100, 54)},
        {"trim", [](CStitchModel& m) { return m.AutoTrim(); }, CRect(0, 5, 100, 48)},
        {"set", [](CStitchModel& m) { return m.SetRect(0, 1, 2, 30); }, CRect(1, 2, 100, 30)},
        {"reorder", [](CStitchModel& m) { return m.MoveDownSequence(); }, whole},
        {"reset", [](CStitchModel& m) { return m.Reset(); }, whole},
    };
    std::vector<std::string> orders{Order()};
    std::vector<CRect> firsts{model.GetRect(0)};
    for (const auto& step : steps) {
        step.command(model);
        EXPECT_EQ(model.GetRect(0), step.first) << step.name;
        orders.push_back(Order());
        firsts.push_back(model.GetRect(0));
    }
    EXPECT_EQ(orders.back(), "ba");
    // Reset after the reorder changed nothing: it left no step to undo.
    for (size_t i = std::size(steps) - 1; i-- > 0;) {
        EXPECT_NE(model.Undo(), EChange::None) << "undo to " << i;
        EXPECT_EQ(model.GetRect(0), firsts[i]) << "undo to " << i;
        EXPECT_EQ(Order(), orders[i]) << "undo to " << i;
    }
    EXPECT_FALSE(model.CanUndo());
    EXPECT_EQ(model.Redo(), EChange::Layout);
    EXPECT_EQ(model.GetRect(0), CRect(4, 0, 100, 60));
    model.MoveRight(1);  // a new command drops what could be redone
    EXPECT_FALSE(model.CanRedo());
    EXPECT_EQ(model.Redo(), EChange::None);
}

TEST(StitchParallel, EveryIndexRunsOnceAndTheFirstErrorComesBack)
{
    for (const size_t count : {size_t{0}, size_t{1}, size_t{2}, size_t{7}, size_t{100}}) {
        std::vector<std::atomic<int>> calls(count);
        stitchparallel::ForEachIndex(count, [&](size_t i) { ++calls[i]; });
        EXPECT_EQ(std::count_if(calls.begin(), calls.end(), [](const std::atomic<int>& n) { return n == 1; }),
                  static_cast<std::ptrdiff_t>(count));
    }
    EXPECT_THROW(stitchparallel::ForEachIndex(50,
                                              [](size_t i) {
                                                  if (i == 3)
                                                      throw std::runtime_error("piece 3");
                                              }),
                 std::runtime_error);
}
