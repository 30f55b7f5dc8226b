#include "output/StitchProvenance.h"

#include "imaging/DicomAttribute.h"
#include "imaging/DicomTags.h"
#include "imaging/LDicomDS.h"
#include "output/CStitchDicomItem.h"

#include <cstdio>
#include <string>

namespace output {
namespace {

struct CodedConcept {
    const char* value;
    const char* scheme;
    const char* meaning;
};
constexpr CodedConcept kImageStitching{"113090", "DCM", "Image stitching"};
constexpr CodedConcept kSourceForMontage{"121329", "DCM", "Source image for montage"};

// Builds nested elements, remembering the first failure.
class CElementWriter {
public:
    CElementWriter(LDicomDS& ds, CString& error) : m_ds(ds), m_error(error) {}
    bool Ok() const { return m_ok; }

    // A fresh top-level element: the template's own one, if any, is removed first.
    pDICOMELEMENT Replace(DWORD tag)
    {
        imaging::RemoveAttribute(m_ds, tag);
        return Check(m_ds.InsertElement(nullptr, FALSE, tag, 0, FALSE, 0), tag);
    }
    pDICOMELEMENT Child(pDICOMELEMENT parent, DWORD tag)
    {
        return parent ? Check(m_ds.InsertElement(parent, TRUE, tag, 0, FALSE, 0), tag) : nullptr;
    }
    void SetText(pDICOMELEMENT element, const std::string& text, ULONG count = 1)
    {
        if (element && !m_ds.SetStringValue(element, text.c_str(), count))
            Fail(m_ds.GetElementTag(element));
    }
    void SetChildText(pDICOMELEMENT item, DWORD tag, const std::string& text) { SetText(Child(item, tag), text); }
    // One item holding the concept, appended to `sequence`.
    void AddConcept(pDICOMELEMENT sequence, const CodedConcept& code)
    {
        pDICOMELEMENT item = Child(sequence, TAG_ITEM);
        SetChildText(item, TAG_CODE_VALUE, code.value);
        SetChildText(item, TAG_CODING_SCHEME_DESIGNATOR, code.scheme);
        SetChildText(item, TAG_CODE_MEANING, code.meaning);
    }

private:
    pDICOMELEMENT Check(pDICOMELEMENT element, DWORD tag)
    {
        if (!element)
            Fail(tag);
        return element;
    }
    void Fail(DWORD tag)
    {
        if (!m_ok)
            return;
        m_ok = false;
        char name[16];
        std::snprintf(name, sizeof name, "(%04X,%04X)", unsigned(tag >> 16), unsigned(tag & 0xFFFF));
        m_error = CString("Fail to record the source images in ") + name + ": " + m_ds.GetLastError().c_str();
    }
    LDicomDS& m_ds;
    CString& m_error;
    bool m_ok = true;
};

// The template's Image Type with value 1 replaced by DERIVED; at least two values.
std::string DerivedImageType(LDicomDS& ds)
{
    pDICOMELEMENT element = ds.FindFirstElement(nullptr, TAG_IMAGE_TYPE, FALSE);
    const ULONG count = element ? ds.GetCountValue(element) : 0;
    const char* joined = count > 0 ? ds.GetStringValue(element, 0, count) : nullptr;
    const std::string values = joined ? joined : "";
    const size_t firstEnd = values.find('\\');
    return firstEnd == std::string::npos ? "DERIVED\\PRIMARY" : "DERIVED" + values.substr(firstEnd);
}

ULONG ValueCount(const std::string& joined)
{
    ULONG count = 1;
    for (char c : joined)
        count += c == '\\';
    return count;
}

}  // namespace

BOOL WriteProvenance(LDicomDS& ds, const std::vector<const CStitchDicomItem*>& sources, CString& error)
{
    CElementWriter writer(ds, error);
    const std::string imageType = DerivedImageType(ds);
    writer.SetText(writer.Replace(TAG_IMAGE_TYPE), imageType, ValueCount(imageType));
    writer.SetText(writer.Replace(TAG_DERIVATION_DESCRIPTION),
                   "Stitched from " + std::to_string(sources.size()) + " images");
    writer.AddConcept(writer.Replace(TAG_DERIVATION_CODE_SEQUENCE), kImageStitching);

    imaging::RemoveAttribute(ds, TAG_SOURCE_IMAGE_SEQUENCE);
    pDICOMELEMENT sequence = nullptr;
    for (const CStitchDicomItem* source : sources) {
        if (source->m_strSOPInstanceUID.IsEmpty() || source->m_strSOPClassUID.IsEmpty())
            continue;  // a bitmap source has no instance to refer to
        if (!sequence)
            sequence = writer.Replace(TAG_SOURCE_IMAGE_SEQUENCE);
        pDICOMELEMENT item = writer.Child(sequence, TAG_ITEM);
        writer.SetChildText(item, TAG_REFERENCED_SOP_CLASS_UID, source->m_strSOPClassUID.str());
        writer.SetChildText(item, TAG_REFERENCED_SOP_INSTANCE_UID, source->m_strSOPInstanceUID.str());
        writer.AddConcept(writer.Child(item, TAG_PURPOSE_OF_REFERENCE_CODE_SEQUENCE), kSourceForMontage);
    }
    return writer.Ok() ? TRUE : FALSE;
}

}  // namespace output
