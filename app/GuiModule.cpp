// Opens the window module for tessor gui; nothing else of the program loads it.
#include "app/GuiModule.h"

#include "app/Commands.h"

#include <dlfcn.h>

#include <filesystem>
#include <system_error>

namespace app {

std::string GuiModulePath()
{
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return {};
    return (program.parent_path() / kGuiModuleName).string();
}

int RunGui(const GuiOptions& o)
{
    const std::string path = GuiModulePath();
    if (path.empty())
        return Fail("cannot find the program's folder for its window module");
    // Kept loaded until the process ends: Qt and the dialog register process-wide state.
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr)
        return Fail(std::string("cannot load the window module: ") + dlerror());
    const auto entry = reinterpret_cast<GuiEntry>(dlsym(module, kGuiEntryName));
    if (entry == nullptr)
        return Fail(std::string("the window module has no entry: ") + dlerror());
    return entry(&o);
}

}  // namespace app
