#include "net/ScuSession.h"

#include "imaging/Codecs.h"

#include <dcmtk/dcmdata/dcuid.h>

#include <cstdio>

namespace net::detail {

OFList<OFString> UncompressedSyntaxes()
{
    OFList<OFString> syntaxes;
    syntaxes.push_back(UID_LittleEndianExplicitTransferSyntax);
    syntaxes.push_back(UID_LittleEndianImplicitTransferSyntax);
    return syntaxes;
}

void Configure(DcmSCU& scu, const Peer& peer, const AssociationSettings& settings)
{
    scu.setAETitle(settings.callingAeTitle.c_str());
    scu.setPeerAETitle(peer.aeTitle.c_str());
    scu.setPeerHostName(peer.host.c_str());
    scu.setPeerPort(peer.port);
    scu.setMaxReceivePDULength(settings.maxReceivePdu);
    scu.setDIMSEBlockingMode(DIMSE_NONBLOCKING);
    const auto timeout = static_cast<Sint32>(settings.timeoutSeconds);
    scu.setDIMSETimeout(static_cast<Uint32>(timeout));
    scu.setACSETimeout(static_cast<Uint32>(timeout));
    scu.setConnectionTimeout(timeout);
}

void ConfigureListener(DcmSCPConfig& config, const std::string& aeTitle, std::uint16_t port,
                       std::uint32_t maxReceivePdu, unsigned timeoutSeconds)
{
    config.setAETitle(aeTitle.c_str());
    config.setPort(port);
    config.setHostLookupEnabled(OFFalse);
    config.setMaxReceivePDULength(maxReceivePdu);
    config.setConnectionBlockingMode(DUL_NOBLOCK);
    config.setConnectionTimeout(1);
    config.setDIMSEBlockingMode(DIMSE_NONBLOCKING);
    config.setDIMSETimeout(timeoutSeconds);
    config.setACSETimeout(timeoutSeconds);
}

std::string OneLine(const OFCondition& condition)
{
    std::string text = condition.text();
    for (char& ch : text)
        ch = (ch == '\n' || ch == '\r') ? ' ' : ch;
    return text;
}

NetResult Associate(DcmSCU& scu, const Peer& peer)
{
    NetResult result;
    // Codecs for converting compressed files, quiet logging, and the data dictionary without
    // which every received element would be unknown.
    std::string reason;
    if (!imaging::EnsureToolkitReady(&reason)) {
        result.error = reason;
        return result;
    }
    OFCondition condition = scu.initNetwork();
    if (condition.good())
        condition = scu.negotiateAssociation();
    if (condition.good()) {
        result.ok = true;
        return result;
    }
    result.error = "no association with " + ToString(peer) + ": " + OneLine(condition);
    return result;
}

void Finish(DcmSCU& scu, bool abort)
{
    if (!scu.isConnected())
        return;
    if (abort || scu.releaseAssociation().bad())
        scu.abortAssociation();
}

std::string StatusText(Uint16 status)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(status));
    return text;
}

}  // namespace net::detail
