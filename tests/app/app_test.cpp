// The tessor program, run as a separate process: info, sample and the dispatcher.
#include "app/SampleStudy.h"
#include "image/CBaseImageData.h"
#include "imaging/LDicomDS.h"
#include "tests/support/DicomFactory.h"
#include "tests/support/TestFiles.h"
#include "tests/support/DicomValidation.h"
#include "tests/support/ProcessRun.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct RunResult {
    int status = -1;
    std::string out;
    std::string err;
};

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Quote(const std::string& text)
{
    std::string quoted = "'";
    for (char ch : text)
        quoted += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
    return quoted + "'";
}

// Runs a shell command line, capturing both streams.
RunResult Shell(const std::string& commandLine)
{
    const fs::path dir = testfiles::FreshDir("app_run_" + std::to_string(getpid()));
    const std::string full = commandLine + " >" + Quote((dir / "out").string()) + " 2>" + Quote((dir / "err").string());
    RunResult result;
    const int raw = std::system(full.c_str());
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.out = ReadFile(dir / "out");
    result.err = ReadFile(dir / "err");
    return result;
}

RunResult Tessor(const std::vector<std::string>& args)
{
    std::string line = Quote(TESSOR_APP_PATH);
    for (const std::string& arg : args)
        line += " " + Quote(arg);
    return Shell(line);
}

// Evaluates Python expressions over the JSON document `json` (bound to `d`), one
// process for all; the parse itself proves the document well-formed.
std::vector<std::string> JsonQuery(const std::string& json, const std::vector<std::string>& expressions)
{
    const fs::path dir = testfiles::FreshDir("app_json_" + std::to_string(getpid()));
    std::ofstream(dir / "doc.json") << json;
    std::ofstream script(dir / "query.py");
    script << "import json, sys\nd = json.load(open(sys.argv[1], encoding='utf-8'))\n";
    for (const std::string& expression : expressions)
        script << "print(" << expression << ")\n";
    script.close();
    const RunResult r = Shell("PYTHONIOENCODING=utf-8 python3 " + Quote((dir / "query.py").string()) + " " + Quote((dir / "doc.json").string()));
    EXPECT_EQ(0, r.status) << r.err;
    std::vector<std::string> lines;
    std::istringstream in(r.out);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

int CountLines(const std::string& text)
{
    int lines = 0;
    for (char ch : text)
        lines += ch == '\n';
    return lines;
}

fs::path WriteSample(const std::string& name, const std::vector<std::string>& options)
{
    const fs::path dir = testfiles::FreshDir(name);
    std::vector<std::string> args = {"sample"};
    args.insert(args.end(), options.begin(), options.end());
    args.push_back(dir.string());
    const RunResult r = Tessor(args);
    EXPECT_EQ(0, r.status) << r.err;
    return dir;
}

std::vector<BYTE> AllRows(CBaseImage& image)
{
    int width = 0;
    int height = 0;
    int bits = 0;
    image.GetImageInfo(&width, &height, &bits);
    std::vector<BYTE> rows(static_cast<size_t>(width) * height * (bits / 8));
    image.GetRows(rows.data(), 0, 0, width, height);
    return rows;
}

}  // namespace

