// The stitched samples keep the pieces' description: Bits Stored, High Bit and Pixel
// Representation as the pieces have them, values right under those labels, no bits above
// High Bit, black at the end of the stored range; pieces of another meaning converted to
// the first's. Every output is decoded by pydicom (through GDCM where it is compressed),
// outside this project's code, and checked with dciodvfy.
#include "output/CStitchDicomFile.h"
#include "output/OutputSettings.h"

#include "stitch/CStitchModel.h"
#include "tests/support/DicomValidation.h"
#include "tests/support/Fixtures.h"
#include "tests/support/ProcessRun.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using testfiles::SyntheticImage;

namespace {

// One file as the independent decoder read it.
struct Decoded {
    std::string labels;  // "BA BS HB PR PHOTOMETRIC SLOPE INTERCEPT ROWS COLUMNS"
    std::vector<std::int64_t> words;
    std::vector<std::int64_t> values;
    std::string error;
};

std::vector<std::int64_t> Numbers(const std::string& text)
{
    std::istringstream in(text);
    std::vector<std::int64_t> numbers;
    for (std::int64_t n = 0; in >> n;)
        numbers.push_back(n);
    return numbers;
}

// Runs tests/support/decode_pixels.py once over all the files.
std::map<std::string, Decoded> DecodeIndependently(const std::vector<fs::path>& files)
{
    std::string command = std::string("/usr/bin/python3 ") + TESSOR_SOURCE_DIR + "/tests/support/decode_pixels.py";
    for (const fs::path& file : files)
        command += " " + testfiles::Quote(file);
    std::map<std::string, Decoded> decoded;
    std::istringstream lines(testfiles::RunShell(command).output);
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> parts;
        std::istringstream fields(line);
        for (std::string part; std::getline(fields, part, '|');)
            parts.push_back(part);
        if (parts.size() == 2)
            decoded[parts[0]].error = parts[1];
        else if (parts.size() == 4)
            decoded[parts[0]] = Decoded{parts[1], Numbers(parts[2]), Numbers(parts[3]), ""};
    }
    return decoded;
}

struct Depth {
    int bitsAllocated;
    int bitsStored;
    bool isSigned;
};

std::int64_t Lowest(const Depth& d) { return d.isSigned ? -(std::int64_t(1) << (d.bitsStored - 1)) : 0; }
std::int64_t Highest(const Depth& d)
{
    return d.isSigned ? (std::int64_t(1) << (d.bitsStored - 1)) - 1 : (std::int64_t(1) << d.bitsStored) - 1;
}

// The word a stored value is written as at High Bit Bits Stored - 1: sign-extended, or 0
// above it.
std::int64_t CleanWord(std::int64_t value, int bitsAllocated)
{
    return value < 0 ? value + (std::int64_t(1) << bitsAllocated) : value;
}

// Twelve values of a 3 x 4 piece, the ends of the range among them.
std::vector<std::int64_t> PieceValues(const Depth& d, int piece)
{
    const std::int64_t lo = Lowest(d);
    const std::int64_t hi = Highest(d);
    const std::vector<std::int64_t> raw =
        piece == 0 ? std::vector<std::int64_t>{lo, lo + 1, -1, 0, 1, hi - 1, hi, hi / 2, 2, 3, 5, 7}
                   : std::vector<std::int64_t>{hi, lo, 0, hi / 3, lo / 3, 9, 11, 13, -17, 19, 23, -29};
    std::vector<std::int64_t> values;
    for (std::int64_t v : raw)
        values.push_back(std::clamp(v, lo, hi));
    return values;
}

// A raw piece holding `values`; with `garbage`, every other word carries set bits above
// High Bit, which no reader may count.
SyntheticImage PieceImage(const Depth& d, const std::vector<std::int64_t>& values, bool garbage)
{
    const std::int64_t valueMask = (std::int64_t(1) << d.bitsStored) - 1;
    const std::int64_t above = 0xA5A5 & ~valueMask & ((std::int64_t(1) << d.bitsAllocated) - 1);
    SyntheticImage image = testfiles::MakeGrey(3, 4, d.bitsAllocated, [&](int r, int c) {
        const size_t i = size_t(r * 4 + c);
        const std::int64_t word = CleanWord(values[i], d.bitsAllocated);
        return int(garbage && i % 2 == 1 ? (word & valueMask) | above : word);
    });
    image.bitsStored = d.bitsStored;
    image.pixelRepresentation = d.isSigned ? 1 : 0;
    image.windowCenter = 0;  // a window: black is the end of the range
    image.windowWidth = 100;
    return image;
}

