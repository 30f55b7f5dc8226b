// The storage service provider receiving from DCMTK's storescu, a real sender: what it
// writes, whom it lets in, the limits that keep a hostile peer from exhausting memory or
// disk, and that it stops by itself.
#include "app/SampleStudy.h"
#include "net/StorageServer.h"
#include "tests/support/Orthanc.h"
#include "tests/support/ProcessRun.h"
#include "tests/support/RawDicom.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <set>

namespace fs = std::filesystem;
using testfiles::Quote;

namespace {

struct Recorder {
    std::mutex mutex;
    std::vector<net::ReceivedInstance> received;
    std::vector<std::string> log;
};

// Every regular file under `dir`, temporary ones included.
std::set<std::string> FilesUnder(const fs::path& dir)
{
    std::set<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(dir))
        if (entry.is_regular_file())
            files.insert(entry.path().string());
    return files;
}

// A server on a free port writing into a fresh spool, recording what it reports; stopped
// when the object goes.
class Receiving : public testing::Test {
protected:
    // A study of three 16-bit pieces of `rows` x `columns`, written once per size.
    static fs::path Study(int rows, int columns)
    {
        const fs::path dir = testfiles::FreshDir("server-study-" + std::to_string(rows) + "x" + std::to_string(columns));
        sample::SampleOptions options;
        options.rows = rows;
        options.columns = columns;
        EXPECT_EQ(sample::WriteSampleStudy(options, dir), "");
        return dir;
    }

    void Start(net::ServerSettings settings)
    {
        settings.port = testnet::FreePort();
        settings.timeoutSeconds = 5;
        m_port = settings.port;
        m_server = std::make_unique<net::StorageServer>(
            settings, m_spool.string(),
            [this](const net::ReceivedInstance& instance) {
                const std::lock_guard lock(m_recorder.mutex);
                m_recorder.received.push_back(instance);
            },
            [this](const std::string& line) {
                const std::lock_guard lock(m_recorder.mutex);
                m_recorder.log.push_back(line);
            });
        const net::NetResult started = m_server->Start();
        ASSERT_TRUE(started.ok) << started.error;
    }

    // storescu's exit status after sending the files (shell words) as `caller`.
    int SendFiles(const std::string& caller, const std::string& files) const
    {
        return testfiles::RunShell("storescu -to 5 -ta 5 -td 5 -aet " + caller + " -aec TESSOR 127.0.0.1 " +
                                   std::to_string(m_port) + " " + files)
            .status;
    }

    // The same for the study's three pieces.
    int Send(const std::string& caller, const fs::path& study) const
    {
        return SendFiles(caller, Quote(study / "piece-1.dcm") + " " + Quote(study / "piece-2.dcm") + " " +
                                     Quote(study / "piece-3.dcm"));
    }

    size_t Received()
    {
        const std::lock_guard lock(m_recorder.mutex);
        return m_recorder.received.size();
    }

    // How many log lines end with `text` (a whole line when it starts as one).
    long Logged(const std::string& text)
    {
        const std::lock_guard lock(m_recorder.mutex);
        return std::count_if(m_recorder.log.begin(), m_recorder.log.end(),
                             [&text](const std::string& line) { return line.ends_with(text); });
    }

    fs::path m_spool = testfiles::FreshDir("server-spool");
    std::uint16_t m_port = 0;
    Recorder m_recorder;
    std::unique_ptr<net::StorageServer> m_server;
};

TEST_F(Receiving, StoresWhatAllowedCallersSendAndRefusesOthers)
{
    const fs::path study = Study(80, 64);
    net::ServerSettings settings;
    settings.allowedCallers = {"SENDER"};
    settings.maxImageBytes = 0;  // 0 lifts a limit (an image of 0 bytes would be over it otherwise)
    settings.maxAssociationBytes = 0;
    Start(settings);
    const struct {
        const char* caller;
        int status;
        size_t stored;  // instances received so far
    } cases[] = {{"SENDER", 0, 3}, {"STRANGER", 1, 3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.caller);
        EXPECT_EQ(Send(c.caller, study), c.status);
        EXPECT_EQ(Received(), c.stored);
    }
    m_server.reset();  // stops here, by itself

    ASSERT_EQ(m_recorder.received.size(), 3u);
    std::set<std::string> reported;
    for (const net::ReceivedInstance& instance : m_recorder.received) {
        EXPECT_EQ(instance.callingAeTitle, "SENDER");
        EXPECT_EQ(instance.seriesUid, m_recorder.received[0].seriesUid);
        const std::string name = fs::path(instance.file).filename().string();
        EXPECT_EQ(instance.file, (m_spool / instance.seriesUid / name).string());
        EXPECT_TRUE(name == "000001-" + instance.sopInstanceUid + ".dcm" || name == "000002-" + instance.sopInstanceUid + ".dcm" ||
                    name == "000003-" + instance.sopInstanceUid + ".dcm")
            << name;
        reported.insert(instance.file);
    }
    EXPECT_EQ(FilesUnder(m_spool), reported);  // nothing else, no temporary file
    ASSERT_GE(m_recorder.log.size(), 3u);
    EXPECT_EQ(m_recorder.log.front(), "listening as TESSOR on port " + std::to_string(m_port));
    EXPECT_EQ(m_recorder.log.back(), "stopped");
    EXPECT_EQ(Logged("refused association from STRANGER: not in the allow-list"), 1);
}

