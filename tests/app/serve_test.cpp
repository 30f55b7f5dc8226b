// tessor serve as a process between real senders (DCMTK's storescu) and a real archive
// (Orthanc) or a peer of ours that fails on purpose: many concurrent senders, the
// allow-list, SIGTERM, each stitching mode, a forward peer that refuses, drops or stalls,
// and a restart after a kill in the middle of forwarding.
#include "net/StorageServer.h"
#include "node/StorageNode.h"
#include "tests/support/Orthanc.h"
#include "tests/support/ProcessRun.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include <chrono>
#include <fcntl.h>
#include <fstream>
#include <future>
#include <memory>
#include <mutex>
#include <iterator>
#include <set>
#include <thread>

namespace fs = std::filesystem;
using nlohmann::json;
using testfiles::Quote;

namespace {

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Polls `done` every 100 ms, at most `seconds` long.
template <class Done>
bool WaitFor(Done done, int seconds)
{
    for (int i = 0; i < seconds * 10; ++i) {
        if (done())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return done();
}

// A tessor serve process; killed (and reaped) at the latest when the object goes.
class Node {
public:
    Node(const std::string& arguments, const fs::path& log) : m_log(log)
    {
        const std::string command = "exec " + Quote(TESSOR_APP_PATH) + " serve " + arguments + " >>" + Quote(log) + " 2>&1";
        const char* argv[] = {"sh", "-c", command.c_str(), nullptr};
        if (posix_spawn(&m_pid, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ) != 0)
            m_pid = -1;
    }
    ~Node() { Kill(SIGKILL); }
    bool Listening() const
    {
        return WaitFor([this] { return ReadFile(m_log).find(" listening as ") != std::string::npos; }, 20);
    }
    // Sends `signal` and waits (at most 60 s) for the exit status; -1 when killed by a signal.
    int Kill(int signal)
    {
        if (m_pid <= 0)
            return -1;
        ::kill(m_pid, signal);
        int status = 0;
        const bool ended = WaitFor([&] { return ::waitpid(m_pid, &status, WNOHANG) == m_pid; }, 60);
        if (!ended) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, &status, 0);
        }
        m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    fs::path m_log;
    pid_t m_pid = -1;
};

struct Study {
    fs::path dir;
    std::string seriesUid, studyUid;
};

// A sample study of 3 pieces written by tessor sample with `options`, and its UIDs.
Study WriteStudy(const fs::path& dir, const std::string& options)
{
    EXPECT_EQ(testfiles::RunShell(Quote(TESSOR_APP_PATH) + " sample " + options + " " + Quote(dir)).status, 0);
    const testfiles::ProcessRun info = testfiles::RunShell(Quote(TESSOR_APP_PATH) + " info --json " +
                                                           Quote(dir / "piece-1.dcm") + " 2>/dev/null");
    const json record = json::parse(info.output, nullptr, false);
    Study study{dir, {}, {}};
    for (const auto& [section, members] : record[0].items()) {
        if (members.is_object() && members.contains("seriesInstanceUID"))
            study.seriesUid = members["seriesInstanceUID"];
        if (members.is_object() && members.contains("studyInstanceUID"))
            study.studyUid = members["studyInstanceUID"];
    }
    return study;
}

// `count` sample studies of 3 pieces, each with its own study and series.
std::vector<Study> WriteStudies(const fs::path& root, int count)
{
    std::vector<Study> studies;
    for (int i = 0; i < count; ++i)
        studies.push_back(WriteStudy(root / ("study-" + std::to_string(i)), "--rows 96 --cols 64"));
    return studies;
}

// The Pixel Data value of a DICOM file, as DCMTK's dcmdump writes it out into `scratch`.
std::string PixelData(const fs::path& file, const fs::path& scratch)
{
    fs::create_directories(scratch);
    testfiles::RunShell("dcmdump +W " + Quote(scratch) + " " + Quote(file) + " >/dev/null");
    return ReadFile(scratch / (file.filename().string() + ".0.raw"));
}

int StoreScu(const std::string& caller, std::uint16_t port, const fs::path& dir)
{
    return testfiles::RunShell("storescu -to 20 -ta 20 -td 20 -aet " + caller + " -aec TESSOR 127.0.0.1 " +
                               std::to_string(port) + " " + Quote(dir / "piece-1.dcm") + " " +
                               Quote(dir / "piece-2.dcm") + " " + Quote(dir / "piece-3.dcm"))
        .status;
}

size_t FilesIn(const fs::path& dir)
{
    std::error_code error;
    size_t count = 0;
    for (const auto& entry : fs::directory_iterator(dir, error))
        count += entry.path().filename().string().ends_with(".dcm");
    return count;
}

// A peer that stalls: the kernel completes the connection, nobody ever accepts or answers.
class SilentPeer {
public:
    explicit SilentPeer(std::uint16_t port) : m_fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0))
    {
        const int reuse = 1;
        ::setsockopt(m_fd, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        m_listening = ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 && ::listen(m_fd, 8) == 0;
    }
    ~SilentPeer() { ::close(m_fd); }
    SilentPeer(const SilentPeer&) = delete;
    SilentPeer& operator=(const SilentPeer&) = delete;
    bool Listening() const { return m_listening; }

private:
    int m_fd;
    bool m_listening = false;
};

