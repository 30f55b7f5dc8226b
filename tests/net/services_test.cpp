// The network seam's services against a real archive (Orthanc, started for these tests),
// and against peers that refuse, drop the connection or never answer.
#include "app/SampleStudy.h"
#include "net/Services.h"
#include "tests/support/Orthanc.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include <fstream>
#include <memory>
#include <thread>

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

net::Peer PeerOf(const std::string& text)
{
    return net::ParsePeer(text).peer;
}

net::AssociationSettings Quick()
{
    net::AssociationSettings settings;
    settings.timeoutSeconds = 2;
    return settings;
}

std::vector<std::string> WriteStudy(const std::string& name, sample::Syntax syntax = sample::Syntax::Raw)
{
    sample::SampleOptions options;
    options.rows = 120;
    options.columns = 96;
    options.syntax = syntax;
    const fs::path dir = testfiles::FreshDir(name);
    EXPECT_EQ(sample::WriteSampleStudy(options, dir), "");
    std::vector<std::string> files;
    for (int i = 1; i <= options.pieces; ++i)
        files.push_back((dir / ("piece-" + std::to_string(i) + ".dcm")).string());
    return files;
}

// A listening socket on a free loopback port; the peer it stands for never answers a
// request. With `dropOne`, a thread accepts the first connection (waiting at most 10 s)
// and closes it at once.
class SilentPeer {
public:
    explicit SilentPeer(bool dropOne)
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(m_fd, 4);
        ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
        if (dropOne)
            m_dropper = std::thread([fd = m_fd] {
                pollfd waiting{fd, POLLIN, 0};
                if (::poll(&waiting, 1, 10000) == 1)
                    ::close(::accept(fd, nullptr, nullptr));
            });
    }
    ~SilentPeer()
    {
        if (m_dropper.joinable())
            m_dropper.join();
        ::close(m_fd);
    }
    std::string Peer() const { return "SILENT@127.0.0.1:" + std::to_string(m_port); }

private:
    int m_fd = -1;
    std::uint16_t m_port = 0;
    std::thread m_dropper;
};

class ServicesTest : public testing::Test {
protected:
    static void SetUpTestSuite() { s_orthanc = std::make_unique<testnet::OrthancServer>(); }
    static void TearDownTestSuite() { s_orthanc.reset(); }
    void SetUp() override { ASSERT_TRUE(s_orthanc->Ready()) << s_orthanc->Failure(); }

    static std::unique_ptr<testnet::OrthancServer> s_orthanc;
};

std::unique_ptr<testnet::OrthancServer> ServicesTest::s_orthanc;

TEST_F(ServicesTest, EchoAnswersOnlyTheRightPeer)
{
    const std::string port = std::to_string(s_orthanc->DicomPort());
    const std::string nobody = std::to_string(testnet::FreePort());
    const struct {
        std::string peer;
        std::string error;
    } cases[] = {
        {"ORTHANC@127.0.0.1:" + port, ""},
        {"WRONG@127.0.0.1:" + port, "no association with WRONG@127.0.0.1:" + port + ": DUL Association Rejected"},
        {"ORTHANC@127.0.0.1:" + nobody,
         "no association with ORTHANC@127.0.0.1:" + nobody + ": TCP Initialization Error: Connection refused"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.peer);
        const net::NetResult result = net::Echo(PeerOf(c.peer), Quick());
        EXPECT_EQ(result.ok, c.error.empty());
        EXPECT_EQ(result.error, c.error);
    }
}

TEST_F(ServicesTest, PeersThatDropOrStallEndTheCallInTime)
{
    for (const bool drop : {true, false}) {
        SCOPED_TRACE(drop ? "drops" : "stalls");
        SilentPeer silent(drop);
        net::AssociationSettings settings = Quick();
        settings.timeoutSeconds = 1;
        const net::NetResult result = net::Echo(PeerOf(silent.Peer()), settings);
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.error, "no association with " + silent.Peer() + ": " +
                                    (drop ? "Peer aborted Association (or never connected)" : "DUL network read timeout"));
    }
}

