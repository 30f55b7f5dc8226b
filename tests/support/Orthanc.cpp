#include "tests/support/Orthanc.h"

#include "tests/support/ProcessRun.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;

namespace testnet {

namespace {

// A socket closed when it goes out of scope.
struct Socket {
    int fd = -1;
    explicit Socket(int type) : fd(::socket(AF_INET, type, 0)) {}
    ~Socket()
    {
        if (fd >= 0)
            ::close(fd);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
};

sockaddr_in Loopback(std::uint16_t port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

bool BringLoopbackUp(std::string& reason)
{
    Socket control(SOCK_DGRAM);
    ifreq request{};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    if (control.fd < 0 || ::ioctl(control.fd, SIOCGIFFLAGS, &request) != 0) {
        reason = std::string("cannot read lo: ") + std::strerror(errno);
        return false;
    }
    request.ifr_flags = static_cast<short>(request.ifr_flags | IFF_UP);
    if (::ioctl(control.fd, SIOCSIFFLAGS, &request) != 0) {
        reason = std::string("cannot bring lo up: ") + std::strerror(errno);
        return false;
    }
    return true;
}

void SetTimeouts(int fd, int seconds)
{
    const timeval limit{seconds, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
}

bool SendAll(int fd, const std::string& data)
{
    for (size_t sent = 0; sent < data.size();) {
        const ssize_t n = ::send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

std::string IsolateNetwork()
{
    if (::geteuid() != 0)
        return "network tests: free loopback ports (not root: no private network namespace)";
    if (::unshare(CLONE_NEWNET) != 0)
        return std::string("network tests: free loopback ports (no private network namespace: ") +
               std::strerror(errno) + ")";
    std::string reason;
    if (!BringLoopbackUp(reason))
        return "network tests: private network namespace, but " + reason;
    return "network tests: private network namespace with loopback only";
}

std::uint16_t FreePort()
{
    Socket probe(SOCK_STREAM);
    sockaddr_in address = Loopback(0);
    socklen_t length = sizeof address;
    if (probe.fd < 0 || ::bind(probe.fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::getsockname(probe.fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return 0;
    return ntohs(address.sin_port);
}

HttpReply HttpRequest(std::uint16_t port, const std::string& method, const std::string& path,
                      const std::string& body)
{
    HttpReply reply;
    Socket connection(SOCK_STREAM);
    const sockaddr_in address = Loopback(port);
    if (connection.fd < 0)
        return reply;
    SetTimeouts(connection.fd, 10);
    if (::connect(connection.fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return reply;
    const std::string request = method + " " + path + " HTTP/1.0\r\nHost: 127.0.0.1\r\nConnection: close\r\n" +
                                "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
    if (!SendAll(connection.fd, request))
        return reply;
    std::string response;
    char buffer[65536];
    // Bounded: each read waits at most the socket timeout, and a reply over 1 GB is refused.
    for (ssize_t n; (n = ::recv(connection.fd, buffer, sizeof buffer, 0)) > 0 && response.size() < (1u << 30);)
        response.append(buffer, static_cast<size_t>(n));
    const size_t headerEnd = response.find("\r\n\r\n");
    if (!response.starts_with("HTTP/1.") || headerEnd == std::string::npos || response.size() < 12)
        return reply;
    reply.status = std::atoi(response.substr(9, 3).c_str());
    reply.body = response.substr(headerEnd + 4);
    return reply;
}

OrthancServer::OrthancServer(const OrthancOptions& options)
{
    Start(options);
    m_ready = m_failure.empty() && WaitReady();
}

OrthancServer::~OrthancServer()
{
    Stop();
    std::error_code ignored;
    fs::remove_all(m_dir, ignored);
}

std::string OrthancServer::Log() const
{
    std::ifstream in(m_dir / "orthanc.log");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

int OrthancServer::Store(const std::string& quotedFiles) const
{
    return testfiles::RunShell("timeout 60 storescu -to 10 -ta 10 -td 10 -aet TESSOR -aec ORTHANC 127.0.0.1 " +
                               std::to_string(m_dicomPort) + " " + quotedFiles)
        .status;
}

std::string OrthancServer::Peer() const
{
    return "ORTHANC@127.0.0.1:" + std::to_string(m_dicomPort);
}

void OrthancServer::Start(const OrthancOptions& options)
{
    char pattern[] = "/tmp/tessor-orthanc-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) {
        m_failure = "no temporary folder";
        return;
    }
    m_dir = pattern;
    // Two distinct ports, neither the one we listen on (the kernel may hand one out twice).
    for (int attempt = 0; attempt < 20 && (m_dicomPort == m_httpPort || m_dicomPort == options.ourPort ||
                                           m_httpPort == options.ourPort);
         ++attempt) {
        m_dicomPort = FreePort();
        m_httpPort = FreePort();
    }
    const fs::path storage = m_dir / "storage";
    fs::create_directories(storage);
    std::ofstream config(m_dir / "orthanc.json");
    config << "{\n  \"Name\": \"tessor-test\",\n  \"StorageDirectory\": \"" << storage.string()
           << "\",\n  \"IndexDirectory\": \"" << storage.string() << "\",\n  \"DicomAet\": \"ORTHANC\",\n"
           << "  \"DicomPort\": " << m_dicomPort << ",\n  \"HttpPort\": " << m_httpPort << ",\n"
           << "  \"RemoteAccessAllowed\": false,\n  \"AuthenticationEnabled\": false,\n"
           << "  \"DicomCheckCalledAet\": true,\n  \"Plugins\": [],\n  \"SaveJobs\": false,\n"
           << "  \"DicomAssociationCloseDelay\": 0,\n  \"DicomScpTimeout\": 10,\n"
           << "  \"DicomModalities\": { \"tessor\": [\"" << options.ourAeTitle << "\", \"127.0.0.1\", "
           << (options.ourPort ? options.ourPort : 104) << "] }";
    if (!options.acceptedSyntaxes.empty())
        config << ",\n  \"AcceptedTransferSyntaxes\": " << options.acceptedSyntaxes;
    config << "\n}\n";
    config.close();
    const std::string log = (m_dir / "orthanc.log").string();
    const std::string configPath = (m_dir / "orthanc.json").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    std::string program = "Orthanc";
    char* argv[] = {program.data(), const_cast<char*>(configPath.c_str()), nullptr};
    if (posix_spawnp(&m_pid, "Orthanc", &actions, nullptr, argv, environ) != 0) {
        m_pid = -1;
        m_failure = "cannot start Orthanc (is the orthanc package installed?)";
    }
    posix_spawn_file_actions_destroy(&actions);
}

bool OrthancServer::WaitReady()
{
    // At most 300 attempts 50 ms apart, and only while the server is still running.
    for (int attempt = 0; attempt < 300; ++attempt) {
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            m_failure = "Orthanc stopped while starting; see " + (m_dir / "orthanc.log").string();
            return false;
        }
        if (HttpRequest(m_httpPort, "GET", "/system").status == 200)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    m_failure = "Orthanc did not answer within 15 s";
    return false;
}

void OrthancServer::Stop()
{
    if (m_pid <= 0)
        return;
    ::kill(m_pid, SIGTERM);
    // A graceful stop for up to 20 s, then a kill; the child is always reaped.
    for (int attempt = 0; attempt < 200; ++attempt) {
        if (::waitpid(m_pid, nullptr, WNOHANG) == m_pid) {
            m_pid = -1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ::kill(m_pid, SIGKILL);
    ::waitpid(m_pid, nullptr, 0);
    m_pid = -1;
}

}  // namespace testnet
