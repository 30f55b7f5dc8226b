// The network commands as a user runs them, against a real archive: a study uploaded
// through Orthanc's REST API is found, fetched, stitched and sent back, and the archive
// then holds the stitched image in the same study with the pixels written here.
#include "tests/support/Orthanc.h"
#include "tests/support/ProcessRun.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

namespace fs = std::filesystem;
using nlohmann::json;
using testfiles::ProcessRun;
using testfiles::Quote;

namespace {

ProcessRun Tessor(const std::string& arguments)
{
    return testfiles::RunShell(Quote(TESSOR_APP_PATH) + " " + arguments);
}

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

json GetJson(const testnet::OrthancServer& orthanc, const std::string& path)
{
    const testnet::HttpReply reply = orthanc.Get(path);
    EXPECT_EQ(reply.status, 200) << path;
    return json::parse(reply.body, nullptr, false);
}

// A tag value Orthanc shows as a number or as its decimal text.
size_t Count(const json& value)
{
    return value.is_number() ? value.get<size_t>() : std::stoul(value.get<std::string>());
}

class NetworkCommands : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_orthanc.Ready()) << m_orthanc.Failure(); }

    // Uploads the sample pieces through REST; returns their SOP Instance UIDs in order.
    std::vector<std::string> UploadSample(const fs::path& dir)
    {
        const ProcessRun sample = Tessor("sample --rows 160 --cols 120 " + Quote(dir));
        EXPECT_EQ(sample.status, 0) << sample.output;
        std::vector<std::string> uids;
        for (int i = 1; i <= 3; ++i) {
            const testnet::HttpReply added =
                m_orthanc.Post("/instances", ReadFile(dir / ("piece-" + std::to_string(i) + ".dcm")));
            EXPECT_EQ(added.status, 200) << added.body;
            const std::string id = json::parse(added.body)["ID"];
            const json tags = GetJson(m_orthanc, "/instances/" + id + "/simplified-tags");
            uids.push_back(tags["SOPInstanceUID"]);
            m_studyUid = tags["StudyInstanceUID"];
        }
        return uids;
    }

    // Where Orthanc sends a C-MOVE for us (AE title TESSOR).
    const std::uint16_t m_receivePort = testnet::FreePort();
    testnet::OrthancServer m_orthanc{testnet::OrthancOptions{"TESSOR", m_receivePort, ""}};
    std::string m_studyUid;
};

TEST_F(NetworkCommands, EchoNamesThePeerOrWhyNot)
{
    const std::string port = std::to_string(m_orthanc.DicomPort());
    const struct {
        std::string arguments;
        int status;
        std::string output;
    } cases[] = {
        {"echo " + m_orthanc.Peer(), 0, m_orthanc.Peer() + ": echo answered\n"},
        {"echo --ae STRANGER " + m_orthanc.Peer(), 0, m_orthanc.Peer() + ": echo answered\n"},  // echo is open
        {"echo WRONG@127.0.0.1:" + port, 1,
         "tessor: no association with WRONG@127.0.0.1:" + port + ": DUL Association Rejected\n"},
    };
    for (const auto& c : cases) {
        const ProcessRun run = Tessor(c.arguments);
        EXPECT_EQ(run.status, c.status) << c.arguments;
        EXPECT_EQ(run.output, c.output) << c.arguments;
    }
}