TEST_F(ServicesTest, SendStoresEveryFileAndFindListsThem)
{
    std::vector<std::string> files = WriteStudy("net-send");
    const fs::path junk = testfiles::FreshDir("net-send-junk") / "notes.txt";
    std::ofstream(junk) << "not DICOM";
    files.insert(files.begin() + 1, junk.string());

    const net::SendResult sent = net::Send(PeerOf(s_orthanc->Peer()), Quick(), files);
    ASSERT_TRUE(sent.association.ok) << sent.association.error;
    ASSERT_EQ(sent.files.size(), 4u);
    EXPECT_FALSE(sent.AllStored());
    for (size_t i = 0; i < files.size(); ++i) {
        SCOPED_TRACE(files[i]);
        EXPECT_EQ(sent.files[i].file, files[i]);
        EXPECT_EQ(sent.files[i].stored, i != 1);
        EXPECT_EQ(sent.files[i].status, i != 1 ? "stored" : "not sent: I/O suspension or premature end of stream");
    }
    // Every stored instance is in the archive under the UID it was sent with.
    for (size_t i : {0u, 2u, 3u}) {
        const json found = json::parse(s_orthanc->Post("/tools/lookup", sent.files[i].sopInstanceUid).body);
        ASSERT_EQ(found.size(), 1u);
        EXPECT_EQ(found[0]["Type"], "Instance");
    }

    const net::FindResult all = net::Find(PeerOf(s_orthanc->Peer()), Quick(), {});
    ASSERT_TRUE(all.result.ok) << all.result.error;
    ASSERT_EQ(all.studies.size(), 1u);
    const net::StudyRecord& study = all.studies[0];
    EXPECT_EQ(study.patientId, "TESSOR-0001");
    EXPECT_EQ(study.patientName, "SAMPLE^LONG LENGTH");
    EXPECT_EQ(study.accession, "TS0001");
    EXPECT_EQ(study.description, "Long length spine and legs");
    ASSERT_EQ(study.series.size(), 1u);
    EXPECT_EQ(study.series[0].modality, "DX");
    EXPECT_EQ(study.series[0].instances, "3");
    EXPECT_FALSE(all.truncated);

    const struct {
        net::FindQuery query;
        size_t studies;
    } queries[] = {
        {{"TESSOR-0001", "", ""}, 1},
        {{"TESSOR-*", "", ""}, 1},
        {{"OTHER", "", ""}, 0},
        {{"", study.studyUid, ""}, 1},
        {{"", "1.2.3.4", ""}, 0},
        {{"", "", "DX"}, 1},
        {{"", "", "CT"}, 0},
    };
    for (const auto& q : queries) {
        SCOPED_TRACE(q.query.patientId + "|" + q.query.studyUid + "|" + q.query.modality);
        const net::FindResult found = net::Find(PeerOf(s_orthanc->Peer()), Quick(), q.query);
        ASSERT_TRUE(found.result.ok) << found.result.error;
        EXPECT_EQ(found.studies.size(), q.studies);
    }
}

// A compressed file goes in its own syntax when the archive takes it, converted to
// explicit little endian when it takes only uncompressed data.
TEST(SendSyntax, OwnSyntaxFirstThenUncompressed)
{
    const struct {
        std::string accepted;
        std::string stored;
    } cases[] = {
        {"", "1.2.840.10008.1.2.5"},
        {R"(["1.2.840.10008.1.2", "1.2.840.10008.1.2.1"])", "1.2.840.10008.1.2.1"},
    };
    const std::vector<std::string> files = WriteStudy("net-syntax", sample::Syntax::Rle);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.accepted);
        testnet::OrthancOptions options;
        options.acceptedSyntaxes = c.accepted;
        const testnet::OrthancServer orthanc(options);
        ASSERT_TRUE(orthanc.Ready()) << orthanc.Failure();
        const net::SendResult sent = net::Send(PeerOf(orthanc.Peer()), Quick(), {files[0]});
        ASSERT_TRUE(sent.AllStored()) << sent.association.error << " " << sent.files[0].status;
        const json ids = json::parse(orthanc.Post("/tools/lookup", sent.files[0].sopInstanceUid).body);
        ASSERT_EQ(ids.size(), 1u);
        const testnet::HttpReply syntax =
            orthanc.Get("/instances/" + ids[0]["ID"].get<std::string>() + "/metadata/TransferSyntax");
        EXPECT_EQ(syntax.body, c.stored);
    }
}

}  // namespace
