#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <unistd.h>

namespace fs = std::filesystem;

namespace testfiles {

fs::path Pydicom(const std::string& name)
{
    for (const char* root : {"/usr/lib/python3/dist-packages/pydicom/data/test_files",
                             "/usr/share/pydicom/data/test_files"}) {
        const fs::path candidate = fs::path(root) / name;
        if (fs::exists(candidate))
            return candidate;
    }
    return {};
}

fs::path OutputDir()
{
    const char* env = std::getenv("TESSOR_TEST_OUTPUT");
    const fs::path dir = env ? fs::path(env) : fs::path(TESSOR_BINARY_DIR) / "test-output";
    fs::create_directories(dir);
    return dir;
}

namespace {

// Scratch folders belong to the running test: ctest runs the cases as parallel processes,
// and two cases asking for the same name must not wipe each other's files. Outside a
// test (a suite's set-up) they belong to the process.
fs::path ScratchRoot()
{
    std::string owner;
    if (const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info())
        owner = std::string(test->test_suite_name()) + "." + test->name();
    else
        owner = "process-" + std::to_string(getpid());
    std::replace(owner.begin(), owner.end(), '/', '_');  // parameterised names
    return OutputDir() / "scratch" / owner;
}

}  // namespace

fs::path FreshDir(const std::string& name)
{
    const fs::path dir = ScratchRoot() / name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

}  // namespace testfiles