// A storage peer of ours in this process, recording the SOP Instance UIDs it stored.
struct RecordingPeer {
    std::mutex mutex;
    std::vector<std::string> stored;
    net::StorageServer server;

    RecordingPeer(net::ServerSettings settings, const fs::path& folder)
        : server(std::move(settings), folder.string(), [this](const net::ReceivedInstance& instance) {
              const std::lock_guard lock(mutex);
              stored.push_back(instance.sopInstanceUid);
          }, {})
    {
    }
    std::vector<std::string> Stored()
    {
        const std::lock_guard lock(mutex);
        return stored;
    }
};

class Serve : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_orthanc.Ready()) << m_orthanc.Failure(); }

    testnet::OrthancServer m_orthanc;
};

TEST(ResultUid, IsFixedPerSeries)
{
    const struct {
        const char* series;
        const char* uid;
    } cases[] = {
        {"1.2.3", "2.25.93985393455874340766490932086401413049"},
        {"1.2.826.0.1.3680043.2.1125.1", "2.25.121581009323982033997371717632110586863"},
    };
    for (const auto& c : cases) {
        // Pinned: a node restarted by a newer build must still send the same instance.
        EXPECT_EQ(node::ResultUid(c.series), c.uid);
    }
    EXPECT_NE(node::ResultUid("1.2.3"), node::ResultUid("1.2.4"));
}

// Twenty senders at once, each a study of three pieces: every series is stitched and
// forwarded exactly once, into its own study; a caller outside the allow-list is refused.
TEST_F(Serve, TwentyConcurrentSendersEachGetTheirSeriesStitchedOnce)
{
    constexpr int kSenders = 20;
    const fs::path work = testfiles::FreshDir("serve-concurrent");
    const std::vector<Study> studies = WriteStudies(work / "studies", kSenders);
    const std::uint16_t port = testnet::FreePort();
    const fs::path spool = work / "spool";
    Node node("--port " + std::to_string(port) + " --allow SENDER --max-associations 32 --settle 2 --auto --forward " +
                  m_orthanc.Peer() + " --spool " + Quote(spool),
              work / "serve.log");
    ASSERT_TRUE(node.Listening()) << ReadFile(work / "serve.log");

    const auto started = std::chrono::steady_clock::now();
    std::vector<std::future<int>> senders;
    for (const Study& study : studies)
        senders.push_back(std::async(std::launch::async, [&] { return StoreScu("SENDER", port, study.dir); }));
    for (auto& sender : senders)
        EXPECT_EQ(sender.get(), 0);
    EXPECT_NE(StoreScu("STRANGER", port, studies[0].dir), 0);
    ASSERT_TRUE(WaitFor([&] { return FilesIn(spool / "sent") == kSenders; }, 120)) << ReadFile(work / "serve.log");
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("serve: %d senders of 3 pieces received, stitched and forwarded in %.1f s\n", kSenders, seconds);
    EXPECT_EQ(node.Kill(SIGTERM), 0);

    EXPECT_EQ(FilesIn(spool / "failed"), 0u);
    EXPECT_EQ(json::parse(m_orthanc.Get("/instances").body).size(), size_t{kSenders});
    for (const Study& study : studies) {
        SCOPED_TRACE(study.seriesUid);
        const json ids = json::parse(m_orthanc.Post("/tools/lookup", node::ResultUid(study.seriesUid)).body);
        ASSERT_EQ(ids.size(), 1u);
        const json tags =
            json::parse(m_orthanc.Get("/instances/" + ids[0]["ID"].get<std::string>() + "/simplified-tags").body);
        EXPECT_EQ(tags["StudyInstanceUID"], study.studyUid);
    }
    const std::string log = ReadFile(work / "serve.log");
    EXPECT_NE(log.find(" refused association from STRANGER: not in the allow-list\n"), std::string::npos);
    EXPECT_TRUE(log.ends_with(" stopped\n")) << log;
}

