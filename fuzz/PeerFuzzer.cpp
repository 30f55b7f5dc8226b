// Reading a peer (AE@host:port) from arbitrary text: never crashes, and what it accepts
// prints as text that reads back as the same peer (a port may lose leading zeros).
#include "net/Peer.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const net::PeerParse parsed = net::ParsePeer(text);
    if (!parsed.error.empty())
        return 0;
    const net::PeerParse again = net::ParsePeer(net::ToString(parsed.peer));
    if (!again.error.empty() || again.peer.aeTitle != parsed.peer.aeTitle || again.peer.host != parsed.peer.host ||
        again.peer.port != parsed.peer.port)
        std::abort();
    return 0;
}
