// The storage node's work, without a network listener of its own: series received into the
// spool are stitched once nothing arrived for them for the settle time, and each result is
// forwarded to a peer with retries and backoff. Everything lives in the spool folder, so a
// restarted node picks up what an earlier one left:
//   incoming/<series>/   instances as received      stitched/<series>.dcm   results to forward
//   done/<series>/       sources of a stitched series  sent/<series>.dcm    forwarded results
//   failed/              series that did not stitch and results the peer never took
// A series' result always has the same SOP Instance UID (derived from its Series Instance
// UID), so a result sent again after a restart is the same instance to the archive.
#pragma once

#include "net/Peer.h"
#include "net/StorageServer.h"

#include <chrono>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>

namespace node {

using Clock = std::chrono::steady_clock;

// How a settled series is laid out before it is written: featureless bands trimmed, or
// trimmed and every junction registered on its overlap (a junction not aligned stays trimmed).
enum class StitchMode { Trim, Align };

struct NodeSettings {
    std::filesystem::path spool;
    unsigned settleSeconds = 10;
    StitchMode mode = StitchMode::Trim;
    std::optional<net::Peer> forward;
    net::AssociationSettings forwardSettings;
    unsigned maxForwardAttempts = 5;
    unsigned firstBackoffSeconds = 2;  // doubled after each failure, at most kMaxBackoffSeconds
};

constexpr unsigned kMaxBackoffSeconds = 300;

// "2.25.<decimal>": the UID the result of series `seriesUid` gets, the same every time.
std::string ResultUid(const std::string& seriesUid);

class StorageNode {
public:
    StorageNode(NodeSettings settings, net::LogHandler log);

    // Where the storage server writes (spool/incoming), created with the other folders.
    std::filesystem::path Incoming() const;
    // Takes up what an earlier run left: its series settle again from now, its results are
    // due for forwarding now.
    void Recover(Clock::time_point now);
    // A received instance; thread-safe (the server's workers call it).
    void Received(const net::ReceivedInstance& instance, Clock::time_point now);
    // Stitches every settled series and tries every forward that is due.
    void Work(Clock::time_point now);
    // Series waiting to settle plus results waiting to be forwarded.
    size_t Pending() const;

private:
    struct Forward {
        unsigned attempts = 0;
        Clock::time_point due;
    };

    void Stitch(const std::string& series, Clock::time_point now);
    void TryForward(const std::string& series, Forward& forward, Clock::time_point now);
    void Move(const std::filesystem::path& from, const std::filesystem::path& to);

    NodeSettings m_settings;
    net::LogHandler m_log;
    mutable std::mutex m_mutex;  // guards m_arrivals against the server's workers
    std::map<std::string, Clock::time_point> m_arrivals;  // series -> its last arrival
    std::map<std::string, Forward> m_forwards;             // series -> its result's forwarding
};

}  // namespace node
