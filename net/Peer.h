// A DICOM peer as the command line names it, "AE@host:port", and the settings every
// association of ours uses. DCMTK-free: the app and the domain include this.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace net {

struct Peer {
    std::string aeTitle;  // the called AE title, 1 to 16 characters
    std::string host;     // a host name or an IPv4 address
    std::uint16_t port = 0;
};

struct PeerParse {
    Peer peer;
    std::string error;  // empty when the text is a peer
};

// Reads "AE@host:port". The AE title is 1 to 16 characters of printable ASCII other than
// backslash (leading and trailing spaces are not significant in DICOM, so none are
// accepted); the host is non-empty without '@', ':' or spaces; the port is 1 to 65535 in
// decimal. The error says which part is wrong.
PeerParse ParsePeer(std::string_view text);

// "AE@host:port", the form ParsePeer reads.
std::string ToString(const Peer& peer);

// True for a valid AE title of ours or a peer's (the rule ParsePeer applies).
bool IsValidAeTitle(std::string_view title);

struct AssociationSettings {
    std::string callingAeTitle = "TESSOR";
    // Every network wait (connect, association, each message) ends after this.
    unsigned timeoutSeconds = 30;
    std::uint32_t maxReceivePdu = 65536;
};

// What one network operation ended with; `error` is one line for the user.
struct NetResult {
    bool ok = false;
    std::string error;
};

}  // namespace net
