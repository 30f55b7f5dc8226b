// Test main of the network tests: isolates the network first (before any thread), says
// how when the tests run (not when they are only listed), and creates no GUI application.
#include "tests/support/Orthanc.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

class IsolationReport : public testing::Environment {
public:
    explicit IsolationReport(std::string text) : m_text(std::move(text)) {}
    void SetUp() override { std::printf("%s\n", m_text.c_str()); }

private:
    std::string m_text;
};

}  // namespace

int main(int argc, char** argv)
{
    const std::string isolation = testnet::IsolateNetwork();
    testing::InitGoogleTest(&argc, argv);
    testing::AddGlobalTestEnvironment(new IsolationReport(isolation));  // gtest owns environments
    return RUN_ALL_TESTS();
}
