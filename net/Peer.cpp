#include "net/Peer.h"

#include <charconv>

namespace net {

bool IsValidAeTitle(std::string_view title)
{
    if (title.empty() || title.size() > 16 || title.front() == ' ' || title.back() == ' ')
        return false;
    for (char ch : title) {
        if (ch < 0x20 || ch > 0x7e || ch == '\\')
            return false;
    }
    return true;
}

namespace {

bool IsValidHost(std::string_view host)
{
    if (host.empty() || host.size() > 253)
        return false;
    for (char ch : host) {
        if (ch <= 0x20 || ch > 0x7e || ch == '@' || ch == ':' || ch == '/')
            return false;
    }
    return true;
}

bool ParsePort(std::string_view text, std::uint16_t& port)
{
    if (text.empty() || text.size() > 5 || text.front() == '+' || text.front() == '-')
        return false;
    unsigned value = 0;
    const auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (status != std::errc() || end != text.data() + text.size() || value == 0 || value > 65535)
        return false;
    port = static_cast<std::uint16_t>(value);
    return true;
}

}  // namespace

PeerParse ParsePeer(std::string_view text)
{
    PeerParse result;
    const std::string quoted = "'" + std::string(text) + "'";
    const size_t at = text.rfind('@');
    const size_t colon = text.rfind(':');
    if (at == std::string_view::npos || colon == std::string_view::npos || colon < at) {
        result.error = quoted + " is not AE@host:port";
        return result;
    }
    const std::string_view ae = text.substr(0, at);
    const std::string_view host = text.substr(at + 1, colon - at - 1);
    if (!IsValidAeTitle(ae))
        result.error = quoted + ": the AE title must be 1 to 16 printable characters without '\\' or edge spaces";
    else if (!IsValidHost(host))
        result.error = quoted + ": the host is missing or not a host name";
    else if (!ParsePort(text.substr(colon + 1), result.peer.port))
        result.error = quoted + ": the port must be 1 to 65535";
    if (result.error.empty()) {
        result.peer.aeTitle = std::string(ae);
        result.peer.host = std::string(host);
    } else {
        result.peer = {};
    }
    return result;
}

std::string ToString(const Peer& peer)
{
    return peer.aeTitle + "@" + peer.host + ":" + std::to_string(peer.port);
}

}  // namespace net
