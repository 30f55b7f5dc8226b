// A storage service provider: accepts concurrent associations on a port of this machine
// and writes every instance received, complete or not at all, under a folder. The base
// of the storage node. DCMTK-free.
#pragma once

#include "net/Peer.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace net {

struct ServerSettings {
    std::string aeTitle = "TESSOR";
    std::uint16_t port = 0;
    std::vector<std::string> allowedCallers;  // calling AE titles let in; empty: any
    unsigned maxAssociations = 8;             // at once; more are refused
    std::uint32_t maxReceivePdu = 65536;
    unsigned timeoutSeconds = 30;             // every network wait of an association
    // A hostile or broken peer cannot exhaust memory or disk: an association that brings more
    // than maxAssociationBytes, or a data set far larger than maxImageBytes of pixels, is
    // aborted and what it stored is removed; an image declaring more than maxImageBytes of
    // decoded pixels is refused (0xC000); with less than minFreeBytes free in the folder,
    // every image is refused as out of resources (0xA700). Memory held by reception stays
    // below maxAssociations x (maxImageBytes + 1 MiB). A limit of 0 is no limit.
    std::uint64_t maxAssociationBytes = std::uint64_t{2} << 30;
    std::uint64_t maxImageBytes = std::uint64_t{512} << 20;
    std::uint64_t minFreeBytes = std::uint64_t{1} << 30;
};

struct ReceivedInstance {
    std::string file;  // <folder>/<Series Instance UID>/<Instance Number, 6 digits>-<SOP Instance UID>.dcm
    std::string callingAeTitle, studyUid, seriesUid, sopInstanceUid;
};

// Called from the association's thread after each instance is written, and with each
// event as one log line; both must be thread-safe.
using ReceiveHandler = std::function<void(const ReceivedInstance&)>;
using LogHandler = std::function<void(const std::string&)>;

class StorageServer {
public:
    StorageServer(ServerSettings settings, std::string folder, ReceiveHandler onReceived, LogHandler log);
    ~StorageServer();  // stops as Stop does
    StorageServer(const StorageServer&) = delete;
    StorageServer& operator=(const StorageServer&) = delete;

    // Binds the port and accepts in a thread of its own.
    NetResult Start();
    // Accepts nothing more and returns once the current associations ended (each bounded
    // by the timeout); the listener notices within a second.
    void Stop();

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace net
