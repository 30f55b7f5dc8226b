#include "node/StorageNode.h"

#include "net/Services.h"
#include "output/OutputSettings.h"
#include "stitch/CStitchModel.h"
#include "stitch/StitchMessages.h"

#include <algorithm>
#include <vector>

namespace fs = std::filesystem;

namespace node {

namespace {

// Two 64-bit FNV-1a hashes with different offsets make the 128 bits of a 2.25 UID.
std::uint64_t Fnv(const std::string& text, std::uint64_t hash)
{
    for (unsigned char ch : text)
        hash = (hash ^ ch) * 1099511628211ull;
    return hash;
}

std::string Decimal(unsigned __int128 value)
{
    std::string digits;
    do {
        digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(value % 10)));
        value /= 10;
    } while (value != 0);
    return digits;
}

std::vector<std::string> SourcesOf(const fs::path& folder)
{
    std::vector<std::string> files;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_regular_file() && !name.starts_with(".") && name.ends_with(".dcm"))
            files.push_back(entry.path().string());
    }
    std::sort(files.begin(), files.end());  // named <Instance Number>-<UID>: acquisition order
    return files;
}

}  // namespace

std::string ResultUid(const std::string& seriesUid)
{
    const unsigned __int128 high = Fnv(seriesUid, 14695981039346656037ull);
    const unsigned __int128 low = Fnv(seriesUid + "/stitched", 0x84222325cbf29ce4ull);
    return "2.25." + Decimal((high << 64) | low);
}

StorageNode::StorageNode(NodeSettings settings, net::LogHandler log)
    : m_settings(std::move(settings)), m_log(std::move(log))
{
    for (const char* folder : {"incoming", "stitched", "done", "sent", "failed"})
        fs::create_directories(m_settings.spool / folder);
}

fs::path StorageNode::Incoming() const
{
    return m_settings.spool / "incoming";
}

void StorageNode::Recover(Clock::time_point now)
{
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(Incoming(), error)) {
        if (entry.is_directory()) {
            const std::lock_guard lock(m_mutex);
            m_arrivals[entry.path().filename().string()] = now;
            m_log("resuming series " + entry.path().filename().string());
        }
    }
    for (const auto& entry : fs::directory_iterator(m_settings.spool / "stitched", error)) {
        const std::string name = entry.path().filename().string();
        if (m_settings.forward && entry.is_regular_file() && !name.starts_with(".") && name.ends_with(".dcm")) {
            m_forwards[entry.path().stem().string()] = {0, now};
            m_log("resuming the forward of " + entry.path().string());
        }
    }
}

void StorageNode::Received(const net::ReceivedInstance& instance, Clock::time_point now)
{
    const std::lock_guard lock(m_mutex);
    m_arrivals[instance.seriesUid] = now;
}

size_t StorageNode::Pending() const
{
    const std::lock_guard lock(m_mutex);
    return m_arrivals.size() + m_forwards.size();
}

void StorageNode::Work(Clock::time_point now)
{
    std::vector<std::string> settled;
    {
        const std::lock_guard lock(m_mutex);
        for (auto it = m_arrivals.begin(); it != m_arrivals.end();) {
            if (now - it->second >= std::chrono::seconds(m_settings.settleSeconds)) {
                settled.push_back(it->first);
                it = m_arrivals.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (const std::string& series : settled)
        Stitch(series, now);
    for (auto it = m_forwards.begin(); it != m_forwards.end();) {
        if (it->second.due <= now)
            TryForward(it->first, it->second, now);
        it = it->second.attempts == ~0u ? m_forwards.erase(it) : std::next(it);
    }
}

void StorageNode::Move(const fs::path& from, const fs::path& to)
{
    std::error_code error;
    fs::remove_all(to, error);
    fs::rename(from, to, error);
    if (error)
        m_log("cannot move " + from.string() + " to " + to.string() + ": " + error.message());
}

void StorageNode::Stitch(const std::string& series, Clock::time_point now)
{
    const fs::path sources = Incoming() / series;
    const std::vector<std::string> files = SourcesOf(sources);
    if (files.empty()) {
        // Everything it had came with an association aborted over a limit, and was removed.
        std::error_code ignored;
        fs::remove_all(sources, ignored);
        m_log("series " + series + ": no image left to stitch");
        return;
    }
    const fs::path result = m_settings.spool / "stitched" / (series + ".dcm");
    CStitchModel model;
    const CStitchLoadResult loaded = model.LoadFiles(files);
    std::string reason = loaded.Ok() ? std::string() : stitchtext::LoadFailureReason(loaded);
    if (reason.empty()) {
        if (m_settings.mode == StitchMode::Align) {
            model.Align();
            for (const std::string& line : model.DescribeJunctions())
                m_log("series " + series + ": " + line);
        } else {
            model.AutoTrim();
        }
        g_strInstanceUID = ResultUid(series).c_str();
        const CStitchSaveResult saved = model.Save(files.front().c_str(), result.c_str());
        reason = !saved.written           ? stitchtext::SaveFailureReason(saved)
                 : saved.LeftOutCount() > 0 ? "an image was left out"
                                            : std::string();
        if (reason.empty())
            m_log("stitched series " + series + ": " + std::to_string(files.size()) + " images, " +
                  std::to_string(saved.columns) + " x " + std::to_string(saved.rows) + " into " + result.string());
    }
    if (!reason.empty()) {
        std::error_code ignored;
        fs::remove(result, ignored);  // a result with an image left out is not the series' image
        m_log("cannot stitch series " + series + ": " + reason);
        Move(sources, m_settings.spool / "failed" / series);
        return;
    }
    Move(sources, m_settings.spool / "done" / series);
    if (m_settings.forward)
        m_forwards[series] = {0, now};
}

void StorageNode::TryForward(const std::string& series, Forward& forward, Clock::time_point now)
{
    const fs::path result = m_settings.spool / "stitched" / (series + ".dcm");
    const net::SendResult sent = net::Send(*m_settings.forward, m_settings.forwardSettings, {result.string()});
    const std::string peer = net::ToString(*m_settings.forward);
    if (sent.AllStored()) {
        m_log("forwarded " + result.string() + " to " + peer);
        Move(result, m_settings.spool / "sent" / (series + ".dcm"));
        forward.attempts = ~0u;  // done: dropped from the queue
        return;
    }
    const std::string reason = sent.association.ok ? sent.files[0].status : sent.association.error;
    if (++forward.attempts >= m_settings.maxForwardAttempts) {
        m_log("gave up forwarding " + result.string() + " after " + std::to_string(forward.attempts) +
              " attempts: " + reason);
        Move(result, m_settings.spool / "failed" / (series + ".dcm"));
        forward.attempts = ~0u;
        return;
    }
    const unsigned delay =
        std::min(kMaxBackoffSeconds, m_settings.firstBackoffSeconds << std::min(forward.attempts - 1, 16u));
    forward.due = now + std::chrono::seconds(delay);
    m_log("forward of " + result.string() + " failed (attempt " + std::to_string(forward.attempts) + " of " +
          std::to_string(m_settings.maxForwardAttempts) + "): " + reason + "; next in " + std::to_string(delay) + " s");
}

}  // namespace node
