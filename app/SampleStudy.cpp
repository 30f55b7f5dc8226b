#include "app/SampleStudy.h"

#include "app/SyntheticBody.h"
#include "imaging/LDicomDS.h"
#include "imaging/Uid.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <random>
#include <system_error>

namespace sample {
namespace {
constexpr const char* kDxForPresentation = "1.2.840.10008.5.1.4.1.1.1.1";
// Digital X-Ray images are unsigned by definition; signed pieces are Computed Radiography
// images, whose IOD allows Pixel Representation 1.
constexpr const char* kComputedRadiography = "1.2.840.10008.5.1.4.1.1.1";
constexpr double kOverlapFraction = 0.18;
constexpr double kMinRandomOverlap = 0.16;
constexpr double kMaxRandomOverlap = 0.40;
constexpr double kFlatValue = 0.35;
constexpr double kPixelSpacing = 0.15;
// Band heights as fractions of the rows, cycled through the pieces; any top plus any
// bottom stays below the overlap, so neighbouring pieces always share some anatomy.
constexpr std::array<double, 5> kTopBands = {0.030, 0.055, 0.045, 0.065, 0.040};
constexpr std::array<double, 5> kBottomBands = {0.050, 0.035, 0.060, 0.045, 0.070};

// The values of one study shared by its pieces.
struct StudyIdentity {
    std::string studyUID = imaging::GenerateUniqueUID();
    std::string seriesUID = imaging::GenerateUniqueUID();
    VALUEDATE date{};
    VALUETIME time{};
};

StudyIdentity MakeIdentity()
{
    StudyIdentity identity;
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    identity.date = {static_cast<USHORT>(local.tm_year + 1900), static_cast<USHORT>(local.tm_mon + 1),
                     static_cast<USHORT>(local.tm_mday)};
    identity.time = {static_cast<USHORT>(local.tm_hour), static_cast<USHORT>(local.tm_min),
                     static_cast<USHORT>(local.tm_sec), 0};
    return identity;
}

// Inserts elements into a data set, remembering the first failure.
class ElementWriter {
public:
    explicit ElementWriter(LDicomDS& dataSet) : m_ds(dataSet) {}

    void Text(DWORD tag, const std::string& value) { Put(tag, [&](pDICOMELEMENT e) { return m_ds.SetStringValue(e, value.c_str(), 1); }); }
    void Short(DWORD tag, int value)
    {
        const short v = static_cast<short>(value);
        Put(tag, [&](pDICOMELEMENT e) { return m_ds.SetShortValue(e, &v, 1); });
    }
    void Long(DWORD tag, LONG value) { Put(tag, [&](pDICOMELEMENT e) { return m_ds.SetLongValue(e, &value, 1); }); }
    void Doubles(DWORD tag, std::initializer_list<double> values)
    {
        const std::vector<double> v(values);
        Put(tag, [&](pDICOMELEMENT e) { return m_ds.SetDoubleValue(e, v.data(), static_cast<ULONG>(v.size())); });
    }
    void Date(DWORD tag, const VALUEDATE& value) { Put(tag, [&](pDICOMELEMENT e) { return m_ds.SetDateValue(e, &value, 1); }); }
    void Time(DWORD tag, const VALUETIME& value) { Put(tag, [&](pDICOMELEMENT e) { return m_ds.SetTimeValue(e, &value, 1); }); }
    void Binary(DWORD tag, const std::vector<BYTE>& bytes)
    {
        Put(tag, [&](pDICOMELEMENT e) {
            return m_ds.SetBinaryValue(e, bytes.data(), static_cast<ULONG>(bytes.size()));
        });
    }
    // A type 2 element present without a value (sequences stay without items).
    void Empty(DWORD tag) { Put(tag, [](pDICOMELEMENT) { return TRUE; }); }
    const std::string& Error() const { return m_error; }

private:
    template <typename Setter>
    void Put(DWORD tag, Setter set)
    {
        if (!m_error.empty())
            return;
        pDICOMELEMENT element = m_ds.InsertElement(nullptr, FALSE, tag, 0, FALSE, 0);
        if (element == nullptr || !set(element)) {
            char text[96];
            std::snprintf(text, sizeof text, "cannot set element (%04X,%04X): ", tag >> 16, tag & 0xFFFF);
            m_error = text + m_ds.GetLastError();
        }
    }

