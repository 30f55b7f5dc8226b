// The stitched file in a real archive: stored with DCMTK's storescu into Orthanc next to its
// sources and read back through Orthanc's REST API, it is a new series of the same study.
#include "tests/support/Orthanc.h"
#include "tests/support/ProcessRun.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using Json = nlohmann::json;
using testfiles::Quote;

namespace {

Json Parse(const std::string& text)
{
    return Json::parse(text, nullptr, false);  // discarded (not an exception) when malformed
}

}  // namespace

TEST(Archive, TheStitchedImageIsANewSeriesBesideItsSourcesInTheSameStudy)
{
    const fs::path dir = testfiles::FreshDir("archive_round_trip");
    const std::string tessor = TESSOR_APP_PATH;
    ASSERT_EQ(testfiles::RunShell(tessor + " sample --rows 200 --cols 120 --pieces 2 " + Quote(dir / "study")).status, 0);
    const fs::path out = dir / "stitched.dcm";
    const std::string pieces = Quote(dir / "study" / "piece-1.dcm") + " " + Quote(dir / "study" / "piece-2.dcm");
    const testfiles::ProcessRun stitched = testfiles::RunShell(tessor + " stitch --auto -o " + Quote(out) + " " + pieces);
    ASSERT_EQ(stitched.status, 0) << stitched.output;

    const testnet::OrthancServer archive;
    ASSERT_TRUE(archive.Ready()) << archive.Failure() << archive.Log();
    ASSERT_EQ(archive.Store(pieces + " " + Quote(out)), 0);

    const Json studies = Parse(archive.Get("/studies").body);
    ASSERT_TRUE(studies.is_array() && studies.size() == 1) << studies.dump();
    const Json series = Parse(archive.Get("/studies/" + studies[0].get<std::string>() + "/series?expand").body);
    ASSERT_TRUE(series.is_array() && series.size() == 2) << series.dump();
    std::vector<std::string> described;  // "number 'description' instances", sorted
    for (const Json& one : series) {
        const Json& tags = one["MainDicomTags"];
        described.push_back(tags.value("SeriesNumber", "") + " '" + tags.value("SeriesDescription", "") + "' " +
                            std::to_string(one["Instances"].size()));
    }
    std::sort(described.begin(), described.end());
    EXPECT_EQ(described, (std::vector<std::string>{"1 '' 2", "1001 'stitched' 1"}));
}
