// Inside the network seam only: a DCMTK service user configured from our peer and
// settings, with every wait bounded by the settings' timeout.
#pragma once

#include "net/Peer.h"

#include <dcmtk/config/osconfig.h>
#include <dcmtk/dcmnet/scpcfg.h>
#include <dcmtk/dcmnet/scu.h>

#include <string>

namespace net::detail {

// The transfer syntaxes proposed for data we generate or convert.
OFList<OFString> UncompressedSyntaxes();

// Copies the peer and the settings into `scu` (non-blocking DIMSE, every timeout set).
void Configure(DcmSCU& scu, const Peer& peer, const AssociationSettings& settings);

// Sets up a listener of ours: our AE title and port, no host lookups, every wait bounded by
// `timeoutSeconds` except the wait for a connection, a second, after which the listener
// asks whether it should stop.
void ConfigureListener(DcmSCPConfig& config, const std::string& aeTitle, std::uint16_t port,
                       std::uint32_t maxReceivePdu, unsigned timeoutSeconds);

// Initialises the network and negotiates the association proposed so far. On failure
// the result says why in one line, naming the peer.
NetResult Associate(DcmSCU& scu, const Peer& peer);

// Releases an established association; aborts it when `abort` (the peer may still be
// sending). Safe to call when nothing is connected.
void Finish(DcmSCU& scu, bool abort = false);

// A toolkit condition as one line.
std::string OneLine(const OFCondition& condition);

// "0xA700": a DIMSE status as the standard prints it.
std::string StatusText(Uint16 status);

}  // namespace net::detail
