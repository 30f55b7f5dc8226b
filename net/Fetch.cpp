// Retrieval as a service user: C-GET (the peer sends each instance back on our association)
// or C-MOVE (the peer opens an association to our receiver, listening while it runs).
#include "net/InstanceWriter.h"
#include "net/ScuSession.h"
#include "net/StoreScp.h"
#include "net/Services.h"

#include <dcmtk/dcmdata/dcdeftag.h>
#include <dcmtk/dcmdata/dcuid.h>
#include <dcmtk/dcmnet/scp.h>

#include <atomic>
#include <memory>
#include <thread>

namespace net {

using namespace detail;

namespace {

// What we take back: uncompressed data and the lossless and lossy compressions, stored as
// they arrive without decoding.
OFList<OFString> AcceptedSyntaxes()
{
    OFList<OFString> syntaxes = UncompressedSyntaxes();
    for (const char* uid : {UID_JPEGProcess14SV1TransferSyntax, UID_JPEGLSLosslessTransferSyntax,
                            UID_RLELosslessTransferSyntax, UID_JPEGProcess1TransferSyntax,
                            UID_JPEG2000LosslessOnlyTransferSyntax, UID_JPEG2000TransferSyntax})
        syntaxes.push_back(uid);
    return syntaxes;
}

class GetScu : public DcmSCU {
public:
    explicit GetScu(InstanceWriter& writer) : m_writer(writer) {}

    OFCondition handleSTORERequest(const T_ASC_PresentationContextID, DcmDataset* incoming, OFBool& continueSession,
                                   Uint16& status) override
    {
        const std::unique_ptr<DcmDataset> owned(incoming);  // ours to delete, as the toolkit documents
        status = owned && m_writer.Write(*owned) ? STATUS_Success : STATUS_STORE_Refused_OutOfResources;
        continueSession = !m_writer.Full();
        return EC_Normal;
    }

    OFCondition handleCGETResponse(const T_ASC_PresentationContextID presID, RetrieveResponse* response,
                                   OFBool& continueSession) override
    {
        if (response != nullptr)
            m_writer.SetRemaining(response->m_numberOfRemainingSubops);
        return DcmSCU::handleCGETResponse(presID, response, continueSession);
    }

    OFCondition handleMOVEResponse(const T_ASC_PresentationContextID presID, RetrieveResponse* response,
                                   OFBool& waitForNextResponse) override
    {
        if (response != nullptr)
            m_writer.SetRemaining(response->m_numberOfRemainingSubops);
        return DcmSCU::handleMOVEResponse(presID, response, waitForNextResponse);
    }

private:
    InstanceWriter& m_writer;
};

// The storage side of a C-MOVE: accepts the peer's associations on our port and writes
// what arrives. Wakes up every second to see whether it should stop.
class MoveReceiver : public StoreScp<DcmSCP> {
public:
    MoveReceiver(InstanceWriter& writer, const std::string& aeTitle, std::uint16_t port,
                 const AssociationSettings& settings)
        : m_writer(writer)
    {
        DcmSCPConfig& config = getConfig();
        ConfigureListener(config, aeTitle, port, settings.maxReceivePdu, settings.timeoutSeconds);
        for (int i = 0; i < numberOfDcmShortSCUStorageSOPClassUIDs; ++i)
            config.addPresentationContext(dcmShortSCUStorageSOPClassUIDs[i], AcceptedSyntaxes());
        config.addPresentationContext(UID_VerificationSOPClass, UncompressedSyntaxes());
    }

