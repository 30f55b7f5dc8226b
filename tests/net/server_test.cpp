// The storage service provider receiving from DCMTK's storescu, a real sender: what it
// writes, whom it lets in, and that it stops by itself.
#include "app/SampleStudy.h"
#include "net/StorageServer.h"
#include "tests/support/Orthanc.h"
#include "tests/support/ProcessRun.h"
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

TEST(StorageServer, StoresWhatAllowedCallersSendAndRefusesOthers)
{
    sample::SampleOptions options;
    options.rows = 80;
    options.columns = 64;
    const fs::path study = testfiles::FreshDir("server-study");
    ASSERT_EQ(sample::WriteSampleStudy(options, study), "");
    const fs::path spool = testfiles::FreshDir("server-spool");

    Recorder recorder;
    net::ServerSettings settings;
    settings.port = testnet::FreePort();
    settings.allowedCallers = {"SENDER"};
    settings.timeoutSeconds = 5;
    {
        net::StorageServer server(
            settings, spool.string(),
            [&recorder](const net::ReceivedInstance& instance) {
                const std::lock_guard lock(recorder.mutex);
                recorder.received.push_back(instance);
            },
            [&recorder](const std::string& line) {
                const std::lock_guard lock(recorder.mutex);
                recorder.log.push_back(line);
            });
        const net::NetResult started = server.Start();
        ASSERT_TRUE(started.ok) << started.error;

        const std::string target = " -to 5 -ta 5 -td 5 -aec TESSOR 127.0.0.1 " + std::to_string(settings.port) + " ";
        const std::string files = Quote(study / "piece-1.dcm") + " " + Quote(study / "piece-2.dcm") + " " +
                                  Quote(study / "piece-3.dcm");
        const struct {
            const char* caller;
            int status;
            size_t stored;  // instances received so far
        } cases[] = {{"SENDER", 0, 3}, {"STRANGER", 1, 3}};
        for (const auto& c : cases) {
            SCOPED_TRACE(c.caller);
            const testfiles::ProcessRun sent = testfiles::RunShell("storescu -aet " + std::string(c.caller) + target + files);
            EXPECT_EQ(sent.status, c.status) << sent.output;
            const std::lock_guard lock(recorder.mutex);
            EXPECT_EQ(recorder.received.size(), c.stored);
        }
    }  // the server stops here, by itself

    std::set<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(spool))
        if (entry.is_regular_file())
            files.insert(entry.path().string());
    ASSERT_EQ(recorder.received.size(), 3u);
    std::set<std::string> reported;
    for (const net::ReceivedInstance& instance : recorder.received) {
        EXPECT_EQ(instance.callingAeTitle, "SENDER");
        EXPECT_EQ(instance.seriesUid, recorder.received[0].seriesUid);
        const std::string name = fs::path(instance.file).filename().string();
        EXPECT_EQ(instance.file, (spool / instance.seriesUid / name).string());
        EXPECT_TRUE(name == "000001-" + instance.sopInstanceUid + ".dcm" || name == "000002-" + instance.sopInstanceUid + ".dcm" ||
                    name == "000003-" + instance.sopInstanceUid + ".dcm")
            << name;
        reported.insert(instance.file);
    }
    EXPECT_EQ(files, reported);  // nothing else, no temporary file
    ASSERT_GE(recorder.log.size(), 3u);
    EXPECT_EQ(recorder.log.front(), "listening as TESSOR on port " + std::to_string(settings.port));
    EXPECT_EQ(recorder.log.back(), "stopped");
    EXPECT_EQ(std::count(recorder.log.begin(), recorder.log.end(),
                         "refused association from STRANGER: not in the allow-list"),
              1);
}

}  // namespace
