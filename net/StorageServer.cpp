// The storage service provider over DCMTK's thread pool: one listener, one worker thread
// per association, at most maxAssociations of them.
#include "net/StorageServer.h"

#include "imaging/Codecs.h"
#include "net/InstanceWriter.h"
#include "net/ScuSession.h"

#include <dcmtk/dcmdata/dcdeftag.h>
#include <dcmtk/dcmdata/dcuid.h>
#include <dcmtk/dcmnet/scppool.h>
#include <dcmtk/dcmnet/scpthrd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <thread>

namespace fs = std::filesystem;

namespace net {

using namespace detail;

namespace {

// What every worker shares with the server.
struct Context {
    const ServerSettings& settings;
    fs::path folder;
    const ReceiveHandler& onReceived;
    const LogHandler& log;
};

std::string Text(DcmDataset& set, const DcmTagKey& key)
{
    OFString value;
    set.findAndGetOFString(key, value);
    return value.c_str();
}

// One association: refuses callers outside the allow-list, stores each C-STORE.
class NodeScp : public DcmThreadSCP {
public:
    explicit NodeScp(Context& context) : m_context(context) {}

protected:
    void notifyAssociationRequest(const T_ASC_Parameters& params, DcmSCPActionType& action) override
    {
        const std::string caller = OFString(params.DULparams.callingAPTitle).c_str();
        const auto& allowed = m_context.settings.allowedCallers;
        if (!allowed.empty() && std::find(allowed.begin(), allowed.end(), caller) == allowed.end()) {
            action = DCMSCP_ACTION_REFUSE_ASSOCIATION;
            m_context.log("refused association from " + caller + ": not in the allow-list");
            return;
        }
        m_context.log("association from " + caller);
    }

    OFCondition handleIncomingCommand(T_DIMSE_Message* message, const DcmPresentationContextInfo& info) override
    {
        if (message->CommandField != DIMSE_C_STORE_RQ)
            return DcmThreadSCP::handleIncomingCommand(message, info);
        T_DIMSE_C_StoreRQ& request = message->msg.CStoreRQ;
        DcmDataset* incoming = nullptr;
        const OFCondition received = receiveSTORERequest(request, info.presentationContextID, incoming);
        const std::unique_ptr<DcmDataset> owned(incoming);  // the toolkit hands it over
        if (received.bad())
            return received;
        const bool stored = owned && Store(*owned);
        return sendSTOREResponse(info.presentationContextID, request,
                                 stored ? STATUS_Success : STATUS_STORE_Refused_OutOfResources);
    }

private:
    bool Store(DcmDataset& set)
    {
        ReceivedInstance instance{{}, getPeerAETitle().c_str(), Text(set, DCM_StudyInstanceUID),
                                  Text(set, DCM_SeriesInstanceUID), Text(set, DCM_SOPInstanceUID)};
        if (!IsPlainUid(instance.seriesUid) || !IsPlainUid(instance.sopInstanceUid)) {
            m_context.log("refused an instance from " + instance.callingAeTitle + ": no usable UIDs");
            return false;
        }
        const fs::path series = m_context.folder / instance.seriesUid;
        std::error_code error;
        fs::create_directories(series, error);
        // Named <Instance Number>-<SOP Instance UID>.dcm, six digits: names sort in acquisition order.
        long number = 999999;
        set.findAndGetLongInt(DCM_InstanceNumber, number);
        char prefix[16];
        std::snprintf(prefix, sizeof prefix, "%06ld-", std::clamp(number, 0L, 999999L));
        instance.file = (series / (prefix + instance.sopInstanceUid + ".dcm")).string();
        if (error || !SaveAtomically(set, instance.file)) {
            m_context.log("cannot write " + instance.file);
            return false;
        }
        m_context.log("stored " + instance.file + " from " + instance.callingAeTitle);
        if (m_context.onReceived)
            m_context.onReceived(instance);
        return true;
    }

