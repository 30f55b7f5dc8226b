// The peer form AE@host:port: what is accepted, what each refusal says.
#include "net/Peer.h"

#include <gtest/gtest.h>

namespace {

struct PeerCase {
    const char* text;
    const char* ae;  // nullptr: refused with `error`
    const char* host;
    int port;
    const char* error;
};

TEST(ParsePeer, AcceptsTheFormAndNamesTheWrongPart)
{
    const PeerCase cases[] = {
        {"ORTHANC@127.0.0.1:4242", "ORTHANC", "127.0.0.1", 4242, ""},
        {"A@pacs.example.org:1", "A", "pacs.example.org", 1, ""},
        {"SIXTEEN_CHARS_AE@h:65535", "SIXTEEN_CHARS_AE", "h", 65535, ""},
        {"MY AE@h:104", "MY AE", "h", 104, ""},
        {"A@B@h:104", "A@B", "h", 104, ""},  // the last '@' separates: '@' is legal in an AE title
        {"A@h:0104", "A", "h", 104, ""},     // decimal, as every number of the command line
        {"", nullptr, nullptr, 0, "'' is not AE@host:port"},
        {"ORTHANC", nullptr, nullptr, 0, "'ORTHANC' is not AE@host:port"},
        {"h:104", nullptr, nullptr, 0, "'h:104' is not AE@host:port"},
        {"A:104@h", nullptr, nullptr, 0, "'A:104@h' is not AE@host:port"},
        {"@h:104", nullptr, nullptr, 0,
         "'@h:104': the AE title must be 1 to 16 printable characters without '\\' or edge spaces"},
        {"SEVENTEEN_CHARS_A@h:104", nullptr, nullptr, 0,
         "'SEVENTEEN_CHARS_A@h:104': the AE title must be 1 to 16 printable characters without '\\' or edge "
         "spaces"},
        {" A@h:104", nullptr, nullptr, 0,
         "' A@h:104': the AE title must be 1 to 16 printable characters without '\\' or edge spaces"},
        {"A\\B@h:104", nullptr, nullptr, 0,
         "'A\\B@h:104': the AE title must be 1 to 16 printable characters without '\\' or edge spaces"},
        {"A\tB@h:104", nullptr, nullptr, 0,
         "'A\tB@h:104': the AE title must be 1 to 16 printable characters without '\\' or edge spaces"},
        {"A@:104", nullptr, nullptr, 0, "'A@:104': the host is missing or not a host name"},
        {"A@h h:104", nullptr, nullptr, 0, "'A@h h:104': the host is missing or not a host name"},
        {"A@[::1]:104", nullptr, nullptr, 0, "'A@[::1]:104': the host is missing or not a host name"},
        {"A@h:", nullptr, nullptr, 0, "'A@h:': the port must be 1 to 65535"},
        {"A@h:0", nullptr, nullptr, 0, "'A@h:0': the port must be 1 to 65535"},
        {"A@h:65536", nullptr, nullptr, 0, "'A@h:65536': the port must be 1 to 65535"},
        {"A@h:+104", nullptr, nullptr, 0, "'A@h:+104': the port must be 1 to 65535"},
        {"A@h:-1", nullptr, nullptr, 0, "'A@h:-1': the port must be 1 to 65535"},
        {"A@h:104x", nullptr, nullptr, 0, "'A@h:104x': the port must be 1 to 65535"},
        {"A@h:4294967400", nullptr, nullptr, 0, "'A@h:4294967400': the port must be 1 to 65535"},
    };
    for (const PeerCase& c : cases) {
        SCOPED_TRACE(c.text);
        const net::PeerParse parsed = net::ParsePeer(c.text);
        EXPECT_EQ(parsed.error, c.error);
        EXPECT_EQ(parsed.peer.aeTitle, c.ae ? c.ae : "");
        EXPECT_EQ(parsed.peer.host, c.host ? c.host : "");
        EXPECT_EQ(parsed.peer.port, c.port);
        if (c.ae) {  // prints in the form it reads
            EXPECT_EQ(net::ParsePeer(net::ToString(parsed.peer)).peer.port, c.port);
            EXPECT_EQ(net::ToString(parsed.peer), std::string(c.ae) + "@" + c.host + ":" + std::to_string(c.port));
        }
    }
}

}  // namespace
