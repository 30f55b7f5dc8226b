#include "fuzz/FuzzInput.h"

#include "platform/MessageBox.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fuzz {

const std::string& WriteInput(const std::uint8_t* data, size_t size)
{
    static const std::string path = [] {
        const char* tmp = std::getenv("TMPDIR");
        const std::filesystem::path dir = tmp && *tmp ? tmp : "/tmp";
        return (dir / ("tessor-fuzz-" + std::to_string(::getpid()) + ".dcm")).string();
    }();
    static const std::string failed;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
    out.close();
    return out ? path : failed;
}

void PrepareProcess()
{
    static const bool prepared = [] {
        SetMessageBoxSinkForTest([](const char*, UINT) { return IDOK; });
        return true;
    }();
    (void)prepared;
}

}  // namespace fuzz