TEST(AppTest, SampleDefaultsMakeThreeOverlappingPieces)
{
    const fs::path dir = WriteSample("app_sample_default", {});
    std::vector<CBaseImageData> pieces(3);
    for (int i = 0; i < 3; ++i) {
        const fs::path path = dir / ("piece-" + std::to_string(i + 1) + ".dcm");
        ASSERT_TRUE(pieces[i].Load(path.c_str())) << path;
        EXPECT_EQ(1000, pieces[i].GetWidth());
        EXPECT_EQ(1400, pieces[i].GetHeight());
        EXPECT_EQ(i + 1, pieces[i].m_study.m_nInstanceNumber);
        EXPECT_EQ("DX", pieces[i].m_study.m_strModality);
        EXPECT_EQ(12, pieces[i].m_attr.m_nBitsStored);
        EXPECT_EQ(0, pieces[i].m_attr.m_nPixelRepresentation);
        EXPECT_TRUE(pieces[i].m_bitmap.HasWindow());
    }
    EXPECT_FALSE(fs::exists(dir / "piece-4.dcm"));
    EXPECT_EQ(pieces[0].m_study.m_strStudyInstanceUID, pieces[2].m_study.m_strStudyInstanceUID);
    EXPECT_EQ(pieces[0].m_study.m_strSeriesInstanceUID, pieces[1].m_study.m_strSeriesInstanceUID);
    EXPECT_NE(pieces[0].m_study.m_strSOPInstanceUID, pieces[1].m_study.m_strSOPInstanceUID);

    // Collimator bands are constant rows; the overlap repeats the same anatomy.
    const sample::SampleOptions options;
    const auto layout = sample::LayoutPieces(options);
    const int step = layout[1].bodyTop - layout[0].bodyTop;
    const std::vector<BYTE> first = AllRows(pieces[0]);
    const std::vector<BYTE> second = AllRows(pieces[1]);
    const size_t rowBytes = 2000;
    auto row = [&](const std::vector<BYTE>& rows, int r) {
        return std::vector<BYTE>(rows.begin() + r * rowBytes, rows.begin() + (r + 1) * rowBytes);
    };
    const std::vector<BYTE> band = row(first, 0);
    for (size_t i = 2; i < rowBytes; i += 2)
        ASSERT_EQ(band[0] | band[1] << 8, band[i] | band[i + 1] << 8);
    EXPECT_EQ(4095, band[0] | band[1] << 8);
    EXPECT_EQ(band, row(first, layout[0].topBand - 1));
    EXPECT_NE(band, row(first, layout[0].topBand));
    EXPECT_EQ(band, row(first, 1399));
    const int shared = 1400 - layout[0].bottomBand - 1;  // last anatomy row of piece 1
    ASSERT_GE(shared - step, layout[1].topBand);
    EXPECT_EQ(row(first, shared), row(second, shared - step));
    EXPECT_NE(layout[0].topBand, layout[1].topBand);
}

TEST(AppTest, EveryTransferSyntaxHoldsTheSameStoredValues)
{
    for (const bool isSigned : {false, true}) {
        SCOPED_TRACE(isSigned ? "signed" : "unsigned");
        std::vector<std::vector<BYTE>> decoded;
        std::vector<std::string> syntaxes;
        for (const char* syntax : {"raw", "jpeg-lossless", "jpeg-ls", "rle"}) {
            SCOPED_TRACE(syntax);
            std::vector<std::string> options = {"--rows", "200", "--cols", "150", "--pieces", "2", "--syntax", syntax};
            if (isSigned)
                options.push_back("--signed");
            const fs::path path = WriteSample(std::string("app_sample_") + syntax, options) / "piece-2.dcm";
            LDicomDS dataSet(nullptr);
            ASSERT_EQ(DICOM_SUCCESS, dataSet.LoadDS(path.c_str(), 0));
            syntaxes.push_back(dataSet.GetTransferSyntaxUID());
            // Valid on their own, without a warning: signed pieces are Computed Radiography,
            // since Digital X-Ray has no signed form.
            EXPECT_TRUE(testfiles::NoNewValidatorErrors(path));
            const testfiles::ProcessRun warnings =
                testfiles::RunShell("dciodvfy " + Quote(path.string()) + " 2>&1 | grep '^Warning'");
            EXPECT_EQ(warnings.output, "");
            const char* sopClass = dataSet.GetStringValue(dataSet.FindFirstElement(nullptr, 0x00080016, FALSE), 0, 1);
            EXPECT_STREQ(sopClass, isSigned ? "1.2.840.10008.5.1.4.1.1.1" : "1.2.840.10008.5.1.4.1.1.1.1");
            CBaseImageData image;
            ASSERT_TRUE(image.Load(path.c_str()));
            EXPECT_EQ(isSigned ? 1 : 0, image.m_attr.m_nPixelRepresentation);
            int low = 0;
            int high = 0;
            image.GetValueRange(&low, &high);
            EXPECT_EQ(isSigned, low < 0);
            decoded.push_back(AllRows(image));
        }
        const std::vector<std::string> expectedSyntaxes = {"1.2.840.10008.1.2.1", "1.2.840.10008.1.2.4.70",
                                                           "1.2.840.10008.1.2.4.80", "1.2.840.10008.1.2.5"};
        EXPECT_EQ(expectedSyntaxes, syntaxes);
        for (size_t i = 1; i < decoded.size(); ++i)
            EXPECT_EQ(decoded[0], decoded[i]) << syntaxes[i];
    }
}