// Each limit crossed by a real sender: the sender fails (storescu stops at the first
// refusal), the spool keeps nothing of what crossed it (an aborted association loses what
// it had stored), and one line says why.
// Pieces of 400 x 300 are 240000 bytes of pixels and about 241 KB as data sets; pieces of
// 1200 x 600 are 1440000 bytes and cross 100 KB + the 1 MiB allowed around the pixels
// while they arrive.
TEST_F(Receiving, EachLimitRefusesWhatCrossesItAndKeepsNothingOfIt)
{
    constexpr std::uint64_t kUnbounded = std::uint64_t{1} << 40;
    const struct {
        const char* name;
        int rows, columns;
        std::uint64_t associationBytes, imageBytes, minFree;
        size_t received;  // instances reported before the limit stopped the rest
        std::vector<std::string> lines;
    } cases[] = {
        {"association", 400, 300, 300 << 10, kUnbounded, 0, 1,
         {"aborting the association from SENDER: more than 307200 bytes in one association",
          "removed what the aborted association from SENDER had stored: 1 images"}},
        {"declared pixels", 400, 300, kUnbounded, 100 << 10, 0, 0,
         {" from SENDER: 240000 bytes of pixels, over the limit of 102400"}},
        {"data set in transit", 1200, 600, kUnbounded, 100 << 10, 0, 0,
         {"aborting the association from SENDER: a data set over 1150976 bytes",
          "removed what the aborted association from SENDER had stored: 0 images"}},
        {"free disk", 400, 300, kUnbounded, kUnbounded, kUnbounded << 10, 0,
         {" bytes free in the spool, below the margin of 1125899906842624"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path study = Study(c.rows, c.columns);
        m_spool = testfiles::FreshDir(std::string("server-limit-") + c.name);
        m_recorder.received.clear();
        m_recorder.log.clear();
        net::ServerSettings settings;
        settings.maxAssociationBytes = c.associationBytes;
        settings.maxImageBytes = c.imageBytes;
        settings.minFreeBytes = c.minFree;
        Start(settings);
        EXPECT_NE(Send("SENDER", study), 0);
        m_server.reset();
        EXPECT_EQ(m_recorder.received.size(), c.received);
        EXPECT_EQ(FilesUnder(m_spool), std::set<std::string>{});
        for (const std::string& line : c.lines)
            EXPECT_EQ(Logged(line), 1) << line;
    }
}

// 1024 x 1024 pixels x 2^30 frames x 2^14 samples of one byte are 2^64 bytes, which a
// 64-bit product wraps to 0: the image must still count as over any limit.
TEST_F(Receiving, AnImageDeclaringTwoToTheSixtyFourBytesIsOverTheLimit)
{
    rawdicom::CDataSet set;
    set.Text(0x0008, 0x0016, "UI", "1.2.840.10008.5.1.4.1.1.7");
    set.Text(0x0008, 0x0018, "UI", "1.2.3.4.5");
    set.Text(0x0020, 0x000E, "UI", "1.2.3.4");
    set.US(0x0028, 0x0002, 16384);
    set.Text(0x0028, 0x0004, "CS", "MONOCHROME2");
    set.Text(0x0028, 0x0008, "IS", "1073741824");
    set.US(0x0028, 0x0010, 1024);
    set.US(0x0028, 0x0011, 1024);
    set.US(0x0028, 0x0100, 8);
    set.US(0x0028, 0x0101, 8);
    set.US(0x0028, 0x0102, 7);
    set.US(0x0028, 0x0103, 0);
    set.Element(0x7FE0, 0x0010, "OB", std::string(4, '\0'));
    const fs::path file = testfiles::FreshDir("server-huge") / "huge.dcm";
    rawdicom::WriteFile(file, set);
    Start({});
    EXPECT_NE(SendFiles("SENDER", Quote(file)), 0);
    m_server.reset();
    EXPECT_EQ(m_recorder.received.size(), 0u);
    EXPECT_EQ(FilesUnder(m_spool), std::set<std::string>{});
    EXPECT_EQ(Logged("refused 1.2.3.4.5 from SENDER: 18446744073709551615 bytes of pixels, over the limit of 536870912"), 1);
}

}  // namespace
