// tessor echo, send and find: thin over the network seam, printing its typed results.
#include "app/NetCommands.h"

#include "app/Commands.h"
#include "app/Json.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>

namespace app {

int RunEcho(const NetOptions& o)
{
    const net::NetResult result = net::Echo(o.peer, o.settings);
    if (!result.ok)
        return Fail(result.error);
    std::printf("%s: echo answered\n", net::ToString(o.peer).c_str());
    return 0;
}

int RunSend(const SendOptions& o)
{
    const net::SendResult sent = net::Send(o.peer, o.settings, o.files);
    if (!sent.association.ok)
        std::fprintf(stderr, "tessor: %s\n", sent.association.error.c_str());
    for (const net::FileSendStatus& file : sent.files)
    {
        std::fprintf(file.stored ? stdout : stderr, "%s: %s\n", file.file.c_str(), file.status.c_str());
        std::fflush(stdout);  // one line per file, in order, also when both streams share a pipe
    }
    return sent.AllStored() ? 0 : 1;
}

bool SendStitched(const net::Peer& peer, const net::AssociationSettings& settings, const std::string& file)
{
    const net::SendResult sent = net::Send(peer, settings, {file});
    if (!sent.association.ok)
        std::fprintf(stderr, "tessor: %s: not sent: %s\n", file.c_str(), sent.association.error.c_str());
    else if (!sent.AllStored())
        std::fprintf(stderr, "tessor: %s: %s\n", file.c_str(), sent.files[0].status.c_str());
    else
        std::printf("%s: stored on %s\n", file.c_str(), net::ToString(peer).c_str());
    return sent.AllStored();
}

int RunFetch(const FetchOptions& o)
{
    std::error_code error;
    std::filesystem::create_directories(o.dir, error);
    if (error)
        return Fail("cannot create " + o.dir + ": " + error.message());
    net::FetchProgress progress;
    if (isatty(STDERR_FILENO))
        progress = [](size_t received, size_t remaining) {
            std::fprintf(stderr, "\rreceived %zu, %zu to come   ", received, remaining);
        };
    const net::FetchResult fetched = net::Fetch(o.peer, o.settings, o.request, o.dir, progress);
    if (progress)
        std::fputc('\n', stderr);
    for (const std::string& file : fetched.files)
        std::printf("%s\n", file.c_str());
    if (!fetched.result.ok)
        return Fail(fetched.result.error);
    return 0;
}

namespace {

std::string Row(const char* format, const std::string& a, const std::string& b, const std::string& c,
                const std::string& d, const std::string& e)
{
    char line[1024];
    std::snprintf(line, sizeof line, format, a.c_str(), b.c_str(), c.c_str(), d.c_str(), e.c_str());
    return line;
}

constexpr const char* kStudyRow = "%-16s %-24s %-8s %-16s %s\n";
constexpr const char* kSeriesRow = "  %-8s %-6s %-9s %-24s %s\n";

Json FindJson(const net::FindResult& found)
{
    Json studies = Json::array();
    for (const net::StudyRecord& study : found.studies) {
        Json series = Json::array();
        for (const net::SeriesRecord& s : study.series)
            series.push_back({{"seriesUid", ToUtf8(s.seriesUid)}, {"modality", ToUtf8(s.modality)},
                              {"seriesNumber", ToUtf8(s.seriesNumber)}, {"description", ToUtf8(s.description)},
                              {"instances", ToUtf8(s.instances)}});
        studies.push_back({{"patientId", ToUtf8(study.patientId)}, {"patientName", ToUtf8(study.patientName)},
                           {"studyDate", ToUtf8(study.studyDate)}, {"accession", ToUtf8(study.accession)},
                           {"description", ToUtf8(study.description)}, {"studyUid", ToUtf8(study.studyUid)},
                           {"series", series}});
    }
    return {{"studies", studies}, {"truncated", found.truncated}};
}

}  // namespace

std::string FindTable(const net::FindResult& found)
{
    std::string table = Row(kStudyRow, "PATIENT ID", "PATIENT NAME", "DATE", "ACCESSION", "STUDY UID");
    for (const net::StudyRecord& study : found.studies) {
        table += Row(kStudyRow, study.patientId, study.patientName, study.studyDate, study.accession, study.studyUid);
        for (const net::SeriesRecord& s : study.series)
            table += Row(kSeriesRow, s.modality, s.seriesNumber, s.instances + " img", s.description, s.seriesUid);
    }
    return table;
}

int RunFind(const FindOptions& o)
{
    const net::FindResult found = net::Find(o.peer, o.settings, o.query);
    if (!found.result.ok)
        return Fail(found.result.error);
    const std::string text = o.json ? Dump(FindJson(found)) : FindTable(found);
    std::fputs(text.c_str(), stdout);
    if (found.truncated)
        std::fprintf(stderr, "tessor: more than %zu matches; the rest were not read\n", net::kMaxFindMatches);
    return 0;
}

}  // namespace app