// Piece a moved one column left (its last column uncovered), then rows 1..2 of piece b.
std::vector<std::int64_t> ExpectedStitch(const std::vector<std::int64_t>& a, const std::vector<std::int64_t>& b,
                                         std::int64_t black)
{
    std::vector<std::int64_t> out;
    for (int r = 0; r < 3; ++r)
        out.insert(out.end(), {a[size_t(r * 4 + 1)], a[size_t(r * 4 + 2)], a[size_t(r * 4 + 3)], black});
    out.insert(out.end(), b.begin() + 4, b.end());
    return out;
}

std::string Labels(const Depth& d, const char* photometric, const char* rescale = "- -")
{
    return std::to_string(d.bitsAllocated) + " " + std::to_string(d.bitsStored) + " " +
           std::to_string(d.bitsStored - 1) + " " + (d.isSigned ? "1" : "0") + " " + photometric + " " + rescale +
           " 5 4";
}

class PixelMeaningTest : public testfiles::FolderTest {
protected:
    void SetUp() override
    {
        g_strInstanceUID = "";
        g_strTransferSyntax = "1.2.840.10008.1.2.1";
    }
    // The raw piece, or its copy in a syntax made by a DCMTK tool.
    fs::path Encode(const fs::path& raw, const std::string& tool, const std::string& name)
    {
        if (tool.empty())
            return raw;
        const fs::path encoded = dir / name;
        const testfiles::ProcessRun run =
            testfiles::RunShell(tool + " " + testfiles::Quote(raw) + " " + testfiles::Quote(encoded));
        EXPECT_EQ(run.status, 0) << tool << ": " << run.output;
        return encoded;
    }
    // Stitches a (moved one column left) over rows 1..2 of b; the template is a.
    bool Stitch(const fs::path& a, const fs::path& b, const fs::path& out, CStitchDicomFile& file)
    {
        return file.AddFileItem(a.c_str(), CRect(1, 0, 4, 3)) && file.AddFileItem(b.c_str(), CRect(0, 1, 4, 3)) &&
               file.Compose(a.c_str(), out.c_str());
    }
};

struct Output {
    std::string what;
    fs::path path;
    fs::path reference;  // the template, for the validator
    std::string labels;
    std::vector<std::int64_t> values;
    std::vector<std::int64_t> words;  // empty: not compared
    bool validate = true;             // dciodvfy cannot read deflated files
};

void CheckOutputs(const std::vector<Output>& outputs)
{
    std::vector<fs::path> paths;
    for (const Output& o : outputs)
        paths.push_back(o.path);
    const std::map<std::string, Decoded> decoded = DecodeIndependently(paths);
    for (const Output& o : outputs) {
        const auto found = decoded.find(o.path.string());
        ASSERT_NE(found, decoded.end()) << o.what << ": the decoder did not answer";
        EXPECT_EQ(found->second.error, "") << o.what;
        EXPECT_EQ(found->second.labels, o.labels) << o.what;
        EXPECT_EQ(found->second.values, o.values) << o.what;
        if (!o.words.empty()) {
            EXPECT_EQ(found->second.words, o.words) << o.what;
        }
        if (o.validate) {
            EXPECT_TRUE(testfiles::NoNewValidatorErrors(o.path, o.reference)) << o.what;
        }
    }
}

std::vector<std::int64_t> CleanWords(const std::vector<std::int64_t>& values, int bitsAllocated)
{
    std::vector<std::int64_t> words;
    for (std::int64_t v : values)
        words.push_back(CleanWord(v, bitsAllocated));
    return words;
}

}  // namespace

