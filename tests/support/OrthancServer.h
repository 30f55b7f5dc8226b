// A real archive for tests: Debian's Orthanc, started with a configuration of its own (free
// DICOM and HTTP ports on 127.0.0.1, storage in a fresh folder, no plugins) and stopped when
// the object goes. Every wait is bounded in count and time; all traffic stays on loopback.
// Header-only, for any test that stores into or reads from an archive.
//
//   testfiles::OrthancServer archive(dir);
//   ASSERT_TRUE(archive.Running()) << archive.Log();
//   archive.Get("/studies")  // the REST answer's body
#pragma once

#include "tests/support/ProcessRun.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace testfiles {

inline constexpr const char* kOrthancPath = "/usr/sbin/Orthanc";

class OrthancServer {
public:
    static constexpr const char* kAet = "TESSORTEST";

    explicit OrthancServer(const std::filesystem::path& dir) : m_dir(dir)
    {
        if (!std::filesystem::exists(kOrthancPath))
            return;
        m_httpPort = FreePort();
        m_dicomPort = FreePort();
        std::filesystem::create_directories(m_dir / "storage");
        std::ofstream(m_dir / "orthanc.json")
            << "{\"Name\": \"tessor-test\", \"StorageDirectory\": \"" << (m_dir / "storage").string()
            << "\", \"IndexDirectory\": \"" << (m_dir / "storage").string() << "\", \"HttpPort\": " << m_httpPort
            << ", \"DicomPort\": " << m_dicomPort << ", \"DicomAet\": \"" << kAet
            << "\", \"RemoteAccessAllowed\": false, \"AuthenticationEnabled\": false, \"DicomCheckCalledAet\": false,"
               " \"DicomAlwaysAllowStore\": true, \"Plugins\": [], \"HttpServerEnabled\": true,"
               " \"DicomServerEnabled\": true, \"ConcurrentJobs\": 1}\n";
        const std::string logPath = (m_dir / "orthanc.log").string();
        const std::string configPath = (m_dir / "orthanc.json").string();
        m_pid = ::fork();
        if (m_pid == 0) {
            // Only async-signal-safe calls between fork and exec: the test process has threads.
            const int log = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (log >= 0) {
                ::dup2(log, STDOUT_FILENO);
                ::dup2(log, STDERR_FILENO);
            }
            ::execl(kOrthancPath, kOrthancPath, configPath.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        // Up to 300 attempts and 30 seconds until the REST API answers.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        for (int attempt = 0; attempt < 300 && std::chrono::steady_clock::now() < deadline; ++attempt) {
            if (Get("/system").find("\"DicomAet\"") != std::string::npos) {
                m_running = true;
                break;
            }
            int status = 0;
            if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_pid = -1;  // it ended by itself: nothing to stop
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    }
    ~OrthancServer() { Stop(); }
    OrthancServer(const OrthancServer&) = delete;
    OrthancServer& operator=(const OrthancServer&) = delete;

    bool Running() const { return m_running; }
    int DicomPort() const { return m_dicomPort; }
    int HttpPort() const { return m_httpPort; }
    std::string Log() const
    {
        std::ifstream in(m_dir / "orthanc.log");
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    // The body of GET http://127.0.0.1:PORT<path>; empty when it fails (5 seconds at most).
    std::string Get(const std::string& path) const
    {
        const ProcessRun run = RunShell("curl -s -f --max-time 5 'http://127.0.0.1:" + std::to_string(m_httpPort) +
                                        path + "'");
        return run.status == 0 ? run.output : std::string();
    }

    // Sends the files with DCMTK's storescu (30 seconds at most); the tool's exit status.
    int Store(const std::string& quotedFiles) const
    {
        return RunShell("timeout 30 storescu -aec " + std::string(kAet) + " 127.0.0.1 " +
                        std::to_string(m_dicomPort) + " " + quotedFiles)
            .status;
    }

    void Stop()
    {
        if (m_pid <= 0)
            return;
        ::kill(m_pid, SIGTERM);
        // Up to 10 seconds for a clean stop, then killed.
        int status = 0;
        for (int attempt = 0; attempt < 100; ++attempt) {
            if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_pid = -1;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, &status, 0);
        m_pid = -1;
        m_running = false;
    }

private:
    // A port on 127.0.0.1 that nobody listens on now, chosen by the kernel.
    static int FreePort()
    {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        int port = 0;
        if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
            port = ntohs(address.sin_port);
        if (fd >= 0)
            ::close(fd);
        return port;
    }

    std::filesystem::path m_dir;
    pid_t m_pid = -1;
    int m_httpPort = 0;
    int m_dicomPort = 0;
    bool m_running = false;
};

}  // namespace testfiles
