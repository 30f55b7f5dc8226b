// Study input: how images found in folders are grouped into series, ordered and chosen,
// and how named files, folders and DICOMDIR files mix.
#include "stitch/StitchInput.h"

#include "imaging/DicomTags.h"
#include "imaging/LDicomDS.h"
#include "tests/support/DicomFactory.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

CFoundImage Found(const char* path, const char* series, std::optional<int> instance, std::optional<double> z = {},
                  std::optional<int> number = 1)
{
    CFoundImage image;
    image.path = path;
    image.seriesUid = series;
    image.seriesNumber = number;
    image.instanceNumber = instance;
    image.longAxis = z;
    return image;
}

// An image of series `series` with Instance Number `instance`.
void WriteImage(const fs::path& path, const char* series, int instance)
{
    fs::create_directories(path.parent_path());
    ASSERT_EQ(testfiles::WriteSynthetic(testfiles::MakeGrey(10, 8, 16, [](int r, int c) { return r + c; }), path), "");
    LDicomDS ds(nullptr);
    ASSERT_EQ(ds.LoadDS(path.c_str(), 0), DICOM_SUCCESS);
    const LONG number = instance;
    ds.SetLongValue(ds.InsertElement(nullptr, FALSE, TAG_INSTANCE_NUMBER, 0, FALSE, 0), &number, 1);
    pDICOMELEMENT uid = ds.FindFirstElement(nullptr, TAG_SERIES_INSTANCE_UID, FALSE);
    ds.SetStringValue(uid ? uid : ds.InsertElement(nullptr, FALSE, TAG_SERIES_INSTANCE_UID, 0, FALSE, 0), series, 1);
    ASSERT_EQ(ds.SaveDS(path.c_str(), 0), DICOM_SUCCESS);
}

// Replaces `from` by `to` (the same length, so that the records' offsets hold) in a file.
void Patch(const fs::path& path, const std::string& from, const std::string& to)
{
    std::ifstream in(path, std::ios::binary);
    std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    in.close();
    const size_t at = bytes.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    ASSERT_EQ(from.size(), to.size());
    bytes.replace(at, from.size(), to);
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string Joined(const std::vector<std::string>& files)
{
    std::string text;
    for (const std::string& file : files)
        text += (text.empty() ? "" : " ") + fs::path(file).filename().string();
    return text;
}

}  // namespace

TEST(StitchInput, OneSeriesIsOrderedByInstanceThenHeadFirst)
{
    const struct {
        const char* name;
        std::vector<CFoundImage> images;
        const char* order;
    } cases[] = {
        {"instance numbers", {Found("c", "1.1", 3), Found("a", "1.1", 1), Found("b", "1.1", 2)}, "a b c"},
        {"numbered first", {Found("x", "1.1", std::nullopt), Found("y", "1.1", 7)}, "y x"},
        {"same number: head first", {Found("low", "1.1", 1, -900.0), Found("high", "1.1", 1, -100.0)}, "high low"},
        {"no number, positions", {Found("p", "1.1", {}, 10.0), Found("q", "1.1", {}, 20.0), Found("r", "1.1", {})},
         "q p r"},
        {"nothing but paths", {Found("n2", "1.1", {}), Found("n1", "1.1", {})}, "n1 n2"},
    };
    for (const auto& c : cases) {
        const CStudyInput input = stitchinput::Arrange(c.images, "", false);
        EXPECT_TRUE(input.Ok()) << c.name << ": " << input.error;
        EXPECT_EQ(Joined(input.files), c.order) << c.name;
    }
}

