// C-GET as a service user: the peer sends each instance back on our association.
#include "net/ScuSession.h"
#include "net/Services.h"

#include <dcmtk/dcmdata/dcdeftag.h>
#include <dcmtk/dcmdata/dcfilefo.h>
#include <dcmtk/dcmdata/dcuid.h>

#include <filesystem>
#include <memory>
#include <system_error>

namespace fs = std::filesystem;

namespace net {

using namespace detail;

namespace {

// What we take back: uncompressed data and the lossless and lossy compressions DCMTK
// stores without decoding (the file keeps the syntax it arrived in).
OFList<OFString> AcceptedSyntaxes()
{
    OFList<OFString> syntaxes = UncompressedSyntaxes();
    for (const char* uid : {UID_JPEGProcess14SV1TransferSyntax, UID_JPEGLSLosslessTransferSyntax,
                            UID_RLELosslessTransferSyntax, UID_JPEGProcess1TransferSyntax,
                            UID_JPEG2000LosslessOnlyTransferSyntax, UID_JPEG2000TransferSyntax})
        syntaxes.push_back(uid);
    return syntaxes;
}

bool IsPlainUid(const std::string& uid)
{
    return !uid.empty() && uid.size() <= 64 && uid.find_first_not_of("0123456789.") == std::string::npos;
}

class GetScu : public DcmSCU {
public:
    GetScu(fs::path dir, const FetchProgress& progress) : m_dir(std::move(dir)), m_progress(progress) {}

    std::vector<std::string> files;
    size_t failed = 0;

    OFCondition handleSTORERequest(const T_ASC_PresentationContextID, DcmDataset* incoming, OFBool& continueSession,
                                   Uint16& status) override
    {
        const std::unique_ptr<DcmDataset> owned(incoming);  // ours to delete, as the toolkit documents
        continueSession = files.size() + failed + 1 < kMaxFetchInstances;
        const std::string written = owned ? Write(*owned) : std::string();
        status = written.empty() ? STATUS_STORE_Refused_OutOfResources : STATUS_Success;
        if (written.empty())
            ++failed;
        else
            files.push_back(written);
        if (m_progress)
            m_progress(files.size(), m_remaining);
        return EC_Normal;
    }

    OFCondition handleCGETResponse(const T_ASC_PresentationContextID presID, RetrieveResponse* response,
                                   OFBool& continueSession) override
    {
        if (response != nullptr)
            m_remaining = response->m_numberOfRemainingSubops;
        return DcmSCU::handleCGETResponse(presID, response, continueSession);
    }

private:
    // The path written, or empty when the instance could not be written.
    std::string Write(DcmDataset& set)
    {
        OFString uid;
        set.findAndGetOFString(DCM_SOPInstanceUID, uid);
        const std::string name =
            IsPlainUid(uid.c_str()) ? std::string(uid.c_str()) : "instance-" + std::to_string(files.size() + 1);
        const fs::path target = m_dir / (name + ".dcm");
        const fs::path part = m_dir / ("." + name + ".dcm.part");
        const E_TransferSyntax syntax = set.getCurrentXfer();
        DcmFileFormat file(&set);
        std::error_code ignored;
        if (file.saveFile(part.c_str(), syntax).bad()) {
            fs::remove(part, ignored);
            return {};
        }
        std::error_code renamed;
        fs::rename(part, target, renamed);
        if (renamed) {
            fs::remove(part, ignored);
            return {};
        }
        return target.string();
    }

    fs::path m_dir;
    const FetchProgress& m_progress;
    size_t m_remaining = 0;
};

}  // namespace

FetchResult Fetch(const Peer& peer, const AssociationSettings& settings, const FetchRequest& request,
                  const std::string& dir, const FetchProgress& progress)
{
    FetchResult fetched;
    GetScu scu(dir, progress);
    Configure(scu, peer, settings);
    scu.addPresentationContext(UID_GETStudyRootQueryRetrieveInformationModel, UncompressedSyntaxes());
    // The storage classes the peer may send back on this association (we take the SCP role).
    for (int i = 0; i < numberOfDcmShortSCUStorageSOPClassUIDs; ++i)
        scu.addPresentationContext(dcmShortSCUStorageSOPClassUIDs[i], AcceptedSyntaxes(), ASC_SC_ROLE_SCP);
    fetched.result = Associate(scu, peer);
    if (!fetched.result.ok)
        return fetched;
    DcmDataset keys;
    keys.putAndInsertString(DCM_QueryRetrieveLevel, request.seriesUid.empty() ? "STUDY" : "SERIES");
    keys.putAndInsertString(DCM_StudyInstanceUID, request.studyUid.c_str());
    if (!request.seriesUid.empty())
        keys.putAndInsertString(DCM_SeriesInstanceUID, request.seriesUid.c_str());
    const T_ASC_PresentationContextID context =
        scu.findPresentationContextID(UID_GETStudyRootQueryRetrieveInformationModel, "");
    OFList<RetrieveResponse*> responses;
    const OFCondition condition = scu.sendCGETRequest(context, &keys, &responses);
    Uint16 finalStatus = 0;
    size_t peerFailed = 0;
    for (RetrieveResponse* response : responses) {
        finalStatus = response->m_status;
        peerFailed = response->m_numberOfFailedSubops;
        delete response;  // the toolkit hands the responses over as raw owners
    }
    fetched.files = scu.files;
    fetched.failed = scu.failed + peerFailed;
    if (condition.bad())
        fetched.result = {false, "C-GET failed: " + OneLine(condition)};
    else if (finalStatus != 0)
        fetched.result = {false, "C-GET ended with status " + StatusText(finalStatus) + " (" +
                                     std::to_string(fetched.failed) + " failed)"};
    else if (fetched.files.empty())
        fetched.result = {false, "the peer sent nothing for study " + request.studyUid};
    Finish(scu, condition.bad());
    return fetched;
}

}  // namespace net
