// tessor info: what each file yields when loaded as a source image.
#include "app/Commands.h"
#include "app/Json.h"
#include "app/SourceOptions.h"
#include "image/CBaseImageData.h"
#include "image/CDicomFile.h"
#include "stitch/StitchMessages.h"

#include <charconv>
#include <cstdio>
#include <string>

namespace app {
namespace {
// The facts about one file, gathered once and shown either as a JSON object of sections or
// as labelled lines of text.
class Facts {
public:
    explicit Facts(const std::string& file) : m_json({{"file", ToUtf8(file)}}), m_text(file + "\n") {}

    void Section(const char* key, const char* title)
    {
        m_section = key;
        m_json[key] = Json::object();
        m_text += std::string("  ") + title + "\n";
    }
    void Add(const char* key, const char* label, const Json& value)
    {
        const Json shown = value.is_string()         ? Json(ToUtf8(value.get<std::string>()))
                           : value.is_number_float() ? Number(value.get<double>())
                                                     : value;
        m_json[m_section][key] = shown;
        const std::string text = shown.is_string() ? value.get<std::string>()
                                 : shown.is_boolean() ? (shown.get<bool>() ? "yes" : "no")
                                                      : shown.dump();
        char line[64];
        std::snprintf(line, sizeof line, "    %-24s ", label);
        m_text += line + text + "\n";
    }

