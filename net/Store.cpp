// Verification and storage as a service user.
#include "net/ScuSession.h"
#include "net/Services.h"

#include <dcmtk/dcmdata/dcdeftag.h>
#include <dcmtk/dcmdata/dcfilefo.h>
#include <dcmtk/dcmdata/dcuid.h>
#include <dcmtk/dcmdata/dcxfer.h>

#include <algorithm>
#include <memory>
#include <set>
#include <utility>

namespace net {

using namespace detail;

NetResult Echo(const Peer& peer, const AssociationSettings& settings)
{
    DcmSCU scu;
    Configure(scu, peer, settings);
    scu.addPresentationContext(UID_VerificationSOPClass, UncompressedSyntaxes());
    NetResult result = Associate(scu, peer);
    if (!result.ok)
        return result;
    const OFCondition condition = scu.sendECHORequest(0);
    if (condition.bad()) {
        result = {false, "C-ECHO to " + ToString(peer) + " failed: " + OneLine(condition)};
        Finish(scu, true);
        return result;
    }
    Finish(scu);
    return result;
}

bool SendResult::AllStored() const
{
    return association.ok && std::all_of(files.begin(), files.end(), [](const auto& f) { return f.stored; });
}

namespace {

// What a file is, read from its header; empty sopClass when it is not a DICOM file.
struct FileKind {
    std::string sopClass, sopInstance, syntax;
    std::string error;
};

FileKind ReadKind(const std::string& path)
{
    FileKind kind;
    DcmFileFormat file;
    // Values over 4 KB stay on disk: only the header is read here.
    const OFCondition condition = file.loadFile(path.c_str(), EXS_Unknown, EGL_noChange, 4096);
    OFString sopClass, sopInstance;
    if (condition.bad()) {
        kind.error = "not sent: " + OneLine(condition);
    } else if (file.getDataset()->findAndGetOFString(DCM_SOPClassUID, sopClass).bad() || sopClass.empty() ||
               file.getDataset()->findAndGetOFString(DCM_SOPInstanceUID, sopInstance).bad()) {
        kind.error = "not sent: no SOP Class or Instance UID";
    } else {
        kind.sopClass = sopClass.c_str();
        kind.sopInstance = sopInstance.c_str();
        kind.syntax = DcmXfer(file.getDataset()->getOriginalXfer()).getXferID();
    }
    return kind;
}

// One context per (class, own syntax) and one per class with the uncompressed syntaxes.
// The association offers at most 128 contexts; a list needing more is refused whole.
constexpr size_t kMaxContexts = 128;

bool ProposeContexts(DcmSCU& scu, const std::vector<FileKind>& kinds)
{
    std::set<std::pair<std::string, std::string>> own;
    std::set<std::string> classes;
    for (const FileKind& kind : kinds) {
        if (kind.error.empty()) {
            own.insert({kind.sopClass, kind.syntax});
            classes.insert(kind.sopClass);
        }
    }
    if (own.size() + classes.size() > kMaxContexts)
        return false;
    for (const auto& [sopClass, syntax] : own)
        scu.addPresentationContext(sopClass.c_str(), OFList<OFString>(1, syntax.c_str()));
    for (const std::string& sopClass : classes)
        scu.addPresentationContext(sopClass.c_str(), UncompressedSyntaxes());
    return true;
}

// The data set of `path` in `syntax`, an uncompressed one;
// empty with the reason when it cannot be converted.
std::unique_ptr<DcmFileFormat> Converted(const OFString& syntax, const std::string& path, std::string& reason)
{
    const E_TransferSyntax target = DcmXfer(syntax.c_str()).getXfer();
    auto file = std::make_unique<DcmFileFormat>();
    OFCondition condition = file->loadFile(path.c_str());
    if (condition.good())
        condition = file->loadAllDataIntoMemory();
    if (condition.good())
        condition = file->getDataset()->chooseRepresentation(target, nullptr);
    if (condition.good() && !file->getDataset()->canWriteXfer(target))
        condition = EC_CannotChangeRepresentation;
    if (condition.bad()) {
        reason = "not sent: cannot convert to " + std::string(syntax.c_str()) + ": " + OneLine(condition);
        return nullptr;
    }
    return file;
}

FileSendStatus StoreOne(DcmSCU& scu, const std::string& path, const FileKind& kind)
{
    FileSendStatus status{path, false, kind.error, kind.sopInstance};
    if (!kind.error.empty())
        return status;
    // Its own syntax when the peer took it: the file goes as it is, byte for byte.
    T_ASC_PresentationContextID context = scu.findPresentationContextID(kind.sopClass.c_str(), kind.syntax.c_str());
    std::unique_ptr<DcmFileFormat> converted;
    if (context == 0) {
        OFString accepted;
        for (const OFString& syntax : UncompressedSyntaxes()) {
            if (context == 0 && (context = scu.findPresentationContextID(kind.sopClass.c_str(), syntax)) != 0)
                accepted = syntax;
        }
        if (context == 0) {
            status.status = "not sent: the peer accepts no transfer syntax for its SOP class";
            return status;
        }
        if (!(converted = Converted(accepted, path, status.status)))
            return status;
    }
    Uint16 rsp = 0;
    const OFCondition condition =
        converted ? scu.sendSTORERequest(context, "", converted->getDataset(), rsp)
                  : scu.sendSTORERequest(context, path.c_str(), nullptr, rsp);
    if (condition.bad())
        status.status = "not sent: " + OneLine(condition);
    else if (rsp == 0)
        status = {path, true, "stored", kind.sopInstance};
    else if ((rsp & 0xF000) == 0xB000)
        status = {path, true, "stored with warning " + StatusText(rsp), kind.sopInstance};
    else
        status.status = "refused with status " + StatusText(rsp);
    return status;
}

}  // namespace

SendResult Send(const Peer& peer, const AssociationSettings& settings, const std::vector<std::string>& files)
{
    SendResult result;
    std::vector<FileKind> kinds;
    for (const std::string& path : files)
        kinds.push_back(ReadKind(path));
    DcmSCU scu;
    Configure(scu, peer, settings);
    if (!ProposeContexts(scu, kinds)) {
        result.association.error = "too many kinds of images for one association";
    } else if (std::none_of(kinds.begin(), kinds.end(), [](const auto& k) { return k.error.empty(); })) {
        result.association = {true, {}};  // nothing to send: no association needed
    } else {
        result.association = Associate(scu, peer);
    }
    for (size_t i = 0; i < files.size(); ++i) {
        if (!result.association.ok || (kinds[i].error.empty() && !scu.isConnected()))
            result.files.push_back({files[i], false, "not sent: no association", kinds[i].sopInstance});
        else
            result.files.push_back(StoreOne(scu, files[i], kinds[i]));
    }
    Finish(scu);
    return result;
}

}  // namespace net