TEST(StitchInput, SeveralSeriesAreListedAndOneIsChosenByPlaceOrUid)
{
    const std::vector<CFoundImage> images = {Found("b1", "2.2", 1, {}, 5), Found("a2", "1.1", 2, {}, 3),
                                             Found("a1", "1.1", 1, {}, 3), Found("c1", "3.3", 1, {}, std::nullopt)};
    const struct {
        const char* series;
        const char* files;
        const char* error;
    } cases[] = {
        {"", "",
         "the input holds 3 series; choose one with --series N or UID: 1: 1.1 (number 3, '', 2 images); "
         "2: 2.2 (number 5, '', 1 images); 3: 3.3 (number none, '', 1 images)"},
        {"1", "a1 a2", ""},
        {"2", "b1", ""},
        {"3.3", "c1", ""},
        {"4", "",
         "no series 4 in the input (1: 1.1 (number 3, '', 2 images); 2: 2.2 (number 5, '', 1 images); "
         "3: 3.3 (number none, '', 1 images))"},
    };
    for (const auto& c : cases) {
        const CStudyInput input = stitchinput::Arrange(images, c.series, false);
        EXPECT_EQ(input.error, c.error) << c.series;
        EXPECT_EQ(Joined(input.files), c.files) << c.series;
    }
    EXPECT_EQ(Joined(stitchinput::Arrange(images, "", true).files), "a1 a2 b1 c1");
}

TEST(StitchInput, FoldersAndDicomdirsMixWithNamedFiles)
{
    const fs::path dir = testfiles::FreshDir("input_folders");
    const fs::path study = dir / "study" / "nested";
    fs::create_directories(study);
    const auto write = [](const fs::path& path, int instance) {
        ASSERT_EQ(testfiles::WriteSynthetic(testfiles::MakeGrey(10, 8, 16, [](int r, int c) { return r + c; }), path),
                  "");
        LDicomDS ds(nullptr);
        ASSERT_EQ(ds.LoadDS(path.c_str(), 0), DICOM_SUCCESS);
        const LONG number = instance;
        ds.SetLongValue(ds.InsertElement(nullptr, FALSE, TAG_INSTANCE_NUMBER, 0, FALSE, 0), &number, 1);
        ASSERT_EQ(ds.SaveDS(path.c_str(), 0), DICOM_SUCCESS);
    };
    write(study / "z-first.dcm", 1);   // the path order is not the stitching order
    write(dir / "study" / "a-second.dcm", 2);
    std::ofstream(dir / "study" / "notes.txt") << "not an image\n";
    const fs::path named = dir / "named.dcm";
    write(named, 9);
    std::ofstream(dir / "study" / "DICOMDIR") << "directory\n";  // not a DICOMDIR: refused below

    const struct {
        std::vector<std::string> arguments;
        const char* files;
        int skipped;
    } cases[] = {
        {{(dir / "study").string()}, "z-first.dcm a-second.dcm", 1},
        {{named.string(), (dir / "study").string()}, "named.dcm z-first.dcm a-second.dcm", 1},
        {{(dir / "study").string(), named.string()}, "z-first.dcm a-second.dcm named.dcm", 1},
        {{named.string(), named.string()}, "named.dcm named.dcm", 0},  // named files as typed
    };
    for (const auto& c : cases) {
        const CStudyInput input = stitchinput::Resolve(c.arguments, "");
        EXPECT_TRUE(input.Ok()) << input.error;
        EXPECT_EQ(Joined(input.files), c.files);
        EXPECT_EQ(input.skipped, c.skipped);
    }
    const std::string damaged = (dir / "study" / "DICOMDIR").string();
    EXPECT_EQ(stitchinput::Resolve({damaged}, "").error.rfind("'" + damaged + "' is not a readable DICOMDIR", 0), 0u)
        << stitchinput::Resolve({damaged}, "").error;
    const fs::path empty = dir / "empty";
    fs::create_directories(empty);
    std::ofstream(empty / "readme") << "text\n";
    EXPECT_EQ(stitchinput::Resolve({empty.string()}, "").error, "no DICOM image in the folders given (1 other files)");
}

