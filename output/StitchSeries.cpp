#include "output/StitchSeries.h"

#include "imaging/DicomAttribute.h"
#include "imaging/DicomTags.h"
#include "imaging/LDicomDS.h"
#include "imaging/Uid.h"
#include "output/CStitchDicomItem.h"
#include "output/OutputSettings.h"

#include <array>
#include <climits>
#include <cstring>
#include <string>

namespace output {
namespace {

// Attributes of one exposure (or of the acquisition device's state during it) that the
// stitched image does not share: the trim and shift invalidate collimator and field of
// view positions, and the exposure values describe one piece only.
constexpr std::array<DWORD, 33> kPerExposure = {
    0x00181700, 0x00181702, 0x00181704, 0x00181706, 0x00181708, 0x00181710, 0x00181712,  // collimator
    0x00181720,                                                                          // collimator vertices
    0x00181147, 0x00181149, 0x00187030, 0x00187032, 0x00187034,                          // field of view
    0x00187024, 0x00187026, 0x00187028,                                                  // detector active area
    0x00181150, 0x00181152, 0x00181153, 0x00188150, 0x00188151,                          // exposure time, mAs, µAs
    0x00181405, 0x00181411, 0x00181412, 0x00181413,                                      // exposure index
    0x0018115E, 0x00400302, 0x00408302,                                                  // dose
    0x00181114, 0x00181111,                                                              // magnification, distance
    0x00020016, 0x00020017, 0x00020018,                                                  // AE titles
};

// The elements of a repeating overlay group (60xx), and the groups.
constexpr std::array<WORD, 16> kOverlayElements = {0x0010, 0x0011, 0x0015, 0x0022, 0x0040, 0x0045, 0x0050, 0x0051,
                                                   0x0100, 0x0102, 0x1001, 0x1301, 0x1302, 0x1303, 0x1500, 0x3000};

using imaging::FindOrInsert;

void Delete(LDicomDS& ds, DWORD tag) { imaging::RemoveAttribute(ds, tag); }

// Every value of a text element (the lossy ratios and methods are multi-valued).
std::string Text(LDicomDS& ds, DWORD tag, ULONG count = 1)
{
    pDICOMELEMENT element = ds.FindFirstElement(nullptr, tag, FALSE);
    const char* text = element ? ds.GetStringValue(element, 0, count) : nullptr;
    std::string value = text ? text : "";
    while (!value.empty() && value.back() == ' ')
        value.pop_back();
    return value;
}

// The lossy method of a transfer syntax, empty for lossless ones.
const char* LossyMethod(const std::string& syntax)
{
    if (syntax == "1.2.840.10008.1.2.4.50" || syntax == "1.2.840.10008.1.2.4.51")
        return "ISO_10918_1";
    if (syntax == "1.2.840.10008.1.2.4.81")
        return "ISO_14495_1";
    if (syntax == "1.2.840.10008.1.2.4.91")
        return "ISO_15444_1";
    return "";
}

}  // namespace

void ReadLossyHistory(LDicomDS& ds, CStitchDicomItem& item)
{
    item.m_bFromFile = true;
    const char* method = LossyMethod(ds.GetTransferSyntaxUID());
    item.m_bLossy = Text(ds, TAG_LOSSY_IMAGE_COMPRESSION) == "01" || *method != '\0';
    if (!item.m_bLossy)
        return;
    pDICOMELEMENT ratio = ds.FindFirstElement(nullptr, TAG_LOSSY_IMAGE_COMPRESSION_RATIO, FALSE);
    pDICOMELEMENT methods = ds.FindFirstElement(nullptr, TAG_LOSSY_IMAGE_COMPRESSION_METHOD, FALSE);
    item.m_strLossyRatio = Text(ds, TAG_LOSSY_IMAGE_COMPRESSION_RATIO, ratio ? ds.GetCountValue(ratio) : 1).c_str();
    item.m_strLossyMethod = Text(ds, TAG_LOSSY_IMAGE_COMPRESSION_METHOD, methods ? ds.GetCountValue(methods) : 1).c_str();
    if (item.m_strLossyMethod.IsEmpty())
        item.m_strLossyMethod = method;
}

void WriteNewSeries(LDicomDS& ds, const std::tm& now)
{
    const std::string seriesUid = imaging::GenerateUniqueUID();
    ds.SetStringValue(FindOrInsert(ds, TAG_SERIES_INSTANCE_UID), seriesUid.c_str(), 1);

    pDICOMELEMENT number = ds.FindFirstElement(nullptr, TAG_SERIES_NUMBER, FALSE);
    const LONG* templateNumber = number ? ds.GetLongValue(number, 0, 1) : nullptr;
    const LONG seriesNumber = templateNumber && *templateNumber >= 0 && *templateNumber <= INT_MAX - 1000
                                  ? *templateNumber + 1000
                                  : 1000;
    ds.SetLongValue(FindOrInsert(ds, TAG_SERIES_NUMBER), &seriesNumber, 1);

    const std::string suffix = g_strSeriesSuffix.str();
    std::string description = Text(ds, TAG_SERIES_DESCRIPTION);
    constexpr size_t kLongString = 64;
    if (description.empty() || suffix.empty()) {
        description = description.empty() ? suffix : description;
    } else {
        description.resize(std::min(description.size(), kLongString - std::min(kLongString, suffix.size() + 1)));
        description += " " + suffix;
    }
    description.resize(std::min(description.size(), kLongString));
    if (!description.empty())
        ds.SetStringValue(FindOrInsert(ds, TAG_SERIES_DESCRIPTION), description.c_str(), 1);

    WriteDateTime(ds, TAG_INSTANCE_CREATION_DATE, TAG_INSTANCE_CREATION_TIME, now);
}

void WriteDateTime(LDicomDS& ds, DWORD dateTag, DWORD timeTag, const std::tm& when)
{
    const VALUEDATE date{static_cast<USHORT>(when.tm_year + 1900), static_cast<USHORT>(when.tm_mon + 1),
                         static_cast<USHORT>(when.tm_mday)};
    const VALUETIME time{static_cast<USHORT>(when.tm_hour), static_cast<USHORT>(when.tm_min),
                         static_cast<USHORT>(when.tm_sec), 0};
    ds.SetDateValue(FindOrInsert(ds, dateTag), &date, 1);
    ds.SetTimeValue(FindOrInsert(ds, timeTag), &time, 1);
}

void DropPerExposureAttributes(LDicomDS& ds)
{
    Delete(ds, TAG_INSTANCE_CREATOR_UID);
    for (DWORD tag : kPerExposure)
        Delete(ds, tag);
    for (DWORD group = 0x6000; group <= 0x601E; group += 2) {
        for (WORD element : kOverlayElements)
            Delete(ds, (group << 16) | element);
    }
    Delete(ds, TAG_ICON_IMAGE_SEQUENCE);
    Delete(ds, TAG_REFERENCED_IMAGE_SEQUENCE);
}

void WriteLossyHistory(LDicomDS& ds, const std::vector<const CStitchDicomItem*>& sources)
{
    const CStitchDicomItem* lossy = nullptr;
    bool allFiles = !sources.empty();
    for (const CStitchDicomItem* item : sources) {
        allFiles = allFiles && item->m_bFromFile;
        if (item->m_bLossy && lossy == nullptr)
            lossy = item;
    }
    if (lossy == nullptr) {
        if (!allFiles)
            return;
        ds.SetStringValue(FindOrInsert(ds, TAG_LOSSY_IMAGE_COMPRESSION), "00", 1);
        Delete(ds, TAG_LOSSY_IMAGE_COMPRESSION_RATIO);
        Delete(ds, TAG_LOSSY_IMAGE_COMPRESSION_METHOD);
        return;
    }
    ds.SetStringValue(FindOrInsert(ds, TAG_LOSSY_IMAGE_COMPRESSION), "01", 1);
    Delete(ds, TAG_LOSSY_IMAGE_COMPRESSION_RATIO);
    Delete(ds, TAG_LOSSY_IMAGE_COMPRESSION_METHOD);
    if (!lossy->m_strLossyRatio.IsEmpty())
        ds.SetStringValue(FindOrInsert(ds, TAG_LOSSY_IMAGE_COMPRESSION_RATIO), lossy->m_strLossyRatio, 1);
    if (!lossy->m_strLossyMethod.IsEmpty())
        ds.SetStringValue(FindOrInsert(ds, TAG_LOSSY_IMAGE_COMPRESSION_METHOD), lossy->m_strLossyMethod, 1);
}

}  // namespace output