    void RequestStop() { m_stop = true; }

protected:
    Uint16 StoreDataSet(DcmDataset& set) override
    {
        return m_writer.Write(set) ? STATUS_Success : STATUS_STORE_Refused_OutOfResources;
    }
    OFBool stopAfterCurrentAssociation() override { return m_stop; }
    OFBool stopAfterConnectionTimeout() override { return m_stop; }

private:
    InstanceWriter& m_writer;
    std::atomic<bool> m_stop{false};
};

DcmDataset RetrieveKeys(const FetchRequest& request)
{
    DcmDataset keys;
    keys.putAndInsertString(DCM_QueryRetrieveLevel, request.seriesUid.empty() ? "STUDY" : "SERIES");
    keys.putAndInsertString(DCM_StudyInstanceUID, request.studyUid.c_str());
    if (!request.seriesUid.empty())
        keys.putAndInsertString(DCM_SeriesInstanceUID, request.seriesUid.c_str());
    return keys;
}

// The outcome of a retrieval from the toolkit's condition and the peer's last response.
void Conclude(FetchResult& fetched, const char* service, const OFCondition& condition,
              OFList<RetrieveResponse*>& responses, const InstanceWriter& writer, const FetchRequest& request)
{
    Uint16 finalStatus = 0;
    size_t peerFailed = 0;
    for (RetrieveResponse* response : responses) {
        finalStatus = response->m_status;
        peerFailed = response->m_numberOfFailedSubops;
        delete response;  // the toolkit hands the responses over as raw owners
    }
    responses.clear();
    fetched.files = writer.Files();
    fetched.failed = writer.Failed() + peerFailed;
    if (condition.bad())
        fetched.result = {false, std::string(service) + " failed: " + OneLine(condition)};
    else if (finalStatus != 0)
        fetched.result = {false, std::string(service) + " ended with status " + StatusText(finalStatus) + " (" +
                                     std::to_string(fetched.failed) + " failed)"};
    else if (fetched.failed > 0)
        fetched.result = {false, std::to_string(fetched.failed) + " instances could not be written"};
    else if (fetched.files.empty())
        fetched.result = {false, "the peer sent nothing for study " + request.studyUid};
}

}  // namespace

FetchResult Fetch(const Peer& peer, const AssociationSettings& settings, const FetchRequest& request,
                  const std::string& dir, const FetchProgress& progress)
{
    FetchResult fetched;
    InstanceWriter writer(dir, progress);
    const bool move = !request.moveDestination.empty();
    const char* model = move ? UID_MOVEStudyRootQueryRetrieveInformationModel
                             : UID_GETStudyRootQueryRetrieveInformationModel;
    GetScu scu(writer);
    Configure(scu, peer, settings);
    scu.addPresentationContext(model, UncompressedSyntaxes());
    // For C-GET, the storage classes the peer may send back on this association (we take
    // the SCP role for them).
    for (int i = 0; !move && i < numberOfDcmShortSCUStorageSOPClassUIDs; ++i)
        scu.addPresentationContext(dcmShortSCUStorageSOPClassUIDs[i], AcceptedSyntaxes(), ASC_SC_ROLE_SCP);

    std::unique_ptr<MoveReceiver> receiver;
    std::thread listening;
    if (move) {
        receiver = std::make_unique<MoveReceiver>(writer, request.moveDestination, request.receivePort, settings);
        const OFCondition opened = receiver->openListenPort();
        if (opened.bad()) {
            fetched.result = {false, "cannot listen on port " + std::to_string(request.receivePort) + ": " +
                                         OneLine(opened)};
            return fetched;
        }
        listening = std::thread([&receiver] { receiver->acceptAssociations(); });
    }
    fetched.result = Associate(scu, peer);
    OFCondition condition = EC_Normal;
    OFList<RetrieveResponse*> responses;
    if (fetched.result.ok) {
        DcmDataset keys = RetrieveKeys(request);
        const T_ASC_PresentationContextID context = scu.findPresentationContextID(model, "");
        condition = move ? scu.sendMOVERequest(context, request.moveDestination.c_str(), &keys, &responses)
                         : scu.sendCGETRequest(context, &keys, &responses);
        Finish(scu, condition.bad());
    }
    if (receiver) {
        receiver->RequestStop();  // seen within a second, or when the current association ends
        listening.join();
    }
    if (fetched.result.ok)
        Conclude(fetched, move ? "C-MOVE" : "C-GET", condition, responses, writer, request);
    return fetched;
}

}  // namespace net
