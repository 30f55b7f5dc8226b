// Inside the network seam only: writes received instances into a folder, each complete or
// not at all, and counts them.
#pragma once

#include "net/Services.h"

#include <dcmtk/config/osconfig.h>
#include <dcmtk/dcmdata/dcdatset.h>

#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

namespace net::detail {

// Writes `set` as a file at `target` through `target`.part renamed into place, in the
// transfer syntax it arrived in; false (and nothing left behind) when that fails.
bool SaveAtomically(DcmDataset& set, const std::filesystem::path& target);

// A SOP Instance UID usable as a file name as it is: digits and dots, 1 to 64 of them.
bool IsPlainUid(const std::string& uid);

class InstanceWriter {
public:
    InstanceWriter(std::filesystem::path dir, const FetchProgress& progress) : m_dir(std::move(dir)), m_progress(progress) {}

    // Writes <SOP Instance UID>.dcm through a temporary file renamed into place, in the
    // transfer syntax the data set arrived in. False when it could not be written.
    bool Write(DcmDataset& set);
    void SetRemaining(size_t remaining) { m_remaining = remaining; }
    // True once kMaxFetchInstances arrived: the retrieval should stop.
    bool Full() const;

    std::vector<std::string> Files() const;
    size_t Failed() const;

private:
    std::filesystem::path m_dir;
    const FetchProgress& m_progress;
    mutable std::mutex m_mutex;  // a move's receiver thread writes while the caller waits
    std::vector<std::string> m_files;
    size_t m_failed = 0;
    size_t m_remaining = 0;
};

}  // namespace net::detail
