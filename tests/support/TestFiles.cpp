#include "tests/support/TestFiles.h"

#include <cstdlib>

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

fs::path FreshDir(const std::string& name)
{
    const fs::path dir = OutputDir() / "scratch" / name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

}  // namespace testfiles