// Killed while its forward peer is down, the node keeps the result in the spool; started
// again, it sends that same instance, once.
TEST_F(Serve, ARestartAfterAKillForwardsWhatWasLeft)
{
    const fs::path work = testfiles::FreshDir("serve-restart");
    const Study study = WriteStudies(work / "studies", 1)[0];
    const fs::path spool = work / "spool";
    const std::uint16_t port = testnet::FreePort();
    const std::string common = "--port " + std::to_string(port) + " --settle 1 --spool " + Quote(spool);
    const fs::path result = spool / "stitched" / (study.seriesUid + ".dcm");
    {
        Node first(common + " --retries 100 --forward NOBODY@127.0.0.1:" + std::to_string(testnet::FreePort()),
                   work / "first.log");
        ASSERT_TRUE(first.Listening()) << ReadFile(work / "first.log");
        ASSERT_EQ(StoreScu("SENDER", port, study.dir), 0);
        ASSERT_TRUE(WaitFor([&] { return ReadFile(work / "first.log").find("(attempt 1 of 100)") != std::string::npos; }, 30))
            << ReadFile(work / "first.log");
        EXPECT_EQ(first.Kill(SIGKILL), -1);
    }
    EXPECT_TRUE(fs::exists(result));
    Node second(common + " --forward " + m_orthanc.Peer(), work / "second.log");
    ASSERT_TRUE(WaitFor([&] { return fs::exists(spool / "sent" / (study.seriesUid + ".dcm")); }, 60))
        << ReadFile(work / "second.log");
    EXPECT_EQ(second.Kill(SIGTERM), 0);
    const std::string log = ReadFile(work / "second.log");
    EXPECT_NE(log.find(" resuming the forward of " + result.string() + "\n"), std::string::npos) << log;
    const json instances = json::parse(m_orthanc.Get("/instances").body);
    ASSERT_EQ(instances.size(), 1u);
    const json tags = json::parse(m_orthanc.Get("/instances/" + instances[0].get<std::string>() + "/simplified-tags").body);
    EXPECT_EQ(tags["SOPInstanceUID"], node::ResultUid(study.seriesUid));
}

// The node lays a series out as tessor stitch does with the same option, pixel for pixel:
// with --align every junction of these random overlaps registers (756 rows), trimmed (the
// default, or --auto) the overlaps stay (813 rows).
TEST(ServeStitching, EachModeGivesThePixelsOfTessorStitchWithTheSameOption)
{
    const fs::path work = testfiles::FreshDir("serve-modes");
    const Study study = WriteStudy(work / "study", "--rows 300 --cols 200 --random-overlaps --seed 2");
    const std::string pieces = Quote(study.dir / "piece-1.dcm") + " " + Quote(study.dir / "piece-2.dcm") + " " +
                               Quote(study.dir / "piece-3.dcm");
    const struct {
        const char* serveOption;
        const char* stitchOption;
        size_t rows;
    } cases[] = {{"--align", "--align", 756}, {"--auto", "--auto", 813}, {"", "--auto", 813}};
    int run = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.serveOption);
        const fs::path dir = work / ("run-" + std::to_string(++run));
        fs::create_directories(dir);
        const std::uint16_t port = testnet::FreePort();
        Node node("--port " + std::to_string(port) + " --settle 1 " + c.serveOption + " --spool " + Quote(dir / "spool"),
                  dir / "serve.log");
        ASSERT_TRUE(node.Listening()) << ReadFile(dir / "serve.log");
        ASSERT_EQ(StoreScu("SENDER", port, study.dir), 0);
        const fs::path result = dir / "spool" / "stitched" / (study.seriesUid + ".dcm");
        ASSERT_TRUE(WaitFor([&] { return fs::exists(result); }, 60)) << ReadFile(dir / "serve.log");
        EXPECT_EQ(node.Kill(SIGTERM), 0);

        const fs::path reference = dir / "reference.dcm";
        const testfiles::ProcessRun stitched = testfiles::RunShell(Quote(TESSOR_APP_PATH) + " stitch " + c.stitchOption +
                                                                   " -o " + Quote(reference) + " " + pieces);
        ASSERT_EQ(stitched.status, 0) << stitched.output;
        const std::string pixels = PixelData(result, dir / "node-pixels");
        EXPECT_EQ(pixels.size(), c.rows * 200 * 2);
        EXPECT_TRUE(pixels == PixelData(reference, dir / "reference-pixels"));
    }
}