// Every depth and sign in every syntax we read: the description is kept, the values are
// exact, the words hold nothing above High Bit but the sign, and the uncovered column is
// the lowest stored value (MONOCHROME2 under a window).
TEST_F(PixelMeaningTest, EveryDepthAndSyntaxKeepsItsDescriptionAndValues)
{
    const Depth depths[] = {{8, 8, false},   {8, 8, true},    {16, 10, false}, {16, 10, true}, {16, 12, false},
                            {16, 12, true},  {16, 14, false}, {16, 14, true},  {16, 16, false}, {16, 16, true}};
    const std::pair<const char*, const char*> syntaxes[] = {
        {"raw", ""}, {"jpeg-lossless", "dcmcjpeg"}, {"jpeg-ls", "dcmcjpls"}, {"rle", "dcmcrle"},
        {"deflated", "dcmconv +td"}};
    std::vector<Output> outputs;
    for (const Depth& d : depths) {
        const std::string depth = std::to_string(d.bitsAllocated) + "-" + std::to_string(d.bitsStored) +
                                  (d.isSigned ? "-signed" : "-unsigned");
        const std::vector<std::int64_t> a = PieceValues(d, 0);
        const std::vector<std::int64_t> b = PieceValues(d, 1);
        for (const auto& [syntax, tool] : syntaxes) {
            const bool raw = *tool == '\0';
            const std::string name = depth + "-" + syntax;
            const fs::path rawA = Write(PieceImage(d, a, raw), name + "-a.dcm");
            const fs::path rawB = Write(PieceImage(d, b, raw), name + "-b.dcm");
            const fs::path pieceA = Encode(rawA, tool, name + "-a.enc.dcm");
            const fs::path pieceB = Encode(rawB, tool, name + "-b.enc.dcm");
            const fs::path out = dir / (name + "-out.dcm");
            CStitchDicomFile file;
            ASSERT_TRUE(Stitch(pieceA, pieceB, out, file)) << name << ": " << file.m_strError.str();
            const std::vector<std::int64_t> expected = ExpectedStitch(a, b, Lowest(d));
            outputs.push_back({name, out, rawA, Labels(d, "MONOCHROME2"), expected, CleanWords(expected, d.bitsAllocated)});
        }
    }
    CheckOutputs(outputs);
}

// Written in every lossless output syntax, the description and the values stay, as GDCM
// decodes them.
TEST_F(PixelMeaningTest, EveryOutputSyntaxCarriesTheSameDescriptionAndValues)
{
    const Depth depths[] = {{8, 8, true}, {16, 10, false}, {16, 12, true}, {16, 14, true}, {16, 16, true}};
    const std::pair<const char*, const char*> syntaxes[] = {{"jpeg-lossless", "1.2.840.10008.1.2.4.70"},
                                                            {"jpeg-ls", "1.2.840.10008.1.2.4.80"},
                                                            {"rle", "1.2.840.10008.1.2.5"},
                                                            {"jpeg2000", "1.2.840.10008.1.2.4.90"},
                                                            {"deflated", "1.2.840.10008.1.2.1.99"}};
    std::vector<Output> outputs;
    for (const Depth& d : depths) {
        const std::string depth = std::to_string(d.bitsStored) + (d.isSigned ? "-signed" : "-unsigned");
        const std::vector<std::int64_t> a = PieceValues(d, 0);
        const std::vector<std::int64_t> b = PieceValues(d, 1);
        const fs::path pieceA = Write(PieceImage(d, a, true), depth + "-a.dcm");
        const fs::path pieceB = Write(PieceImage(d, b, true), depth + "-b.dcm");
        for (const auto& [syntax, uid] : syntaxes) {
            g_strTransferSyntax = uid;
            const fs::path out = dir / (depth + "-" + syntax + ".dcm");
            CStitchDicomFile file;
            ASSERT_TRUE(Stitch(pieceA, pieceB, out, file)) << depth << " " << syntax << ": " << file.m_strError.str();
            outputs.push_back({depth + " " + syntax, out, pieceA, Labels(d, "MONOCHROME2"),
                               ExpectedStitch(a, b, Lowest(d)), {}, std::string(syntax) != "deflated"});
        }
    }
    g_strTransferSyntax = "1.2.840.10008.1.2.1";
    CheckOutputs(outputs);
}

// The fill of uncovered samples is black within the stored range: an end of it under a
// window, the darkest value of the picture that is written without one (the range's end
// sits in the column the shift removes; unsigned MONOCHROME2 keeps 0).
TEST_F(PixelMeaningTest, TheFillIsBlackWithinTheStoredRange)
{
    const struct {
        const char* photometric;
        Depth depth;
        bool windowed;
        std::int64_t black;
    } cases[] = {
        {"MONOCHROME2", {16, 12, false}, true, 0},     {"MONOCHROME1", {16, 12, false}, true, 4095},
        {"MONOCHROME2", {16, 12, true}, true, -2048},  {"MONOCHROME1", {16, 12, true}, true, 2047},
        {"MONOCHROME1", {16, 14, false}, true, 16383}, {"MONOCHROME1", {8, 8, false}, true, 255},
        {"MONOCHROME1", {16, 12, false}, false, 4095}, {"MONOCHROME2", {16, 10, true}, false, -511},
        {"MONOCHROME1", {16, 10, true}, false, 511},
    };
    std::vector<Output> outputs;
    int n = 0;
    for (const auto& c : cases) {
        const std::string name = "case" + std::to_string(n++);
        const std::vector<std::int64_t> a = PieceValues(c.depth, 0);
        const std::vector<std::int64_t> b = PieceValues(c.depth, 1);
        SyntheticImage imageA = PieceImage(c.depth, a, true);
        SyntheticImage imageB = PieceImage(c.depth, b, true);
        for (SyntheticImage* image : {&imageA, &imageB}) {
            image->photometric = c.photometric;
            if (!c.windowed)
                image->windowCenter.reset(), image->windowWidth.reset();
        }
        const fs::path pieceA = Write(imageA, name + "-a.dcm");
        const fs::path out = dir / (name + "-out.dcm");
        CStitchDicomFile file;
        ASSERT_TRUE(Stitch(pieceA, Write(imageB, name + "-b.dcm"), out, file)) << name;
        const std::vector<std::int64_t> expected = ExpectedStitch(a, b, c.black);
        outputs.push_back({name + " " + c.photometric, out, pieceA, Labels(c.depth, c.photometric), expected,
                           CleanWords(expected, c.depth.bitsAllocated)});
    }
    CheckOutputs(outputs);
}

