// LDicomDS: loading, searching, inserting and deleting elements.
#include "imaging/DicomInternal.h"
#include "platform/StageTrace.h"

#include "imaging/Codecs.h"

#include "dcmtk/dcmdata/dcdeftag.h"
#include "dcmtk/dcmdata/dcitem.h"
#include "dcmtk/dcmdata/dcmetinf.h"
#include "dcmtk/dcmdata/dcsequen.h"
#include "dcmtk/dcmdata/dcvrus.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <strings.h>

namespace fs = std::filesystem;

namespace imaging {

std::string TagText(DWORD tag)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "(%04X,%04X)", unsigned(tag >> 16), unsigned(tag & 0xFFFF));
    return buffer;
}

LONG PhotometricCode(const std::string& text)
{
    static constexpr const char* kNames[] = {"MONOCHROME1", "MONOCHROME2", "PALETTE COLOR", "RGB",
                                             "ARGB",        "CMYK",        "YBR_FULL",      "YBR_FULL_422"};
    for (LONG code = 0; code < LONG(std::size(kNames)); ++code)
        if (strcasecmp(text.c_str(), kNames[code]) == 0)
            return code;
    return DICOM_PHOTOMETRIC_OTHER;
}

}  // namespace imaging

namespace {

DcmTagKey KeyOf(DWORD tag) { return DcmTagKey(Uint16(tag >> 16), Uint16(tag & 0xFFFF)); }

// Checks what the file system says about `path` before DCMTK reads it, so that the
// reason names the real problem. DICOM_SUCCESS or a failure code with `reason` set.
int CheckReadableFile(const char* path, std::string& reason)
{
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (!fs::exists(status)) {
        reason = std::string("the file '") + path + "' does not exist";
        return ERROR_FILE_OPEN;
    }
    if (fs::is_directory(status)) {
        reason = std::string("'") + path + "' is a folder, not a file";
        return ERROR_FILE_OPEN;
    }
    if (!std::ifstream(path, std::ios::binary).is_open()) {
        reason = std::string("the file '") + path + "' cannot be opened";
        return ERROR_FILE_OPEN;
    }
    if (fs::is_regular_file(status) && fs::file_size(path, ec) == 0) {
        reason = std::string("the file '") + path + "' is empty";
        return ERROR_FILE_FORMAT;
    }
    return DICOM_SUCCESS;
}

// Resolves the dictionary's ambiguous value representations from the data set.
DcmEVR ResolveVR(DcmEVR vr, DcmItem& dataset)
{
    Uint16 value = 0;
    switch (vr) {
    case EVR_xs:
    case EVR_lt:
        return dataset.findAndGetUint16(DCM_PixelRepresentation, value).good() && value == 1 ? EVR_SS : EVR_US;
    case EVR_ox:
    case EVR_px:
        return dataset.findAndGetUint16(DCM_BitsAllocated, value).good() && value > 8 ? EVR_OW : EVR_OB;
    case EVR_up:
        return EVR_UL;
    default:
        return vr;
    }
}

// Reads every value into memory but the top-level Pixel Data.
OFCondition LoadAllButPixelData(DcmFileFormat& file)
{
    OFCondition cond = file.getMetaInfo()->loadAllDataIntoMemory();
    DcmDataset& dataset = *file.getDataset();
    for (unsigned long i = 0; cond.good() && i < dataset.card(); ++i) {
        DcmElement* element = dataset.getElement(i);
        if (element && element->getTag() != DCM_PixelData)
            cond = element->loadAllDataIntoMemory();
    }
    return cond;
}

}  // namespace

LDicomDS::LDicomDS(LPCTSTR /*tempPath*/) : m_impl(std::make_unique<Impl>())
{
    imaging::EnsureToolkitReady();
}

LDicomDS::~LDicomDS() = default;

const std::string& LDicomDS::GetLastError() const { return m_impl->lastError; }

void LDicomDS::ResetDS()
{
    m_impl->file.getMetaInfo()->clear();
    m_impl->file.getDataset()->clear();
    m_impl->xfer = EXS_LittleEndianExplicit;
}

OFCondition imaging::LoadFileCatching(DcmFileFormat& file, const char* path)
{
    try {
        return file.loadFile(path);
    } catch (const std::exception& error) {  // the caller resets what was read
        return makeOFCondition(OFM_dcmdata, 1, OF_error, (std::string("damaged value: ") + error.what()).c_str());
    }
}

int LDicomDS::LoadDS(LPCTSTR path, UINT flags)
{
    const platform::StageScope trace(platform::Stage::Parse);
    ResetDS();
    std::string reason;
    if (!imaging::EnsureToolkitReady(&reason))
        return m_impl->Fail(ERROR_FILE_FORMAT, reason);
    if (!path || !*path)
        return m_impl->Fail(ERROR_FILE_OPEN, "no file name was given");
    if (const int code = CheckReadableFile(path, reason); code != DICOM_SUCCESS)
        return m_impl->Fail(code, reason);

    OFCondition cond = imaging::LoadFileCatching(m_impl->file, path);
    // Values are read lazily by default; reading them all now detaches the data set
    // from the file, so that saving over the same path cannot lose them.
    if (cond.good())
        cond = (flags & LOADDS_PIXEL_DATA_ON_DEMAND) ? LoadAllButPixelData(m_impl->file)
                                                     : m_impl->file.loadAllDataIntoMemory();
    if (cond.good() && m_impl->Dataset().card() == 0)
        cond = makeOFCondition(OFM_dcmdata, 1, OF_error, "no data elements found");
    if (cond.bad()) {
        ResetDS();
        return m_impl->Fail(ERROR_FILE_FORMAT,
                            std::string("'") + path + "' is not a readable DICOM file: " + cond.text());
    }
    m_impl->xfer = m_impl->Dataset().getOriginalXfer();
    if (m_impl->xfer == EXS_Unknown)
        m_impl->xfer = EXS_LittleEndianExplicit;
    m_impl->Succeed();
    return DICOM_SUCCESS;
}