// A forward peer that refuses the association, cuts it in the middle of the transfer, or
// takes the connection and never answers: the node keeps the result, retries with a pause
// that doubles, and once a working peer listens there, delivers it exactly once.
TEST(ServeForwarding, AFailingPeerGetsTheResultOnceItWorks)
{
    enum class Fault { Refuses, Drops, Stalls };
    const struct {
        const char* name;
        Fault fault;
    } cases[] = {{"refuses", Fault::Refuses}, {"drops", Fault::Drops}, {"stalls", Fault::Stalls}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path work = testfiles::FreshDir(std::string("serve-failing-peer-") + c.name);
        const Study study = WriteStudies(work / "studies", 1)[0];
        net::ServerSettings peer;
        peer.aeTitle = "ARCHIVE";
        peer.port = testnet::FreePort();
        peer.timeoutSeconds = 5;
        // The node first: a process started later would inherit the peers' listening sockets.
        const std::uint16_t port = testnet::FreePort();
        const fs::path log = work / "serve.log";
        Node node("--port " + std::to_string(port) + " --settle 1 --timeout 2 --retries 100 --forward ARCHIVE@127.0.0.1:" +
                      std::to_string(peer.port) + " --spool " + Quote(work / "spool"),
                  log);
        ASSERT_TRUE(node.Listening()) << ReadFile(log);
        std::unique_ptr<RecordingPeer> faulty;
        std::unique_ptr<SilentPeer> silent;
        if (c.fault == Fault::Stalls) {
            silent = std::make_unique<SilentPeer>(peer.port);
            ASSERT_TRUE(silent->Listening());
        } else {
            net::ServerSettings settings = peer;
            if (c.fault == Fault::Refuses)
                settings.allowedCallers = {"SOMEONE"};
            else
                settings.maxAssociationBytes = 1024;  // the result is tens of kilobytes
            faulty = std::make_unique<RecordingPeer>(settings, work / "faulty");
            ASSERT_TRUE(faulty->server.Start().ok);
        }

        ASSERT_EQ(StoreScu("SENDER", port, study.dir), 0);
        ASSERT_TRUE(WaitFor([&] { return ReadFile(log).find("(attempt 2 of 100)") != std::string::npos; }, 60))
            << ReadFile(log);
        const std::string failures = ReadFile(log);
        EXPECT_NE(failures.find("(attempt 1 of 100)"), std::string::npos);
        EXPECT_NE(failures.find("; next in 2 s\n"), std::string::npos) << failures;
        EXPECT_NE(failures.find("; next in 4 s\n"), std::string::npos) << failures;
        EXPECT_TRUE(fs::exists(work / "spool" / "stitched" / (study.seriesUid + ".dcm")));
        if (faulty) {
            EXPECT_EQ(faulty->Stored(), std::vector<std::string>{});
            faulty.reset();
        }
        silent.reset();

        fs::create_directories(work / "archive");
        const auto working = std::make_unique<RecordingPeer>(peer, work / "archive");
        const net::NetResult started = working->server.Start();
        ASSERT_TRUE(started.ok) << started.error;
        const fs::path sent = work / "spool" / "sent" / (study.seriesUid + ".dcm");
        ASSERT_TRUE(WaitFor([&] { return fs::exists(sent); }, 60)) << ReadFile(log);
        EXPECT_EQ(node.Kill(SIGTERM), 0);
        EXPECT_EQ(working->Stored(), std::vector<std::string>{node::ResultUid(study.seriesUid)});
        EXPECT_FALSE(fs::exists(work / "spool" / "stitched" / (study.seriesUid + ".dcm")));
    }
}

// The limits as the command line gives them reach the node: each refuses the study of
// 400 x 300 pieces (240000 bytes of pixels, about 241 KB each) with its own log line.
TEST(ServeLimits, EachOptionRefusesWhatCrossesIt)
{
    const fs::path work = testfiles::FreshDir("serve-limits");
    const Study study = WriteStudy(work / "study", "--rows 400 --cols 300");
    const struct {
        const char* option;
        const char* line;
    } cases[] = {
        {"--max-association-bytes 300K", ": more than 307200 bytes in one association\n"},
        {"--max-image-bytes 100K", " bytes of pixels, over the limit of 102400\n"},
        {"--min-free-bytes 1024T", " bytes free in the spool, below the margin of 1125899906842624\n"},
    };
    int run = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.option);
        const fs::path dir = work / ("run-" + std::to_string(++run));
        fs::create_directories(dir);
        const std::uint16_t port = testnet::FreePort();
        Node node("--port " + std::to_string(port) + " --settle 1 " + c.option + " --spool " + Quote(dir / "spool"),
                  dir / "serve.log");
        ASSERT_TRUE(node.Listening()) << ReadFile(dir / "serve.log");
        EXPECT_NE(StoreScu("SENDER", port, study.dir), 0);
        EXPECT_EQ(node.Kill(SIGTERM), 0);
        const std::string log = ReadFile(dir / "serve.log");
        EXPECT_NE(log.find(c.line), std::string::npos) << log;
        EXPECT_EQ(FilesIn(dir / "spool" / "incoming" / study.seriesUid), 0u);
    }
}

}  // namespace
