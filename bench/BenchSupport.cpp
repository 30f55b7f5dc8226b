#include "bench/BenchSupport.h"

#include "platform/Collections.h"
#include "platform/WinMessages.h"
#include "workspace/CViewStitchDicom.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <system_error>

namespace fs = std::filesystem;

namespace bench {

namespace {

std::string Quoted(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::vector<std::string> PiecePaths(const fs::path& dir, int pieces)
{
    std::vector<std::string> files;
    for (int i = 1; i <= pieces; ++i)
        files.push_back((dir / ("piece-" + std::to_string(i) + ".dcm")).string());
    return files;
}

bool AllExist(const std::vector<std::string>& files)
{
    std::error_code ec;
    for (const auto& f : files)
        if (!fs::is_regular_file(f, ec))
            return false;
    return true;
}

}  // namespace

std::vector<std::string> Study(const std::string& syntax, int pieces)
{
    const fs::path dir = fs::path(TESSOR_BENCH_CACHE) / (syntax + "-" + std::to_string(pieces));
    std::vector<std::string> files = PiecePaths(dir, pieces);
    if (AllExist(files))
        return files;
    static std::set<fs::path> failed;  // tried once per run, not once per repetition
    if (failed.count(dir) != 0)
        return {};
    std::fprintf(stderr, "writing the %s study of %d pieces into %s\n", syntax.c_str(), pieces, dir.c_str());
    const std::string command = Quoted(TESSOR_APP) + " sample --rows " + std::to_string(kRows) + " --cols " +
                                std::to_string(kCols) + " --pieces " + std::to_string(pieces) + " --bits 16 --syntax " +
                                syntax + " " + Quoted(dir.string()) + " >/dev/null";
    if (std::system(command.c_str()) != 0 || !AllExist(files)) {
        std::fprintf(stderr, "cannot write the %s study\n", syntax.c_str());
        failed.insert(dir);
        return {};
    }
    return files;
}

double ResidentMiB()
{
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (status == nullptr)
        return 0.0;
    char line[256];
    double kib = 0.0;
    while (std::fgets(line, sizeof line, status) != nullptr)
        if (std::sscanf(line, "VmRSS: %lf kB", &kib) == 1)
            break;
    std::fclose(status);
    return kib / 1024.0;
}

std::string ScratchDir()
{
    const fs::path dir = fs::path(TESSOR_BENCH_CACHE) / "scratch";
    std::error_code ec;
    fs::create_directories(dir, ec);
    return dir.string();
}

HeadlessView::HeadlessView(bool visible) : m_pHost(std::make_unique<CWnd>())
{
    const DWORD style = WS_POPUP | (visible ? WS_VISIBLE : 0);
    m_pHost->CreateEx(0, nullptr, "", style, 0, 0, kFrameWidth, kFrameHeight, nullptr, nullptr);
    m_pView = new CViewStitchDicom;  // owned by its window, deleted when the frame goes
    m_pView->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, CRect(0, 0, kFrameWidth, kFrameHeight), m_pHost.get(),
                    500);
}

HeadlessView::~HeadlessView()
{
    m_pHost->DestroyWindow();
}

BOOL HeadlessView::Load(const std::vector<std::string>& files)
{
    CStringArray paths;
    for (const auto& f : files)
        paths.Add(f.c_str());
    return m_pView->LoadFiles(paths);
}

}  // namespace bench
