#include "imaging/DataDictionary.h"

#include "dcmtk/config/osconfig.h"
#include "dcmtk/dcmdata/dcdicent.h"
#include "dcmtk/dcmdata/dcdict.h"

#include <cstdlib>
#include <memory>
#include <mutex>

namespace imaging {
namespace {

// One entry as DCMTK's dictionary holds it; the range restrictions and the VR are the
// toolkit's enumeration values of the build.
struct BuiltinEntry {
    Uint16 group, element, upperGroup, upperElement;
    int groupRestriction, elementRestriction;
    int evr;
    int vmMin, vmMax;
    const char* name;
    const char* version;
    const char* creator;
};

constexpr BuiltinEntry kBuiltinEntries[] = {
#include "BuiltinDictionary.inc"
};

void AddBuiltinEntries(DcmDataDictionary& dictionary)
{
    for (const BuiltinEntry& e : kBuiltinEntries) {
        auto entry = std::make_unique<DcmDictEntry>(e.group, e.element, e.upperGroup, e.upperElement,
                                                    DcmVR(DcmEVR(e.evr)), e.name, e.vmMin, e.vmMax, e.version,
                                                    /*doCopyStrings=*/OFFalse, e.creator);
        entry->setGroupRangeRestriction(DcmDictRangeRestriction(e.groupRestriction));
        entry->setElementRangeRestriction(DcmDictRangeRestriction(e.elementRestriction));
        dictionary.addEntry(entry.release());  // the dictionary owns its entries
    }
}

void CreateFromTable()
{
    const char* named = std::getenv(DCM_DICT_ENVIRONMENT_VARIABLE);
    if (named != nullptr && *named != '\0')
        return;  // the toolkit reads the files named at its first look-up
    // An empty list of files: the toolkit creates its dictionary without reading any. It
    // reads the variable only when it creates the dictionary, under its lock.
    setenv(DCM_DICT_ENVIRONMENT_VARIABLE, std::string(1, ENVIRONMENT_PATH_SEPARATOR).c_str(), 1);
    DcmDataDictionary& dictionary = dcmDataDict.wrlock();
    unsetenv(DCM_DICT_ENVIRONMENT_VARIABLE);
    AddBuiltinEntries(dictionary);
    dcmDataDict.wrunlock();
}

std::string VmText(int vmMin, int vmMax)
{
    if (vmMin == vmMax)
        return std::to_string(vmMin);
    return std::to_string(vmMin) + "-" + (vmMax == DcmVariableVM ? std::string("n") : std::to_string(vmMax));
}

}  // namespace

void LoadBuiltinDictionary()
{
    static std::once_flag once;
    std::call_once(once, CreateFromTable);
}

std::string DescribeTag(std::uint16_t group, std::uint16_t element, const char* privateCreator)
{
    const DcmDataDictionary& dictionary = dcmDataDict.rdlock();
    const DcmDictEntry* entry = dictionary.findEntry(DcmTagKey(group, element), privateCreator);
    std::string text;
    if (entry != nullptr)
        text = std::string(entry->getVR().getVRName()) + " " + (entry->getTagName() ? entry->getTagName() : "") + " " +
               VmText(entry->getVMMin(), entry->getVMMax());
    dcmDataDict.rdunlock();
    return text;
}

std::size_t DictionaryEntryCount()
{
    const std::size_t count = std::size_t(dcmDataDict.rdlock().numberOfEntries());
    dcmDataDict.rdunlock();
    return count;
}

}  // namespace imaging
