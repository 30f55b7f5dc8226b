#include "platform/StageTrace.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

TEST(StageTrace, ReportsTheStagesThatRanWithTheirTotalsAndCallsInPipelineOrder)
{
    platform::AddStageTime(platform::Stage::Write, 0.0021);
    platform::AddStageTime(platform::Stage::Parse, 0.0125);
    platform::AddStageTime(platform::Stage::Parse, 0.0125);
    EXPECT_EQ(platform::StageTraceReport(), "tessor: parse         25.0 ms in 2 calls\n"
                                            "tessor: write          2.1 ms in 1 calls\n");
}

TEST(StageTrace, IsOnOnlyWhenTheEnvironmentAsksAndAScopeThenAddsOneCall)
{
    // The setting is read once per process, here for the first time.
    ::setenv("TESSOR_TRACE", "1", 1);
    ASSERT_TRUE(platform::StageTraceEnabled());
    {
        const platform::StageScope scope(platform::Stage::Encode);
    }
    const std::string report = platform::StageTraceReport();
    const size_t line = report.find("tessor: encode ");
    ASSERT_NE(line, std::string::npos) << report;
    EXPECT_EQ(report.substr(report.find(" ms", line), 14), " ms in 1 calls") << report;
}
