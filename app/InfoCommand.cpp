// tessor info: what each file yields when loaded as a source image.
#include "app/Commands.h"
#include "app/Json.h"
#include "app/SourceOptions.h"
#include "image/CBaseImageData.h"
#include "image/CDicomFile.h"

#include <charconv>
#include <cstdio>
#include <string>
#include <utility>

namespace app {
namespace {
// Receives the facts about one image; the text and JSON forms implement it.
class InfoSink {
public:
    virtual ~InfoSink() = default;
    virtual void BeginSection(const char* key, const char* title) = 0;
    virtual void EndSection() = 0;
    virtual void Text(const char* key, const char* label, const std::string& value) = 0;
    virtual void Integer(const char* key, const char* label, long long value) = 0;
    virtual void Real(const char* key, const char* label, double value) = 0;
    virtual void Flag(const char* key, const char* label, bool value) = 0;
};

class TextSink : public InfoSink {
public:
    void BeginSection(const char*, const char* title) override { std::printf("  %s\n", title); }
    void EndSection() override {}
    void Text(const char*, const char* label, const std::string& value) override { Line(label, value); }
    void Integer(const char*, const char* label, long long value) override { Line(label, std::to_string(value)); }
    void Real(const char*, const char* label, double value) override
    {
        char text[40];
        std::snprintf(text, sizeof text, "%.10g", value);
        Line(label, text);
    }
    void Flag(const char*, const char* label, bool value) override { Line(label, value ? "yes" : "no"); }

private:
    static void Line(const char* label, const std::string& value)
    {
        std::printf("    %-24s %s\n", label, value.c_str());
    }
};

// Collects one file's facts into an object of sections.
class JsonSink : public InfoSink {
public:
    void BeginSection(const char* key, const char*) override { m_key = key; }
    void EndSection() override { m_object[m_key] = std::exchange(m_section, Json::object()); }
    void Text(const char* key, const char*, const std::string& value) override { m_section[key] = ToUtf8(value); }
    void Integer(const char* key, const char*, long long value) override { m_section[key] = value; }
    void Real(const char* key, const char*, double value) override { m_section[key] = Number(value); }
    void Flag(const char* key, const char*, bool value) override { m_section[key] = value; }

