// The DICOM network commands of tessor: echo, send, find. Their options as the command
// line fills them; each Run function returns the process exit status.
#pragma once

#include "net/Peer.h"
#include "net/Services.h"
#include "net/StorageServer.h"
#include "node/StorageNode.h"

#include <string>
#include <vector>

namespace app {

// What every network command takes: the peer and our side of the association.
struct NetOptions {
    net::Peer peer;
    net::AssociationSettings settings;
};

struct SendOptions : NetOptions {
    std::vector<std::string> files;
};

struct FetchOptions : NetOptions {
    net::FetchRequest request;
    std::string dir;
};

struct FindOptions : NetOptions {
    net::FindQuery query;
    bool json = false;
};

struct ServeOptions {
    net::ServerSettings server;
    node::NodeSettings node;
};

int RunEcho(const NetOptions& o);
int RunServe(const ServeOptions& o);
int RunSend(const SendOptions& o);
int RunFind(const FindOptions& o);
int RunFetch(const FetchOptions& o);

// Sends the stitched file for tessor stitch --send-to; false (with the reason on stderr)
// when it was not stored.
bool SendStitched(const net::Peer& peer, const net::AssociationSettings& settings, const std::string& file);

// The lines tessor find prints: one per study, one indented per series under it.
std::string FindTable(const net::FindResult& found);

}  // namespace app