// Pairs of pieces: the second takes the first's meaning exactly, or the save refuses it
// and writes nothing.
TEST_F(PixelMeaningTest, APieceOfAnotherMeaningIsConvertedToTheFirstsOrRefused)
{
    struct Piece {
        Depth depth;
        const char* photometric;
        double slope;
        double intercept;
    };
    const struct {
        const char* what;
        Piece first;
        Piece second;
        const char* rescale;                            // the written one, "-" where absent
        std::vector<std::int64_t> (*convert)(std::int64_t);  // the second piece's values; null: refused
    } cases[] = {
        {"10 bits under 12", {{16, 12, false}, "MONOCHROME2", 1, 0}, {{16, 10, false}, "MONOCHROME2", 1, 0}, "- -",
         [](std::int64_t v) { return std::vector<std::int64_t>{v}; }},
        {"MONOCHROME1 inverted in its 10 bits", {{16, 12, false}, "MONOCHROME2", 1, 0},
         {{16, 10, false}, "MONOCHROME1", 1, 0}, "- -", [](std::int64_t v) { return std::vector<std::int64_t>{1023 - v}; }},
        {"signed MONOCHROME2 into MONOCHROME1", {{16, 16, true}, "MONOCHROME1", 1, 0},
         {{16, 16, true}, "MONOCHROME2", 1, 0}, "- -", [](std::int64_t v) { return std::vector<std::int64_t>{-1 - v}; }},
        {"unsigned intercept 0 under signed -1024", {{16, 12, true}, "MONOCHROME2", 1, -1024},
         {{16, 10, false}, "MONOCHROME2", 1, 0}, "1 -1024",
         [](std::int64_t v) { return std::vector<std::int64_t>{v + 1024}; }},
        {"slope 2 under slope 1", {{8, 8, false}, "MONOCHROME2", 1, 0}, {{8, 6, false}, "MONOCHROME2", 2, 0}, "1 0",
         [](std::int64_t v) { return std::vector<std::int64_t>{2 * v}; }},
        {"12 bits under 10: refused", {{16, 10, false}, "MONOCHROME2", 1, 0}, {{16, 12, false}, "MONOCHROME2", 1, 0},
         "", nullptr},
    };
    std::vector<Output> outputs;
    int n = 0;
    for (const auto& c : cases) {
        const std::string name = "pair" + std::to_string(n++);
        const std::vector<std::int64_t> a = PieceValues(c.first.depth, 0);
        const std::vector<std::int64_t> b = PieceValues(c.second.depth, 1);
        SyntheticImage imageA = PieceImage(c.first.depth, a, true);
        SyntheticImage imageB = PieceImage(c.second.depth, b, true);
        const bool rescaled = c.first.slope != 1 || c.first.intercept != 0 || c.second.slope != 1 || c.second.intercept != 0;
        for (auto [image, piece] : {std::pair{&imageA, &c.first}, std::pair{&imageB, &c.second}}) {
            image->photometric = piece->photometric;
            if (rescaled)
                image->rescaleSlope = piece->slope, image->rescaleIntercept = piece->intercept;
        }
        const fs::path pieceA = Write(imageA, name + "-a.dcm");
        const fs::path out = dir / (name + "-out.dcm");
        CStitchDicomFile file;
        const bool written = Stitch(pieceA, Write(imageB, name + "-b.dcm"), out, file);
        if (!c.convert) {
            EXPECT_FALSE(written) << c.what;
            EXPECT_EQ(file.m_eFailure, ESaveFailure::MeaningDiffers) << c.what;
            EXPECT_FALSE(fs::exists(out)) << c.what;
            continue;
        }
        ASSERT_TRUE(written) << c.what << ": " << file.m_strError.str();
        std::vector<std::int64_t> converted;
        for (std::int64_t v : b)
            converted.push_back(c.convert(v)[0]);
        const bool monochrome1 = std::string(c.first.photometric) == "MONOCHROME1";
        const std::int64_t black = monochrome1 ? Highest(c.first.depth) : Lowest(c.first.depth);
        outputs.push_back({c.what, out, pieceA, Labels(c.first.depth, c.first.photometric, c.rescale),
                           ExpectedStitch(a, converted, black), {}});
    }
    CheckOutputs(outputs);
}