pDICOMELEMENT LDicomDS::FindFirstElement(pDICOMELEMENT /*pStart*/, DWORD tag, BOOL bTree)
{
    const DcmTagKey key = KeyOf(tag);
    DcmItem* root = key.getGroup() == 0x0002 ? static_cast<DcmItem*>(m_impl->file.getMetaInfo())
                                             : static_cast<DcmItem*>(m_impl->file.getDataset());
    DcmElement* element = nullptr;
    // DCMTK's deep search returns a nested match before a later top-level one: look
    // at the top level first.
    if (root->findAndGetElement(key, element, OFFalse).good())
        return imaging::ToHandle(element);
    if (bTree && root->findAndGetElement(key, element, OFTrue).good())
        return imaging::ToHandle(element);
    return nullptr;
}

DWORD LDicomDS::GetElementTag(pDICOMELEMENT element) const
{
    if (!element)
        return 0;
    const DcmTag& tag = imaging::ToObject(element)->getTag();
    return (DWORD(tag.getGroup()) << 16) | tag.getElement();
}

ULONG LDicomDS::GetCountValue(pDICOMELEMENT element)
{
    return element ? imaging::ToObject(element)->getVM() : 0;
}

ULONG LDicomDS::GetElementLength(pDICOMELEMENT element)
{
    return element ? imaging::ToObject(element)->getLength() : 0;
}

pDICOMELEMENT LDicomDS::InsertElement(pDICOMELEMENT pNeighbor, BOOL bChild, DWORD tag, WORD /*nVR*/,
                                      BOOL /*bSequence*/, ULONG /*index*/)
{
    const DcmTagKey key = KeyOf(tag);
    DcmItem* root = key.getGroup() == 0x0002 ? static_cast<DcmItem*>(m_impl->file.getMetaInfo())
                                             : static_cast<DcmItem*>(m_impl->file.getDataset());
    if (bChild && pNeighbor) {
        DcmObject* parent = imaging::ToObject(pNeighbor);
        if (auto* sequence = dynamic_cast<DcmSequenceOfItems*>(parent)) {
            if (tag != TAG_ITEM) {
                m_impl->lastError = "a sequence holds only items";
                return nullptr;
            }
            auto* item = new DcmItem();
            if (sequence->append(item).bad()) {
                delete item;  // not taken by the sequence
                m_impl->lastError = "cannot append an item to " + imaging::TagText(GetElementTag(pNeighbor));
                return nullptr;
            }
            m_impl->Succeed();
            return imaging::ToHandle(item);
        }
        root = dynamic_cast<DcmItem*>(parent);
        if (!root || dynamic_cast<DcmDataset*>(parent) || key.getGroup() == 0x0002) {
            m_impl->lastError = "elements can be inserted only into a sequence item";
            return nullptr;
        }
    }
    DcmTag dicomTag(key);
    if (dicomTag.getEVR() == EVR_UNKNOWN || dicomTag.getEVR() == EVR_UN) {
        m_impl->lastError = "the data dictionary does not know the element " + imaging::TagText(tag);
        return nullptr;
    }
    if (root->tagExists(key)) {
        m_impl->lastError = "the element " + imaging::TagText(tag) + " is already present";
        return nullptr;
    }
    dicomTag.setVR(DcmVR(ResolveVR(dicomTag.getEVR(), m_impl->Dataset())));
    DcmElement* element = nullptr;
    OFCondition cond = DcmItem::newDicomElementWithVR(element, dicomTag);
    if (cond.good())
        cond = root->insert(element, OFFalse);
    if (cond.bad()) {
        delete element;  // DCMTK hands ownership to the item only on a successful insert
        m_impl->lastError = "cannot insert " + imaging::TagText(tag) + ": " + cond.text();
        return nullptr;
    }
    m_impl->Succeed();
    return imaging::ToHandle(element);
}

int LDicomDS::DeleteElement(pDICOMELEMENT handle)
{
    if (!handle)
        return m_impl->Fail(ERROR_INV_PARAMETER, "no element was given");
    DcmElement* element = imaging::ToElement(handle);
    if (!element) {
        // A sequence item: removed from its sequence.
        auto* item = dynamic_cast<DcmItem*>(imaging::ToObject(handle));
        auto* sequence = item ? dynamic_cast<DcmSequenceOfItems*>(item->getParent()) : nullptr;
        DcmItem* removed = sequence ? sequence->remove(item) : nullptr;
        if (!removed)
            return m_impl->Fail(ERROR_INV_PARAMETER, "the item is not in a sequence");
        delete removed;  // removed from the sequence, owned by us now
        m_impl->Succeed();
        return DICOM_SUCCESS;
    }
    auto* parent = dynamic_cast<DcmItem*>(element->getParent());
    if (!parent)
        return m_impl->Fail(ERROR_INV_PARAMETER, "the element belongs to no data set");
    DcmElement* removed = parent->remove(element);
    if (!removed)
        return m_impl->Fail(ERROR_INV_PARAMETER, "the element is not in its data set");
    delete removed;  // removed from the item, owned by us now
    m_impl->Succeed();
    return DICOM_SUCCESS;
}
