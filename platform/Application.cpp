#include "platform/Application.h"

#include <QApplication>

#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// Qt warns on every start when the runtime directory is unset (root shells, CI); give it
// a private one under /tmp as the session manager would.
void EnsureRuntimeDirectory()
{
    if (std::getenv("XDG_RUNTIME_DIR") != nullptr)
        return;
    const std::string dir = "/tmp/runtime-" + std::to_string(getuid());
    mkdir(dir.c_str(), 0700);
    struct stat info {};
    if (stat(dir.c_str(), &info) == 0 && info.st_uid == getuid() && (info.st_mode & 0077) == 0)
        setenv("XDG_RUNTIME_DIR", dir.c_str(), 0);
}
}  // namespace

void InitGuiApplication(int& argc, char** argv)
{
    // The application object lives as long as the process. It is deliberately never
    // destroyed: deleting it from a static destructor at exit runs after parts of Qt's
    // own global state are gone and crashes.
    if (QApplication::instance() != nullptr)
        return;
    EnsureRuntimeDirectory();
    new QApplication(argc, argv);  // owned by the process, see above
}

bool IsGuiApplicationReady()
{
    return QApplication::instance() != nullptr;
}
