// tessor serve: the storage node. The server's workers receive into the spool; this
// thread stitches settled series and forwards results until SIGTERM or SIGINT.
#include "app/Commands.h"
#include "app/NetCommands.h"

#include <signal.h>

#include <atomic>
#include <chrono>
#include <ctime>
#include <mutex>
#include <thread>

namespace app {

namespace {

volatile sig_atomic_t g_stopRequested = 0;

void RequestStop(int)
{
    g_stopRequested = 1;
}

// One line per event on stdout, stamped with the UTC time, whole lines even from several threads.
net::LogHandler MakeLog()
{
    auto mutex = std::make_shared<std::mutex>();
    return [mutex](const std::string& line) {
        const std::time_t now = std::time(nullptr);
        std::tm utc{};
        gmtime_r(&now, &utc);
        char stamp[32];
        std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", &utc);
        const std::lock_guard lock(*mutex);
        std::printf("%s %s\n", stamp, line.c_str());
        std::fflush(stdout);
    };
}

}  // namespace

int RunServe(const ServeOptions& o)
{
    struct sigaction action {};
    action.sa_handler = RequestStop;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    const net::LogHandler log = MakeLog();
    std::optional<node::StorageNode> storage;
    try {
        storage.emplace(o.node, log);
    } catch (const std::exception& error) {
        return Fail("cannot use the spool " + o.node.spool.string() + ": " + error.what());
    }
    net::StorageServer server(
        o.server, storage->Incoming().string(),
        [&storage](const net::ReceivedInstance& instance) { storage->Received(instance, node::Clock::now()); }, log);
    storage->Recover(node::Clock::now());
    const net::NetResult started = server.Start();
    if (!started.ok)
        return Fail(started.error);
    while (g_stopRequested == 0) {
        storage->Work(node::Clock::now());
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    log("stopping: accepting nothing more; " + std::to_string(storage->Pending()) + " series or results wait in the spool");
    server.Stop();
    return 0;
}

}  // namespace app