    // Starts the object of `file`; Take hands it over once its sections are in.
    void Begin(const std::string& file) { m_object = {{"file", ToUtf8(file)}}; }
    Json Take() { return std::exchange(m_object, Json::object()); }

private:
    Json m_object = Json::object();
    Json m_section = Json::object();
    std::string m_key;
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

void DescribeStudy(const CDicomStudyData& s, InfoSink& out)
{
    out.BeginSection("study", "Patient, study and series");
    out.Text("sopInstanceUID", "SOP Instance UID", s.m_strSOPInstanceUID.str());
    out.Text("patientID", "Patient ID", s.m_strPatientID.str());
    out.Text("patientName", "Patient's Name", s.m_strPatientName.str());
    out.Text("patientSex", "Patient's Sex", s.m_strPatientSex.str());
    out.Text("birthDate", "Birth Date", FormatDateTime(s.m_dtBirthDate));
    out.Text("studyInstanceUID", "Study Instance UID", s.m_strStudyInstanceUID.str());
    out.Text("studyID", "Study ID", s.m_strStudyID.str());
    out.Text("study", "Study Date and Time", FormatDateTime(s.m_dtStudy));
    out.Text("studyDescription", "Study Description", s.m_strStudyDescription.str());
    out.Text("seriesInstanceUID", "Series Instance UID", s.m_strSeriesInstanceUID.str());
    out.Integer("seriesNumber", "Series Number", s.m_nSeriesNumber);
    out.Text("series", "Series Date and Time", FormatDateTime(s.m_dtSeries));
    out.Text("modality", "Modality", s.m_strModality.str());
    out.Text("institutionName", "Institution Name", s.m_strInstitutionName.str());
    out.Integer("acquisitionNumber", "Acquisition Number", s.m_nAcquisitionNumber);
    out.Integer("instanceNumber", "Instance Number", s.m_nInstanceNumber);
    out.Real("kvp", "KVP", s.m_dKVP);
    out.Integer("tubeCurrent", "X-Ray Tube Current", s.m_nTubeCurrent);
    out.EndSection();
}

void DescribeAttributes(const CDicomImageAttr& a, InfoSink& out)
{
    out.BeginSection("image", "Image attributes");
    out.Integer("samplesPerPixel", "Samples per Pixel", a.m_nSamplesPerPixel);
    out.Text("photometric", "Photometric", a.m_strPhotometric.str());
    out.Integer("photometricKind", "Photometric kind", a.m_nPhotometric);
    out.Integer("numberOfFrames", "Number of Frames", a.m_nNumberOfFrames);
    out.Integer("rows", "Rows", a.m_nRows);
    out.Integer("columns", "Columns", a.m_nColumns);
    out.Integer("bitsAllocated", "Bits Allocated", a.m_nBitsAllocated);
    out.Integer("bitsStored", "Bits Stored", a.m_nBitsStored);
    out.Integer("highBit", "High Bit", a.m_nHighBit);
    out.Integer("pixelRepresentation", "Pixel Representation", a.m_nPixelRepresentation);
    out.Real("windowWidth", "Window Width", a.m_dWindowWidth);
    out.Real("windowCenter", "Window Center", a.m_dWindowCenter);
    out.Real("rescaleIntercept", "Rescale Intercept", a.m_dRescaleIntercept);
    out.Real("rescaleSlope", "Rescale Slope", a.m_dRescaleSlope);
    out.Real("pixelSpacingRow", "Pixel Spacing (row)", Widen(a.m_fPixelSpacingRow));
    out.Real("pixelSpacingColumn", "Pixel Spacing (column)", Widen(a.m_fPixelSpacingColumn));
    out.Real("sliceThickness", "Slice Thickness", Widen(a.m_fSliceThickness));
    out.EndSection();
}

void DescribeRendering(CBaseImageData& image, InfoSink& out)
{
    // The window is clamped to the value range as the colour table indexes it (signed
    // data at value + 32768); the bitmap section shows the stored values themselves.
    int minValue = 0;
    int maxValue = 0;
    image.GetLutValueRange(&minValue, &maxValue);
    out.BeginSection("window", "Window");
    const bool applied = image.m_bitmap.HasWindow();
    out.Flag("applied", "Applied", applied);
    out.Text("colours", "Colours", image.m_crLutStart == 0 ? "black to white" : "white to black (inverted)");
    if (applied) {
        int width = 0;
        int center = 0;
        image.GetWindow(&width, &center);
        int low = 0;
        int high = 0;
        image.CalcWindowRange(&low, &high, width, center, minValue, maxValue);
        out.Integer("width", "Width", width);
        out.Integer("center", "Centre", center);
        out.Integer("low", "Table range low", low);
        out.Integer("high", "Table range high", high);
    }
    out.EndSection();
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    image.GetImageInfo(&width, &height, &bitsPerPixel);
    out.BeginSection("bitmap", "Bitmap");
    out.Integer("width", "Width", width);
    out.Integer("height", "Height", height);
    out.Integer("bitsPerPixel", "Bits per pixel", bitsPerPixel);
    out.Flag("signed", "Signed", image.m_bitmap.IsSigned());
    image.GetValueRange(&minValue, &maxValue);
    out.Integer("minValue", "Smallest value", minValue);
    out.Integer("maxValue", "Largest value", maxValue);
    out.EndSection();
}

}  // namespace

int RunInfo(const InfoOptions& o)
{
    int status = 0;
    Json documents = Json::array();
    JsonSink jsonSink;
    TextSink textSink;
    InfoSink& sink = o.json ? static_cast<InfoSink&>(jsonSink) : textSink;
    for (const std::string& file : o.files) {
        CBaseImageData image;
        if (!image.Load(file.c_str())) {
            const std::string reason = DescribeLoadFailure(file);
            std::fprintf(stderr, "%s: %s\n", file.c_str(), reason.c_str());
            std::fflush(stderr);
            if (o.json)
                documents.push_back({{"file", ToUtf8(file)}, {"error", ToUtf8(reason)}});
            status = 1;
            continue;
        }
        if (o.json)
            jsonSink.Begin(file);
        else
            std::printf("%s\n", file.c_str());
        DescribeStudy(image.m_study, sink);
        DescribeAttributes(image.m_attr, sink);
        DescribeRendering(image, sink);
        if (o.json)
            documents.push_back(jsonSink.Take());
        std::fflush(stdout);
    }
    if (o.json)
        std::fputs(Dump(documents).c_str(), stdout);
    return status;
}

}  // namespace app