// Real third-party files: a signed 14-bit CT in lossy JPEG 2000 (rescale -1024) and an
// unsigned 12-bit image in 12-bit JPEG. Rows 100..139 keep the file's description and the
// values GDCM decodes.
TEST_F(PixelMeaningTest, RealFilesKeepTheirDescriptionAndDecodedValues)
{
    const struct {
        const char* file;
        int columns;
        const char* labels;
    } cases[] = {
        {"693_J2KI.dcm", 512, "16 14 13 1 MONOCHROME2 1 -1024 40 512"},
        {"JPGExtended.dcm", 256, "16 12 11 0 MONOCHROME2 - - 40 256"},
    };
    std::vector<fs::path> paths;
    std::vector<fs::path> outs;
    for (const auto& c : cases) {
        const fs::path source = testfiles::Pydicom(c.file);
        if (source.empty())
            GTEST_SKIP() << "pydicom test files not installed";
        const fs::path out = dir / (std::string(c.file) + "-out.dcm");
        CStitchDicomFile file;
        ASSERT_TRUE(file.AddFileItem(source.c_str(), CRect(0, 100, c.columns, 140))) << c.file;
        ASSERT_TRUE(file.Compose(source.c_str(), out.c_str())) << c.file << ": " << file.m_strError.str();
        paths.insert(paths.end(), {source, out});
        outs.push_back(out);
    }
    const std::map<std::string, Decoded> decoded = DecodeIndependently(paths);
    for (size_t i = 0; i < outs.size(); ++i) {
        const Decoded& source = decoded.at(paths[2 * i].string());
        const Decoded& written = decoded.at(outs[i].string());
        ASSERT_EQ(source.error, "") << cases[i].file;
        EXPECT_EQ(written.labels, cases[i].labels);
        const size_t columns = size_t(cases[i].columns);
        const std::vector<std::int64_t> rows(source.values.begin() + std::ptrdiff_t(100 * columns),
                                             source.values.begin() + std::ptrdiff_t(140 * columns));
        EXPECT_EQ(written.values, rows) << cases[i].file;
        EXPECT_TRUE(testfiles::NoNewValidatorErrors(outs[i], paths[2 * i])) << cases[i].file;
    }
}

// Through the model: the pieces take the meaning of the piece loaded first (the one the
// gate checked the others against), even when another piece leads the stitched order and
// lends its data set as the template.
TEST_F(PixelMeaningTest, TheFirstLoadedPieceGivesTheMeaningWhateverTheOrder)
{
    const Depth twelve{16, 12, false};
    const Depth ten{16, 10, false};
    const std::vector<std::int64_t> a = PieceValues(twelve, 0);
    const std::vector<std::int64_t> b = PieceValues(ten, 1);
    SyntheticImage imageB = PieceImage(ten, b, false);
    imageB.photometric = "MONOCHROME1";
    const fs::path first = Write(PieceImage(twelve, a, false), "first.dcm");
    const fs::path second = Write(imageB, "second.dcm");
    CStitchModel model;
    ASSERT_TRUE(model.LoadFiles({first.string(), second.string()}).Ok());
    model.Select(1);
    model.MoveUpSequence();  // the MONOCHROME1 piece now leads
    ASSERT_EQ(model.GetFileName(0), second.string());
    const fs::path out = dir / "out.dcm";
    const CStitchSaveResult saved = model.Save("", out.c_str());
    ASSERT_TRUE(saved.written) << saved.detail;
    std::vector<std::int64_t> expected;
    for (std::int64_t v : b)
        expected.push_back(1023 - v);
    expected.insert(expected.end(), a.begin(), a.end());
    CheckOutputs({{"reordered", out, second, "16 12 11 0 MONOCHROME2 - - 6 4", expected, CleanWords(expected, 16)}});
}