TEST(AppTest, SampleVariantsSetTheirAttributes)
{
    const fs::path mono1 = WriteSample("app_sample_mono1", {"--rows", "100", "--cols", "80", "--pieces", "1", "--mono1"});
    CBaseImageData inverted;
    ASSERT_TRUE(inverted.Load((mono1 / "piece-1.dcm").c_str()));
    EXPECT_EQ(0, inverted.m_attr.m_nPhotometric);
    EXPECT_EQ(0xFFFFFFu, inverted.m_crLutStart);
    EXPECT_TRUE(inverted.m_bitmap.HasWindow());

    const fs::path narrow = WriteSample("app_sample_8bit", {"--rows", "100", "--cols", "80", "--bits", "8"});
    CBaseImageData eight;
    ASSERT_TRUE(eight.Load((narrow / "piece-3.dcm").c_str()));
    int bits = 0;
    eight.GetImageInfo(nullptr, nullptr, &bits);
    EXPECT_EQ(8, bits);
    EXPECT_EQ(8, eight.m_attr.m_nBitsAllocated);
}

TEST(AppTest, InfoJsonDescribesEachFile)
{
    const fs::path dir = WriteSample("app_info_json", {"--rows", "120", "--cols", "100", "--pieces", "2"});
    // A name with quotes, a backslash and UTF-8 must survive the JSON escaping.
    const fs::path odd = dir / "we\"ird\\n\xC3\xA4me.dcm";
    fs::copy_file(dir / "piece-2.dcm", odd);
    const RunResult r = Tessor({"info", "--json", (dir / "piece-1.dcm").string(), odd.string()});
    ASSERT_EQ(0, r.status) << r.err;
    EXPECT_EQ("", r.err);
    const std::vector<std::string> expected = {
        "2", odd.string(), "120 100 16", "DX 2 MONOCHROME2 1",
        // Window 3800 around 2050; its range lies within the bitmap's values.
        "True 3800 2050", "True"};
    EXPECT_EQ(expected,
              JsonQuery(r.out, {"len(d)", "d[1]['file']",
                                "d[0]['bitmap']['height'], d[0]['bitmap']['width'], d[0]['bitmap']['bitsPerPixel']",
                                "d[1]['study']['modality'], d[1]['study']['instanceNumber'], "
                                "d[1]['image']['photometric'], d[1]['image']['photometricKind']",
                                "d[0]['window']['applied'], d[0]['window']['width'], d[0]['window']['center']",
                                "d[0]['window']['low'] >= d[0]['bitmap']['minValue'] and "
                                "d[0]['window']['high'] <= d[0]['bitmap']['maxValue']"}));
}

TEST(AppTest, InfoOnThirdPartyFiles)
{
    const fs::path ct = testfiles::Pydicom("CT_small.dcm");
    const fs::path mr = testfiles::Pydicom("MR_small_bigendian.dcm");
    if (ct.empty() || mr.empty())
        GTEST_SKIP() << "pydicom's test files are not installed";
    const RunResult r = Tessor({"info", "--json", ct.string(), mr.string()});
    ASSERT_EQ(0, r.status) << r.err;
    const std::vector<std::string> expected = {
        "False -1024 1 128", "CompressedSamples^CT1 2004-01-19 07:27:30",
        // Signed: the stored centre is 600 + 32768; the range is in table indices.
        "True 1600 600 True", "True"};
    EXPECT_EQ(expected, JsonQuery(r.out, {"d[0]['window']['applied'], d[0]['image']['rescaleIntercept'], "
                                          "d[0]['image']['pixelRepresentation'], d[0]['image']['rows']",
                                          "d[0]['study']['patientName'], d[0]['study']['study']",
                                          "d[1]['window']['applied'], d[1]['window']['width'], "
                                          "d[1]['window']['center'], d[1]['bitmap']['signed']",
                                          "d[1]['window']['low'] >= 32768 + d[1]['bitmap']['minValue']"}));

    const RunResult text = Tessor({"info", ct.string()});
    EXPECT_EQ(0, text.status);
    EXPECT_NE(std::string::npos, text.out.find("JFK IMAGING CENTER"));
}