    const Json& AsJson() const { return m_json; }
    const std::string& AsText() const { return m_text; }

private:
    Json m_json;
    std::string m_text;
    std::string m_section;
};

// A 32-bit float as the double with the same shortest decimal form (0.15f shows as 0.15).
double Widen(float value)
{
    char text[32];
    const auto written = std::to_chars(text, text + sizeof text, value);
    double result = value;
    std::from_chars(text, written.ptr, result);
    return result;
}

std::string FormatDateTime(const COleDateTime& value)
{
    return value.Format("%Y-%m-%d %H:%M:%S").str();
}

void DescribeStudy(const CDicomStudyData& s, Facts& out)
{
    out.Section("study", "Patient, study and series");
    out.Add("sopInstanceUID", "SOP Instance UID", s.m_strSOPInstanceUID.str());
    out.Add("patientID", "Patient ID", s.m_strPatientID.str());
    out.Add("patientName", "Patient's Name", s.m_strPatientName.str());
    out.Add("patientSex", "Patient's Sex", s.m_strPatientSex.str());
    out.Add("birthDate", "Birth Date", FormatDateTime(s.m_dtBirthDate));
    out.Add("studyInstanceUID", "Study Instance UID", s.m_strStudyInstanceUID.str());
    out.Add("studyID", "Study ID", s.m_strStudyID.str());
    out.Add("study", "Study Date and Time", FormatDateTime(s.m_dtStudy));
    out.Add("studyDescription", "Study Description", s.m_strStudyDescription.str());
    out.Add("seriesInstanceUID", "Series Instance UID", s.m_strSeriesInstanceUID.str());
    out.Add("seriesNumber", "Series Number", s.m_nSeriesNumber);
    out.Add("series", "Series Date and Time", FormatDateTime(s.m_dtSeries));
    out.Add("modality", "Modality", s.m_strModality.str());
    out.Add("institutionName", "Institution Name", s.m_strInstitutionName.str());
    out.Add("acquisitionNumber", "Acquisition Number", s.m_nAcquisitionNumber);
    out.Add("instanceNumber", "Instance Number", s.m_nInstanceNumber);
    out.Add("kvp", "KVP", s.m_dKVP);
    out.Add("tubeCurrent", "X-Ray Tube Current", s.m_nTubeCurrent);
}

void DescribeAttributes(const CDicomImageAttr& a, Facts& out)
{
    out.Section("image", "Image attributes");
    out.Add("samplesPerPixel", "Samples per Pixel", a.m_nSamplesPerPixel);
    out.Add("photometric", "Photometric", a.m_strPhotometric.str());
    out.Add("photometricKind", "Photometric kind", a.m_nPhotometric);
    out.Add("numberOfFrames", "Number of Frames", a.m_nNumberOfFrames);
    out.Add("rows", "Rows", a.m_nRows);
    out.Add("columns", "Columns", a.m_nColumns);
    out.Add("bitsAllocated", "Bits Allocated", a.m_nBitsAllocated);
    out.Add("bitsStored", "Bits Stored", a.m_nBitsStored);
    out.Add("highBit", "High Bit", a.m_nHighBit);
    out.Add("pixelRepresentation", "Pixel Representation", a.m_nPixelRepresentation);
    if (a.m_nPixelRepresentation < 0)
        out.Add("pixelRepresentationMissing", "Pixel Representation missing", "read as unsigned");
    out.Add("windowWidth", "Window Width", a.m_dWindowWidth);
    out.Add("windowCenter", "Window Center", a.m_dWindowCenter);
    out.Add("rescaleIntercept", "Rescale Intercept", a.m_dRescaleIntercept);
    out.Add("rescaleSlope", "Rescale Slope", a.m_dRescaleSlope);
    out.Add("pixelSpacingRow", "Pixel Spacing (row)", Widen(a.m_fPixelSpacingRow));
    out.Add("pixelSpacingColumn", "Pixel Spacing (column)", Widen(a.m_fPixelSpacingColumn));
    out.Add("sliceThickness", "Slice Thickness", Widen(a.m_fSliceThickness));
}

void DescribeRendering(CBaseImageData& image, Facts& out)
{
    // The window is clamped to the value range as the colour table indexes it (signed
    // data at value + 32768); the bitmap section shows the stored values themselves.
    int minValue = 0;
    int maxValue = 0;
    image.GetLutValueRange(&minValue, &maxValue);
    out.Section("window", "Window");
    const bool applied = image.m_bitmap.HasWindow();
    out.Add("applied", "Applied", applied);
    out.Add("colours", "Colours", image.m_crLutStart == 0 ? "black to white" : "white to black (inverted)");
    if (applied) {
        int width = 0;
        int center = 0;
        image.GetWindow(&width, &center);
        int low = 0;
        int high = 0;
        image.CalcWindowRange(&low, &high, width, center, minValue, maxValue);
        out.Add("width", "Width", width);
        out.Add("center", "Centre", center);
        out.Add("low", "Table range low", low);
        out.Add("high", "Table range high", high);
    }
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    image.GetImageInfo(&width, &height, &bitsPerPixel);
    out.Section("bitmap", "Bitmap");
    out.Add("width", "Width", width);
    out.Add("height", "Height", height);
    out.Add("bitsPerPixel", "Bits per pixel", bitsPerPixel);
    out.Add("signed", "Signed", image.m_bitmap.IsSigned() != FALSE);
    image.GetValueRange(&minValue, &maxValue);
    out.Add("minValue", "Smallest value", minValue);
    out.Add("maxValue", "Largest value", maxValue);
}

}  // namespace

int RunInfo(const InfoOptions& given)
{
    InfoOptions o = given;
    // Every series of the folders given, one after the other.
    if (std::string reason; !ResolveStudyInput(o.files, std::string(), true, reason))
        return Fail(reason);
    int status = 0;
    Json documents = Json::array();
    for (const std::string& file : o.files) {
        CBaseImageData image;
        if (!image.Load(file.c_str())) {
            // The reason comes from this reading: the file is not parsed a second time.
            const std::string reason =
                stitchtext::LoadFailureReason({ELoadFailure::Unreadable, 0, image.m_bitmap.GetLastError()});
            std::fprintf(stderr, "%s: %s\n", file.c_str(), reason.c_str());
            std::fflush(stderr);
            documents.push_back({{"file", ToUtf8(file)}, {"error", ToUtf8(reason)}});
            status = 1;
            continue;
        }
        Facts facts(file);
        DescribeStudy(image.m_study, facts);
        DescribeAttributes(image.m_attr, facts);
        DescribeRendering(image, facts);
        if (o.json)
            documents.push_back(facts.AsJson());
        else
            std::fputs(facts.AsText().c_str(), stdout);
        std::fflush(stdout);
    }
    if (o.json)
        std::fputs(Dump(documents).c_str(), stdout);
    return status;
}

}  // namespace app