    LDicomDS& m_ds;
    std::string m_error;
};

void WriteIdentity(ElementWriter& w, const StudyIdentity& id, int instance, bool computedRadiography)
{
    const bool dx = !computedRadiography;
    w.Text(0x00080005, "ISO_IR 100");
    w.Text(0x00080008, "ORIGINAL\\PRIMARY");
    w.Text(0x00080016, dx ? kDxForPresentation : kComputedRadiography);
    w.Text(0x00080018, imaging::GenerateUniqueUID());
    w.Date(0x00080020, id.date);
    w.Date(0x00080021, id.date);
    w.Date(0x00080023, id.date);
    w.Time(0x00080030, id.time);
    w.Time(0x00080031, id.time);
    w.Time(0x00080033, id.time);
    w.Text(0x00080050, "TS0001");
    w.Text(0x00080060, dx ? "DX" : "CR");
    if (dx)
        w.Text(0x00080068, "FOR PRESENTATION");
    w.Text(0x00080070, "Tessor");
    w.Text(0x00080080, "Tessor Sample Hospital");
    w.Text(0x00080090, "");
    w.Text(0x00081030, "Long length spine and legs");
    w.Text(0x00081090, "Synthetic");
    w.Text(0x00100010, "SAMPLE^LONG LENGTH");
    w.Text(0x00100020, "TESSOR-0001");
    w.Date(0x00100030, VALUEDATE{1970, 5, 17});
    w.Text(0x00100040, "O");
    w.Doubles(0x00180060, {85.0});
    w.Long(0x00181151, 250);
    w.Doubles(0x00181164, {kPixelSpacing, kPixelSpacing});
    if (dx) {
        w.Empty(0x00082218);  // Anatomic Region Sequence
        w.Empty(0x00187004);  // Detector Type
        w.Empty(0x00181508);  // Positioner Type
        w.Empty(0x00400555);  // Acquisition Context Sequence
    } else {
        w.Empty(0x00180015);  // Body Part Examined
        w.Empty(0x00185101);  // View Position
    }
    w.Text(0x0020000D, id.studyUID);
    w.Text(0x0020000E, id.seriesUID);
    w.Text(0x00200010, "1");
    w.Long(0x00200011, 1);
    w.Long(0x00200012, 1);
    w.Long(0x00200013, instance);
    w.Text(0x00200020, "R\\F");
    w.Text(0x00200062, "U");
    w.Text(0x00280301, "NO");
    w.Text(0x00282110, "00");
}

int StoredBits(const SampleOptions& options)
{
    return options.bitsAllocated == 16 ? 12 : 8;
}

void WritePixelModule(ElementWriter& w, const SampleOptions& options, const ValueScale& values)
{
    w.Short(0x00280002, 1);
    w.Text(0x00280004, options.monochrome1 ? "MONOCHROME1" : "MONOCHROME2");
    w.Short(0x00280010, options.rows);
    w.Short(0x00280011, options.columns);
    w.Doubles(0x00280030, {kPixelSpacing, kPixelSpacing});
    w.Short(0x00280100, options.bitsAllocated);
    w.Short(0x00280101, StoredBits(options));
    w.Short(0x00280102, StoredBits(options) - 1);
    w.Short(0x00280103, options.isSigned ? 1 : 0);
    if (!options.isSigned) {  // Digital X-Ray only
        w.Text(0x00281040, "LOG");
        w.Short(0x00281041, 1);
    }
    const double center = std::floor((values.anatomyLow + values.anatomyHigh) / 2.0);
    w.Doubles(0x00281050, {center});
    w.Doubles(0x00281051, {static_cast<double>(values.anatomyHigh - values.anatomyLow)});
    w.Doubles(0x00281052, {0.0});
    w.Doubles(0x00281053, {1.0});
    w.Text(0x00281054, "US");
    w.Text(0x20500020, options.monochrome1 ? "INVERSE" : "IDENTITY");
}

// Noise of one exposure in [-1, 1]: unlike the body's, it differs between the pieces
// showing the same point.
double PieceNoise(int x, int row, int seed)
{
    std::uint32_t h = static_cast<std::uint32_t>(x) * 0x9E3779B1u ^ static_cast<std::uint32_t>(row) * 0x85EBCA77u ^
                      static_cast<std::uint32_t>(seed) * 0xC2B2AE3Du;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    return static_cast<double>(h & 0xFFFF) / 32767.5 - 1.0;
}

// The stored value of one pixel of a piece.
int StoredValue(const SyntheticBody& body, const SampleOptions& options, const ValueScale& values,
                const PieceLayout& piece, int x, int row)
{
    if (row < piece.topBand || row >= options.rows - piece.bottomBand)
        return values.collimator;
    const int bodyRow = piece.bodyTop + row;
    const bool flat = bodyRow >= piece.flatTop && bodyRow < piece.flatBottom;
    double t = flat ? kFlatValue : body.At(x + piece.bodyLeft, bodyRow);
    if (piece.gain != 1.0 || piece.noise != 0.0)
        t = std::clamp(0.5 + (t - 0.5) * piece.gain + piece.noise * PieceNoise(x, row, piece.bodyTop), 0.0, 1.0);
    if (options.monochrome1)
        t = 1.0 - t;
    return values.anatomyLow + static_cast<int>(std::lround(t * (values.anatomyHigh - values.anatomyLow)));
}

std::vector<BYTE> PiecePixels(const SyntheticBody& body, const SampleOptions& options, const ValueScale& values,
                              const PieceLayout& piece)
{
    const size_t bytesPerPixel = options.bitsAllocated / 8;
    const int storedMask = (1 << StoredBits(options)) - 1;
    std::vector<BYTE> pixels(static_cast<size_t>(options.rows) * options.columns * bytesPerPixel);
    size_t at = 0;
    for (int row = 0; row < options.rows; ++row) {
        for (int x = 0; x < options.columns; ++x) {
            // Only the stored bits are written (signed values as 12-bit two's complement):
            // the lossless encoders reject samples outside Bits Stored.
            const auto value = static_cast<std::uint16_t>(StoredValue(body, options, values, piece, x, row) & storedMask);
            pixels[at++] = static_cast<BYTE>(value & 0xFF);
            if (bytesPerPixel == 2)
                pixels[at++] = static_cast<BYTE>(value >> 8);
        }
    }
    return pixels;
}

std::string WritePiece(const SyntheticBody& body, const SampleOptions& options, const StudyIdentity& identity,
                       const PieceLayout& piece, int instance, const std::filesystem::path& path)
{
    LDicomDS dataSet(nullptr);
    ElementWriter writer(dataSet);
    const ValueScale values = ValuesFor(options);
    WriteIdentity(writer, identity, instance, options.isSigned);
    WritePixelModule(writer, options, values);
    writer.Binary(0x7FE00010, PiecePixels(body, options, values, piece));
    if (!writer.Error().empty())
        return writer.Error();
    if (dataSet.ChangeTransferSyntax(SyntaxUID(options.syntax), 0, 0) != DICOM_SUCCESS)
        return "cannot change the transfer syntax: " + dataSet.GetLastError();
    if (dataSet.SaveDS(path.c_str(), 0) != DICOM_SUCCESS)
        return "cannot write " + path.string() + ": " + dataSet.GetLastError();
    return {};
}
}  // namespace

std::string ValidateOptions(const SampleOptions& options)
{
    const auto within = [](int value, int min, int max) { return value >= min && value <= max; };
    if (!within(options.rows, kMinSide, kMaxSide))
        return "--rows must be between 16 and 10000";
    if (!within(options.columns, kMinSide, kMaxSide))
        return "--cols must be between 16 and 10000";
    if (!within(options.pieces, 1, kMaxPieces))
        return "--pieces must be between 1 and 50";
    if (options.bitsAllocated != 8 && options.bitsAllocated != 16)
        return "--bits must be 8 or 16";
    if (options.isSigned && options.bitsAllocated != 16)
        return "--signed needs --bits 16";
    return {};
}

std::vector<PieceLayout> LayoutPieces(const SampleOptions& options)
{
    const int overlap = static_cast<int>(options.rows * kOverlapFraction);
    std::mt19937 random(options.seed);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::vector<PieceLayout> pieces;
    for (int i = 0; i < options.pieces; ++i) {
        PieceLayout piece;
        // Every draw is made whether or not its option is on, so one option does not
        // change what another draws.
        const double share = kMinRandomOverlap + (kMaxRandomOverlap - kMinRandomOverlap) * unit(random);
        const int rows = options.randomOverlaps ? static_cast<int>(options.rows * share) : overlap;
        piece.bodyTop = i == 0 ? 0 : pieces.back().bodyTop + options.rows - rows;
        piece.bodyLeft = static_cast<int>(std::lround(unit(random) * 2 * options.maxShift));
        piece.gain = 1.0 + options.gainSpread * (2 * unit(random) - 1);
        piece.noise = options.noise * (0.5 + unit(random));
        piece.topBand = static_cast<int>(options.rows * kTopBands[static_cast<size_t>(i) % kTopBands.size()]);
        piece.bottomBand = static_cast<int>(options.rows * kBottomBands[static_cast<size_t>(i) % kBottomBands.size()]);
        pieces.push_back(piece);
    }
    // --featureless: the junction's overlap and a margin of body rows are flat.
    if (options.featureless >= 1 && options.featureless < options.pieces) {
        const size_t j = static_cast<size_t>(options.featureless - 1);
        const int margin = options.rows / 20;
        const int flatTop = pieces[j + 1].bodyTop - margin;
        const int flatBottom = pieces[j].bodyTop + options.rows + margin;
        for (PieceLayout& piece : pieces) {
            piece.flatTop = flatTop;
            piece.flatBottom = flatBottom;
        }
    }
    return pieces;
}

int BodyHeight(const SampleOptions& options)
{
    return LayoutPieces(options).back().bodyTop + options.rows;
}

int BodyWidth(const SampleOptions& options) { return options.columns + 2 * options.maxShift; }

std::string TruthJson(const SampleOptions& options)
{
    const std::vector<PieceLayout> pieces = LayoutPieces(options);
    std::string text = "{\n  \"junctions\": [";
    for (size_t j = 0; j + 1 < pieces.size(); ++j) {
        text += j ? ",\n" : "\n";
        text += "    {\"offset\": " + std::to_string(pieces[j + 1].bodyTop - pieces[j].bodyTop) +
                ", \"dx\": " + std::to_string(pieces[j + 1].bodyLeft - pieces[j].bodyLeft) +
                ", \"featureless\": " + (static_cast<int>(j) + 1 == options.featureless ? "true" : "false") + "}";
    }
    return text + (pieces.size() > 1 ? "\n  ]\n}\n" : "]\n}\n");
}

ValueScale ValuesFor(const SampleOptions& options)
{
    // MONOCHROME2 shows high values bright, MONOCHROME1 low ones: the collimator takes
    // whichever extreme displays bright.
    if (options.bitsAllocated == 8)
        return {10, 245, options.monochrome1 ? 0 : 255};
    if (options.isSigned)
        return {-1500, 2000, options.monochrome1 ? -2048 : 2047};
    return {150, 3950, options.monochrome1 ? 0 : 4095};
}

const char* SyntaxUID(Syntax syntax)
{
    switch (syntax) {
    case Syntax::JpegLossless: return "1.2.840.10008.1.2.4.70";
    case Syntax::JpegLs: return "1.2.840.10008.1.2.4.80";
    case Syntax::Rle: return "1.2.840.10008.1.2.5";
    case Syntax::Raw: break;
    }
    return "1.2.840.10008.1.2.1";
}

std::string WriteSampleStudy(const SampleOptions& options, const std::filesystem::path& dir)
{
    if (std::string reason = ValidateOptions(options); !reason.empty())
        return reason;
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    if (error || !std::filesystem::is_directory(dir))
        return "cannot create directory " + dir.string() + (error ? ": " + error.message() : "");

    const SyntheticBody body(BodyWidth(options), BodyHeight(options));
    const StudyIdentity identity = MakeIdentity();
    const std::vector<PieceLayout> pieces = LayoutPieces(options);
    std::vector<std::filesystem::path> written;
    for (int i = 0; i < options.pieces; ++i) {
        const std::filesystem::path path = dir / ("piece-" + std::to_string(i + 1) + ".dcm");
        std::string reason = WritePiece(body, options, identity, pieces[static_cast<size_t>(i)], i + 1, path);
        if (!reason.empty()) {
            // All or nothing: a study missing pieces would mislead whoever opens it.
            for (const auto& done : written)
                std::filesystem::remove(done, error);
            return reason;
        }
        written.push_back(path);
    }
    const std::filesystem::path truth = dir / "truth.json";
    std::ofstream(truth) << TruthJson(options);
    if (!std::filesystem::exists(truth, error))
        return "cannot write " + truth.string();
    return {};
}

}  // namespace sample
