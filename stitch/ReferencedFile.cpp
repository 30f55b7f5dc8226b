#include "stitch/ReferencedFile.h"

#include <filesystem>
#include <strings.h>

namespace fs = std::filesystem;

namespace stitchinput {
namespace {

bool SafeComponent(const std::string& component)
{
    return !component.empty() && component != "." && component != ".." &&
           component.find('/') == std::string::npos && component.find('\0') == std::string::npos;
}

// `name` in `folder`: exactly, else the one entry that differs only in letter case.
bool FindEntry(const fs::path& folder, const std::string& name, fs::path& entry)
{
    std::error_code ec;
    if (fs::exists(folder / name, ec)) {
        entry = folder / name;
        return true;
    }
    int matches = 0;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (strcasecmp(it->path().filename().c_str(), name.c_str()) == 0) {
            entry = it->path();
            ++matches;
        }
    }
    return matches == 1;
}

bool Inside(const fs::path& folder, const fs::path& file)
{
    std::error_code ec;
    const fs::path base = fs::canonical(folder, ec);
    const fs::path target = ec ? fs::path() : fs::canonical(file, ec);
    if (ec)
        return false;
    const fs::path relative = target.lexically_relative(base);
    return !relative.empty() && *relative.begin() != ".." && relative != ".";
}

}  // namespace

EReferenceResult ResolveReferencedFile(const std::string& folder, const std::vector<std::string>& components,
                                       std::string& path)
{
    if (components.empty())
        return EReferenceResult::Outside;
    for (const std::string& component : components)
        if (!SafeComponent(component))
            return EReferenceResult::Outside;
    const fs::path base = folder.empty() ? fs::path(".") : fs::path(folder);
    fs::path current = base;
    for (const std::string& component : components)
        if (!FindEntry(current, component, current))
            return EReferenceResult::Missing;
    std::error_code ec;
    if (!Inside(base, current))
        return EReferenceResult::Outside;
    if (!fs::is_regular_file(current, ec))
        return EReferenceResult::Missing;
    path = current.string();
    return EReferenceResult::Found;
}

}  // namespace stitchinput
