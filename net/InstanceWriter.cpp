#include "net/InstanceWriter.h"

#include <dcmtk/dcmdata/dcdeftag.h>
#include <dcmtk/dcmdata/dcfilefo.h>

#include <system_error>

namespace fs = std::filesystem;

namespace net::detail {

bool IsPlainUid(const std::string& uid)
{
    return !uid.empty() && uid.size() <= 64 && uid.find_first_not_of("0123456789.") == std::string::npos;
}

bool SaveAtomically(DcmDataset& set, const fs::path& target)
{
    const fs::path part = target.parent_path() / ("." + target.filename().string() + ".part");
    DcmFileFormat file(&set);  // a deep copy with a fresh file meta header
    std::error_code ignored;
    if (file.saveFile(part.c_str(), set.getCurrentXfer()).bad()) {
        fs::remove(part, ignored);
        return false;
    }
    std::error_code renamed;
    fs::rename(part, target, renamed);
    if (renamed)
        fs::remove(part, ignored);
    return !renamed;
}

bool InstanceWriter::Write(DcmDataset& set)
{
    OFString uid;
    set.findAndGetOFString(DCM_SOPInstanceUID, uid);
    std::unique_lock lock(m_mutex);
    const std::string name = IsPlainUid(uid.c_str()) ? std::string(uid.c_str())
                                                     : "instance-" + std::to_string(m_files.size() + m_failed + 1);
    lock.unlock();
    const fs::path target = m_dir / (name + ".dcm");
    const bool written = SaveAtomically(set, target);
    lock.lock();
    if (written)
        m_files.push_back(target.string());
    else
        ++m_failed;
    if (m_progress)
        m_progress(m_files.size(), m_remaining);
    return written;
}

bool InstanceWriter::Full() const
{
    const std::lock_guard lock(m_mutex);
    return m_files.size() + m_failed >= kMaxFetchInstances;
}

std::vector<std::string> InstanceWriter::Files() const
{
    const std::lock_guard lock(m_mutex);
    return m_files;
}

size_t InstanceWriter::Failed() const
{
    const std::lock_guard lock(m_mutex);
    return m_failed;
}

}  // namespace net::detail