    Context& m_context;
};

// The pool of workers, each built with the shared context (the toolkit's ready-made pool
// can only default-construct them).
class Pool : public DcmBaseSCPPool {
public:
    explicit Pool(Context& context) : m_context(context) {}

private:
    struct Worker : public DcmBaseSCPWorker, private NodeScp {
        Worker(Pool& pool, Context& context) : DcmBaseSCPWorker(pool), NodeScp(context) {}
        OFCondition setSharedConfig(const DcmSharedSCPConfig& config) override
        {
            return NodeScp::setSharedConfig(config);
        }
        OFBool busy() override { return NodeScp::isConnected(); }
        OFCondition workerListen(T_ASC_Association* const association) override { return NodeScp::run(association); }
    };

    // The pool owns and deletes its workers: the toolkit's interface takes a raw owner.
    DcmBaseSCPWorker* createSCPWorker() override { return new Worker(*this, m_context); }

    Context& m_context;
};

}  // namespace

struct StorageServer::Impl {
    ServerSettings settings;
    ReceiveHandler onReceived;
    LogHandler log;
    Context context;
    Pool pool;
    std::thread listener;

    Impl(ServerSettings s, std::string folder, ReceiveHandler received, LogHandler logLine)
        : settings(std::move(s)),
          onReceived(std::move(received)),
          log(logLine ? std::move(logLine) : LogHandler([](const std::string&) {})),
          context{settings, fs::path(folder), onReceived, log},
          pool(context)
    {
    }
};

StorageServer::StorageServer(ServerSettings settings, std::string folder, ReceiveHandler onReceived, LogHandler log)
    : m_impl(std::make_unique<Impl>(std::move(settings), std::move(folder), std::move(onReceived), std::move(log)))
{
}

StorageServer::~StorageServer()
{
    Stop();
}

NetResult StorageServer::Start()
{
    std::string reason;
    if (!imaging::EnsureToolkitReady(&reason))
        return {false, reason};
    const ServerSettings& s = m_impl->settings;
    DcmSCPConfig& config = m_impl->pool.getConfig();
    config.setAETitle(s.aeTitle.c_str());
    config.setPort(s.port);
    config.setHostLookupEnabled(OFFalse);
    config.setMaxReceivePDULength(s.maxReceivePdu);
    config.setConnectionBlockingMode(DUL_NOBLOCK);
    config.setConnectionTimeout(1);  // the listener looks for a stop request every second
    config.setDIMSEBlockingMode(DIMSE_NONBLOCKING);
    config.setDIMSETimeout(s.timeoutSeconds);
    config.setACSETimeout(s.timeoutSeconds);
    for (int i = 0; i < numberOfDcmShortSCUStorageSOPClassUIDs; ++i)
        config.addPresentationContext(dcmShortSCUStorageSOPClassUIDs[i], UncompressedSyntaxes());
    config.addPresentationContext(UID_VerificationSOPClass, UncompressedSyntaxes());
    m_impl->pool.setMaxThreads(static_cast<Uint16>(std::clamp(s.maxAssociations, 1u, 1000u)));
    // Bind here, so a port in use is reported to the caller rather than lost in the thread.
    T_ASC_Network* probe = nullptr;
    const OFCondition bound = ASC_initializeNetwork(NET_ACCEPTOR, s.port, 1, &probe);
    ASC_dropNetwork(&probe);
    if (bound.bad())
        return {false, "cannot listen on port " + std::to_string(s.port) + ": " + OneLine(bound)};
    m_impl->listener = std::thread([this] { m_impl->pool.listen(); });
    m_impl->log("listening as " + s.aeTitle + " on port " + std::to_string(s.port));
    return {true, {}};
}

void StorageServer::Stop()
{
    if (!m_impl || !m_impl->listener.joinable())
        return;
    m_impl->pool.stopAfterCurrentAssociations();
    m_impl->listener.join();
    m_impl->log("stopped");
}

}  // namespace net
