// Internal to the imaging layer: the data set's state and the helpers its source
// files share. Includes DCMTK; never included outside imaging/.
#pragma once

#include "imaging/LDicomDS.h"

#include "dcmtk/config/osconfig.h"
#include "dcmtk/dcmdata/dcfilefo.h"
#include "dcmtk/dcmdata/dcxfer.h"

#include <string>
#include <vector>

class DcmElement;
class DcmItem;
class DcmObject;

struct LDicomDS::Impl {
    DcmFileFormat file;
    // The transfer syntax the data set is held in and will be written in. DCMTK's own
    // bookkeeping keeps the original syntax after a decompression, so we track it.
    E_TransferSyntax xfer = EXS_LittleEndianExplicit;
    std::string lastError;

    // Value buffers handed out by the getters, valid until the next getter call.
    std::string strValue;
    std::vector<short> shortValues;
    std::vector<LONG> longValues;
    std::vector<double> doubleValues;
    std::vector<VALUEDATE> dateValues;
    std::vector<VALUETIME> timeValues;

    DcmDataset& Dataset() { return *file.getDataset(); }

    // Records a failure reason and returns `code`, for one-line failure exits.
    int Fail(int code, std::string reason)
    {
        lastError = std::move(reason);
        return code;
    }
    BOOL FailBool(std::string reason)
    {
        lastError = std::move(reason);
        return FALSE;
    }
    void Succeed() { lastError.clear(); }
};

namespace imaging {

// A handle names a DcmObject: an element, or an item of a sequence (tag TAG_ITEM).
// ToElement gives nullptr for an item handle.
inline DcmObject* ToObject(pDICOMELEMENT handle) { return reinterpret_cast<DcmObject*>(handle); }
inline DcmElement* ToElement(pDICOMELEMENT handle) { return dynamic_cast<DcmElement*>(ToObject(handle)); }
inline pDICOMELEMENT ToHandle(DcmObject* object) { return reinterpret_cast<pDICOMELEMENT>(object); }

// DcmFileFormat::loadFile, with the standard-library exceptions the toolkit lets escape
// from damaged values (3.6.7 throws std::out_of_range checking a directory record's type)
// turned into a failed condition instead of ending the process.
OFCondition LoadFileCatching(DcmFileFormat& file, const char* path);

// "(gggg,eeee)" for messages.
std::string TagText(DWORD tag);

// The PhotometricKind code of a Photometric Interpretation text, letter case ignored.
LONG PhotometricCode(const std::string& text);

}  // namespace imaging