TEST(StitchInput, ADicomdirGivesTheImagesItsRecordsList)
{
    if (std::system("command -v dcmmkdir >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "dcmmkdir (dcmtk) missing";
    const fs::path dir = testfiles::FreshDir("input_dicomdir");
    const fs::path media = dir / "media";
    WriteImage(media / "IMAGES" / "IM1", "1.2.3.1", 2);
    WriteImage(media / "IMAGES" / "IM2", "1.2.3.1", 1);
    WriteImage(media / "IMAGES" / "IM3", "1.2.3.2", 1);
    ASSERT_EQ(std::system(("cd '" + media.string() + "' && dcmmkdir -q +I +r IMAGES").c_str()), 0);
    WriteImage(media / "IMAGES" / "EXTRA", "1.2.3.1", 3);  // in the folder, not in the DICOMDIR
    WriteImage(dir / "OUT" / "IM1", "1.2.3.1", 4);          // beside the media, never to be read
    fs::create_directory_symlink(dir / "OUT", media / "LINK");
    const std::string dicomDir = (media / "DICOMDIR").string();

    CStudyInput input = stitchinput::Resolve({dicomDir}, "1.2.3.1");
    EXPECT_EQ(input.error, "");
    EXPECT_EQ(Joined(input.files), "IM2 IM1");
    // Listed by the series records' numbers, which dcmmkdir invented (0 for 1.2.3.2, 1 for 1.2.3.1).
    EXPECT_EQ(Joined(stitchinput::Resolve({dicomDir}, "", true).files), "IM3 IM2 IM1");
    EXPECT_EQ(stitchinput::Resolve({dicomDir}, "").error.rfind("the input holds 2 series", 0), 0u);
    // Media copied with its names in lower case.
    fs::rename(media / "IMAGES", media / "images");
    EXPECT_EQ(Joined(stitchinput::Resolve({dicomDir}, "1.2.3.2").files), "IM3");
    fs::rename(media / "images", media / "IMAGES");

    const fs::path pristine = dir / "pristine";
    fs::copy_file(media / "DICOMDIR", pristine);
    const struct {
        const char* fileId;  // what IMAGES\IM1 becomes, of the same length
        const char* error;
    } cases[] = {
        {"..\\OUT\\IM1", "refers to '..\\OUT\\IM1', outside its folder"},
        {"/IMAGE\\IM1", "refers to '/IMAGE\\IM1', outside its folder"},
        {"LINK\\IM1  ", "refers to 'LINK\\IM1', outside its folder"},
        {"IMAGES\\.\\I", "refers to 'IMAGES\\.\\I', outside its folder"},
        {"IMAGES\\IM9", "refers to 'IMAGES\\IM9', which does not exist"},
        {"IMAGES\\\\IM", "refers to 'IMAGES\\\\IM', outside its folder"},
    };
    for (const auto& c : cases) {
        fs::copy_file(pristine, media / "DICOMDIR", fs::copy_options::overwrite_existing);
        Patch(media / "DICOMDIR", "IMAGES\\IM1", c.fileId);
        input = stitchinput::Resolve({dicomDir}, "", true);
        EXPECT_EQ(input.error, "'" + dicomDir + "' " + c.error) << c.fileId;
        EXPECT_TRUE(input.files.empty());
    }
}

TEST(StitchInput, PydicomsDicomdirIsReadByItsSeriesRecords)
{
    const fs::path dicomDir = testfiles::Pydicom("dicomdirtests/DICOMDIR");
    if (dicomDir.empty())
        GTEST_SKIP() << "python3-pydicom's DICOMDIR missing";
    const CStudyInput ct = stitchinput::Resolve({dicomDir.string()}, "1.3.6.1.4.1.5962.1.1.0.0.0.1196530851.28319.0.2");
    EXPECT_EQ(ct.error, "");
    EXPECT_EQ(Joined(ct.files), "17106 17136 17166 17196");
    const CStudyInput all = stitchinput::Resolve({dicomDir.string()}, "", true);
    EXPECT_EQ(all.error, "");
    EXPECT_EQ(all.files.size() + size_t(all.skipped), 31u);  // the DICOMDIR's IMAGE records
    EXPECT_EQ(stitchinput::Resolve({dicomDir.string()}, "").error.rfind("the input holds ", 0), 0u);
}