TEST(AppTest, AFileThatDoesNotLoadIsOneLineAndTheOthersStillShow)
{
    const fs::path dir = WriteSample("app_info_missing", {"--rows", "64", "--cols", "64", "--pieces", "2"});
    const std::string missing = (dir / "missing.dcm").string();
    for (bool json : {false, true}) {
        std::vector<std::string> args = {"info"};
        if (json)
            args.push_back("--json");
        args.insert(args.end(), {(dir / "piece-1.dcm").string(), missing, (dir / "piece-2.dcm").string()});
        const RunResult r = Tessor(args);
        EXPECT_EQ(1, r.status);
        EXPECT_EQ(1, CountLines(r.err)) << r.err;
        EXPECT_EQ(0u, r.err.find(missing + ": "));
        EXPECT_NE(std::string::npos, r.out.find("piece-1.dcm"));
        EXPECT_NE(std::string::npos, r.out.find("piece-2.dcm"));
        if (json) {
            EXPECT_EQ(std::vector<std::string>{"3 True"}, JsonQuery(r.out, {"len(d), 'error' in d[1]"}));
        }
    }
}

// Stored bits at High Bit 15 shifted down; a missing Pixel Representation said so and
// read as unsigned (32768 + 4080 would otherwise be negative).
TEST(AppTest, InfoShowsStoredValuesAndAMissingPixelRepresentation)
{
    testfiles::SyntheticImage image =
        testfiles::MakeGrey(2, 2, 16, [](int r, int c) { return std::vector<int>{0x0010, 0xFF00, 0x8000, 0xFFF0}[size_t(r * 2 + c)]; });
    image.highBit = 15;
    image.hasPixelRepresentation = false;
    image.photometric = "MONOCHROME1";
    const fs::path path = testfiles::FreshDir("app_info_stored") / "high15.dcm";
    ASSERT_EQ(testfiles::WriteSynthetic(image, path), "");
    const RunResult r = Tessor({"info", "--json", path.string()});
    ASSERT_EQ(0, r.status) << r.err;
    EXPECT_EQ((std::vector<std::string>{"1 4095 False", "read as unsigned -1", "False white to black (inverted)"}),
              JsonQuery(r.out, {"d[0]['bitmap']['minValue'], d[0]['bitmap']['maxValue'], d[0]['bitmap']['signed']",
                                "d[0]['image']['pixelRepresentationMissing'], d[0]['image']['pixelRepresentation']",
                                "d[0]['window']['applied'], d[0]['window']['colours']"}));
}

TEST(AppTest, HelpUsageErrorsAndFailures)
{
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--help"}, {"info", "--help"}, {"sample", "--help"}}) {
        const RunResult r = Tessor(args);
        EXPECT_EQ(0, r.status);
        EXPECT_EQ(0u, r.out.find("usage: tessor"));
    }
    EXPECT_EQ(2, Tessor({"bogus"}).status);
    EXPECT_EQ(2, Tessor({}).status);
    EXPECT_EQ(2, Tessor({"info"}).status);
    EXPECT_EQ(2, Tessor({"sample"}).status);
    EXPECT_EQ(2, Tessor({"sample", "--bits", "12", "x"}).status);
    EXPECT_EQ(2, Tessor({"sample", "--rows", "12a", "x"}).status);
    EXPECT_EQ(2, Tessor({"sample", "--bits", "8", "--signed", "x"}).status);
    EXPECT_EQ(2, Tessor({"sample", "--syntax", "jpeg2000", "x"}).status);

    // DIR names a file: one line on stderr, nothing written.
    const fs::path dir = testfiles::FreshDir("app_sample_blocked");
    std::ofstream(dir / "blocked") << "x";
    const RunResult r = Tessor({"sample", (dir / "blocked").string()});
    EXPECT_EQ(1, r.status);
    EXPECT_EQ(1, CountLines(r.err));
    EXPECT_EQ(1, std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}
