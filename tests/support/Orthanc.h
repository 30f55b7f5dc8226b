// A real archive for the network tests: Debian's Orthanc, started with a temporary
// configuration (free DICOM and HTTP ports on this machine, storage in a temporary folder,
// our AE title as a known modality) and stopped when the object goes, whatever happened.
// Every wait is bounded in count and time. Tests using it link the network test main, which
// moves the process into a private network namespace when it can.
//
//   testnet::OrthancServer archive;
//   ASSERT_TRUE(archive.Ready()) << archive.Failure();
//   archive.Get("/studies").body
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <string>

namespace testnet {

// Moves this process into a private network namespace with only loopback up, when it runs
// as root and the kernel allows it; servers and programs started later share it. Call
// first thing in main, before any thread exists. Returns the line that says which
// isolation the tests run with.
std::string IsolateNetwork();

// A port nobody listens on right now on 127.0.0.1 (the kernel's choice).
std::uint16_t FreePort();

struct HttpReply {
    int status = 0;  // 0 when no reply came
    std::string body;
};

// One HTTP/1.0 request to 127.0.0.1:port, every wait bounded (10 s).
HttpReply HttpRequest(std::uint16_t port, const std::string& method, const std::string& path,
                      const std::string& body = "");

struct OrthancOptions {
    std::string ourAeTitle = "TESSOR";
    std::uint16_t ourPort = 0;  // where Orthanc reaches us (C-MOVE, forwarding); 0: unused
    // Transfer syntaxes Orthanc accepts, as a JSON array; empty keeps its default (all).
    std::string acceptedSyntaxes;
};

class OrthancServer {
public:
    explicit OrthancServer(const OrthancOptions& options = {});
    ~OrthancServer();
    OrthancServer(const OrthancServer&) = delete;
    OrthancServer& operator=(const OrthancServer&) = delete;

    bool Ready() const { return m_ready; }
    const std::string& Failure() const { return m_failure; }  // why it is not ready
    std::uint16_t DicomPort() const { return m_dicomPort; }
    std::uint16_t HttpPort() const { return m_httpPort; }
    std::string Peer() const;  // "ORTHANC@127.0.0.1:port"

    // What Orthanc wrote to stdout and stderr so far, to explain a failure.
    std::string Log() const;
    // Sends the files (shell words) as TESSOR with DCMTK's storescu, every wait bounded
    // (10 s each, 60 s in all); the tool's exit status.
    int Store(const std::string& quotedFiles) const;

    HttpReply Get(const std::string& path) const { return HttpRequest(m_httpPort, "GET", path); }
    HttpReply Post(const std::string& path, const std::string& body) const
    {
        return HttpRequest(m_httpPort, "POST", path, body);
    }

private:
    void Start(const OrthancOptions& options);
    bool WaitReady();
    void Stop();

    std::filesystem::path m_dir;
    pid_t m_pid = -1;
    std::uint16_t m_dicomPort = 0;
    std::uint16_t m_httpPort = 0;
    bool m_ready = false;
    std::string m_failure;
};

}  // namespace testnet
