// The storage service provider over DCMTK's thread pool: one listener, one worker thread
// per association, at most maxAssociations of them.
#include "net/StorageServer.h"

#include "imaging/Codecs.h"
#include "net/InstanceWriter.h"
#include "net/ScuSession.h"
#include "net/StoreScp.h"

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

// The decoded size the image declares: rows x columns x frames x samples x bytes per sample,
// at most 2^64 - 1 (the product of hostile values reaches 2^92, so it is taken in 128 bits).
std::uint64_t DeclaredPixelBytes(DcmDataset& set)
{
    Uint16 rows = 0, columns = 0, samples = 1, bitsAllocated = 8;
    long frames = 1;
    set.findAndGetUint16(DCM_Rows, rows);
    set.findAndGetUint16(DCM_Columns, columns);
    set.findAndGetUint16(DCM_SamplesPerPixel, samples);
    set.findAndGetUint16(DCM_BitsAllocated, bitsAllocated);
    set.findAndGetLongInt(DCM_NumberOfFrames, frames);
    const unsigned __int128 bytes = static_cast<unsigned __int128>(std::uint64_t{rows} * columns) *
                                    static_cast<std::uint64_t>(std::clamp(frames, 1L, long{INT32_MAX})) *
                                    std::max<Uint16>(samples, 1) * ((std::max<Uint16>(bitsAllocated, 1) + 7u) / 8u);
    return bytes > UINT64_MAX ? UINT64_MAX : static_cast<std::uint64_t>(bytes);
}

// <series folder>/<Instance Number, six digits>-<SOP Instance UID>.dcm: names sort in
// acquisition order.
fs::path InstancePath(const fs::path& series, DcmDataset& set, const std::string& sopInstanceUid)
{
    long number = 999999;
    set.findAndGetLongInt(DCM_InstanceNumber, number);
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "%06ld-", std::clamp(number, 0L, 999999L));
    return series / (prefix + sopInstanceUid + ".dcm");
}

// One association: refuses callers outside the allow-list, stores each C-STORE within the
// limits, and takes back what an association cut for crossing a limit had stored.
class NodeScp : public StoreScp<DcmThreadSCP> {
public:
    explicit NodeScp(Context& context) : m_context(context)
    {
        const std::uint64_t image = context.settings.maxImageBytes;
        SetLimits({image == 0 ? 0 : image + kDataSetOverhead, context.settings.maxAssociationBytes});
    }

protected:
    // What a data set may carry beyond its pixels (attributes, overlays, padding).
    static constexpr std::uint64_t kDataSetOverhead = 1u << 20;

    OFCondition Serve(T_ASC_Association* association)
    {
        SetAssociation(association);
        m_written.clear();
        const OFCondition served = run(association);
        if (Cut())
            TakeBack();
        SetAssociation(nullptr);
        return served;
    }

    void notifyAssociationRequest(const T_ASC_Parameters& params, DcmSCPActionType& action) override
    {
        const std::string caller = OFString(params.DULparams.callingAPTitle).c_str();
        const auto& allowed = m_context.settings.allowedCallers;
        if (!allowed.empty() && std::find(allowed.begin(), allowed.end(), caller) == allowed.end()) {
            action = DCMSCP_ACTION_REFUSE_ASSOCIATION;
            m_context.log("refused association from " + caller + ": not in the allow-list");
            return;
        }
        m_caller = caller;
        m_context.log("association from " + caller);
    }

    void LimitCrossed(const std::string& what) override
    {
        m_context.log("aborting the association from " + m_caller + ": " + what);
    }

    Uint16 StoreDataSet(DcmDataset& set) override
    {
        ReceivedInstance instance{{}, getPeerAETitle().c_str(), Text(set, DCM_StudyInstanceUID),
                                  Text(set, DCM_SeriesInstanceUID), Text(set, DCM_SOPInstanceUID)};
        const std::string from = " from " + instance.callingAeTitle;
        if (!IsPlainUid(instance.seriesUid) || !IsPlainUid(instance.sopInstanceUid)) {
            m_context.log("refused an instance" + from + ": no usable UIDs");
            return STATUS_STORE_Error_CannotUnderstand;
        }
        const ServerSettings& settings = m_context.settings;
        if (const std::uint64_t pixels = DeclaredPixelBytes(set); settings.maxImageBytes != 0 && pixels > settings.maxImageBytes) {
            m_context.log("refused " + instance.sopInstanceUid + from + ": " + std::to_string(pixels) +
                          " bytes of pixels, over the limit of " + std::to_string(settings.maxImageBytes));
            return STATUS_STORE_Error_CannotUnderstand;
        }
        std::error_code error;
        const std::uint64_t free = fs::space(m_context.folder, error).available;
        if (error || free < settings.minFreeBytes) {
            m_context.log("refused " + instance.sopInstanceUid + from + ": " +
                          (error ? "cannot read the free space of the spool"
                                 : std::to_string(free) + " bytes free in the spool, below the margin of " +
                                       std::to_string(settings.minFreeBytes)));
            return STATUS_STORE_Refused_OutOfResources;
        }
        const fs::path series = m_context.folder / instance.seriesUid;
        fs::create_directories(series, error);
        instance.file = InstancePath(series, set, instance.sopInstanceUid).string();
        if (error || !SaveAtomically(set, instance.file)) {
            m_context.log("cannot write " + instance.file);
            return STATUS_STORE_Refused_OutOfResources;
        }
        m_written.push_back(instance.file);
        m_context.log("stored " + instance.file + from);
        if (m_context.onReceived)
            m_context.onReceived(instance);
        return STATUS_Success;
    }

private:
    // Removes what the cut association had stored, and series folders it leaves empty.
    void TakeBack()
    {
        std::error_code ignored;
        for (const std::string& file : m_written) {
            fs::remove(file, ignored);
            fs::remove(fs::path(file).parent_path(), ignored);  // only when empty
        }
        m_context.log("removed what the aborted association from " + m_caller +
                      " had stored: " + std::to_string(m_written.size()) + " images");
        m_written.clear();
    }

    Context& m_context;
    std::string m_caller;                // of the current association
    std::vector<std::string> m_written;  // by the current association
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
        OFCondition workerListen(T_ASC_Association* const association) override { return Serve(association); }
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
    ConfigureListener(config, s.aeTitle, s.port, s.maxReceivePdu, s.timeoutSeconds);
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