TEST_F(NetworkCommands, FindFetchStitchAndSendBackIntoTheSameStudy)
{
    const fs::path work = testfiles::FreshDir("network-round-trip");
    const std::vector<std::string> uids = UploadSample(work / "upload");
    const std::string peer = m_orthanc.Peer();

    const ProcessRun find = Tessor("find --json --patient TESSOR-0001 --modality DX " + peer);
    ASSERT_EQ(find.status, 0) << find.output;
    const json found = json::parse(find.output);
    ASSERT_EQ(found["studies"].size(), 1u);
    EXPECT_EQ(found["studies"][0]["studyUid"], m_studyUid);
    EXPECT_EQ(found["studies"][0]["series"][0]["instances"], "3");
    EXPECT_EQ(found["truncated"], false);

    const fs::path fetched = work / "fetched";
    const ProcessRun fetch = Tessor("fetch --study " + m_studyUid + " " + peer + " " + Quote(fetched));
    ASSERT_EQ(fetch.status, 0) << fetch.output;
    std::set<std::string> expected, listed, present;
    for (const std::string& uid : uids)
        expected.insert((fetched / (uid + ".dcm")).string());
    std::istringstream lines(fetch.output);
    for (std::string line; std::getline(lines, line);)
        listed.insert(line);
    for (const auto& entry : fs::directory_iterator(fetched))
        present.insert(entry.path().string());
    EXPECT_EQ(listed, expected);
    EXPECT_EQ(present, expected);  // no temporary file left behind

    const fs::path out = work / "long.dcm";
    const std::string stitchedUid = "1.2.826.0.1.3680043.10.1.4242";
    std::string files;
    for (const std::string& uid : uids)
        files += " " + Quote(fetched / (uid + ".dcm"));
    const ProcessRun stitch =
        Tessor("stitch --auto --uid " + stitchedUid + " -o " + Quote(out) + " --send-to " + peer + files);
    ASSERT_EQ(stitch.status, 0) << stitch.output;
    EXPECT_EQ(stitch.output, out.string() + ": stored on " + peer + "\n");

    // The archive files the stitched instance under the study it came from.
    const json ids = json::parse(m_orthanc.Post("/tools/lookup", stitchedUid).body);
    ASSERT_EQ(ids.size(), 1u);
    const std::string instance = ids[0]["ID"];
    const json tags = GetJson(m_orthanc, "/instances/" + instance + "/simplified-tags");
    EXPECT_EQ(tags["StudyInstanceUID"], m_studyUid);
    EXPECT_EQ(tags["PatientID"], "TESSOR-0001");
    const std::string study = GetJson(m_orthanc, "/instances/" + instance + "/study")["ID"];
    EXPECT_EQ(GetJson(m_orthanc, "/studies/" + study + "/instances").size(), 4u);
    // Its pixels are the ones written here: the raw frame is the file's Pixel Data, which an
    // uncompressed file written by tessor ends with.
    const testnet::HttpReply frame = m_orthanc.Get("/instances/" + instance + "/frames/0/raw");
    ASSERT_EQ(frame.status, 200);
    const std::string written = ReadFile(out);
    const size_t pixels = Count(tags["Rows"]) * Count(tags["Columns"]) * 2;
    ASSERT_EQ(frame.body.size(), pixels);
    ASSERT_GT(written.size(), pixels);
    EXPECT_TRUE(frame.body == written.substr(written.size() - pixels));
}

// C-MOVE: the peer sends to the AE title it knows as us, at the port we listen on meanwhile.
TEST_F(NetworkCommands, FetchByMoveReceivesOnOurPort)
{
    const fs::path work = testfiles::FreshDir("network-move");
    const std::vector<std::string> uids = UploadSample(work / "upload");
    const std::string port = std::to_string(m_receivePort);
    const fs::path into = work / "moved";
    const ProcessRun moved =
        Tessor("fetch --move-to TESSOR --port " + port + " --study " + m_studyUid + " " + m_orthanc.Peer() + " " +
               Quote(into));
    ASSERT_EQ(moved.status, 0) << moved.output;
    std::set<std::string> expected, present;
    for (const std::string& uid : uids)
        expected.insert((into / (uid + ".dcm")).string());
    for (const auto& entry : fs::directory_iterator(into))
        present.insert(entry.path().string());
    EXPECT_EQ(present, expected);

    const ProcessRun unknown = Tessor("fetch --move-to STRANGER --port " + port + " --study " + m_studyUid + " " +
                                      m_orthanc.Peer() + " " + Quote(work / "unknown"));
    EXPECT_EQ(unknown.status, 1);
    EXPECT_EQ(unknown.output, "tessor: C-MOVE ended with status 0xC000 (0 failed)\n");
}

TEST_F(NetworkCommands, SendReportsEveryFile)
{
    const fs::path work = testfiles::FreshDir("network-send");
    ASSERT_EQ(Tessor("sample --rows 64 --cols 64 --pieces 2 " + Quote(work)).status, 0);
    std::ofstream(work / "notes.txt") << "not DICOM";
    const std::string a = (work / "piece-1.dcm").string(), b = (work / "piece-2.dcm").string();
    const std::string notes = (work / "notes.txt").string();
    const ProcessRun sent = Tessor("send " + m_orthanc.Peer() + " " + Quote(a) + " " + Quote(notes) + " " + Quote(b));
    EXPECT_EQ(sent.status, 1);
    EXPECT_EQ(sent.output, a + ": stored\n" + notes + ": not sent: I/O suspension or premature end of stream\n" + b +
                               ": stored\n");
    EXPECT_EQ(GetJson(m_orthanc, "/instances").size(), 2u);
    const ProcessRun again = Tessor("send " + m_orthanc.Peer() + " " + Quote(a));
    EXPECT_EQ(again.status, 0);
    EXPECT_EQ(GetJson(m_orthanc, "/instances").size(), 2u);  // the same instance, stored once
}

}  // namespace
