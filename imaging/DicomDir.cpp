#include "imaging/DicomDir.h"

#include "imaging/Codecs.h"
#include "imaging/DicomInternal.h"
#include "imaging/DicomText.h"

#include "dcmtk/config/osconfig.h"
#include "dcmtk/dcmdata/dcdeftag.h"
#include "dcmtk/dcmdata/dcdicdir.h"
#include "dcmtk/dcmdata/dcdirrec.h"
#include "dcmtk/dcmdata/dcfilefo.h"
#include "dcmtk/dcmdata/dcmetinf.h"
#include "dcmtk/dcmdata/dcuid.h"

#include <stdlib.h>

#include <filesystem>
#include <memory>

namespace fs = std::filesystem;

namespace imaging {
namespace {

// The toolkit's DICOMDIR class writes the file back from its destructor when it thinks it
// changed it (it repairs inconsistent records while reading). It is therefore only given
// a private copy, in a folder of its own that is removed afterwards.
class CScratchCopy {
public:
    explicit CScratchCopy(const fs::path& source)
    {
        std::error_code ec;
        std::string pattern = (fs::temp_directory_path(ec) / "tessor-dicomdir-XXXXXX").string();
        if (ec || !::mkdtemp(pattern.data()))
            return;
        m_folder = pattern;
        m_file = m_folder / "DICOMDIR";
        if (!fs::copy_file(source, m_file, ec))
            m_file.clear();
    }
    ~CScratchCopy()
    {
        if (!m_folder.empty()) {
            std::error_code ec;
            fs::remove_all(m_folder, ec);
        }
    }
    CScratchCopy(const CScratchCopy&) = delete;
    CScratchCopy& operator=(const CScratchCopy&) = delete;

    const fs::path& File() const { return m_file; }

private:
    fs::path m_folder;
    fs::path m_file;
};

std::string TextOf(DcmItem& record, const DcmTagKey& key)
{
    OFString value;
    if (record.findAndGetOFStringArray(key, value, OFFalse).bad())
        return std::string();
    return std::string(TrimPadding(value.c_str()));
}

std::optional<long> NumberOf(DcmItem& record, const DcmTagKey& key)
{
    std::int32_t number = 0;
    const std::string text = TextOf(record, key);
    if (text.empty() || !ParseIS(text.c_str(), number))
        return std::nullopt;
    return number;
}

// "A\B\C" into its components; empty ones are kept so that the caller refuses them.
std::vector<std::string> Components(const std::string& fileId)
{
    std::vector<std::string> parts(1);
    for (const char c : fileId) {
        if (c == '\\')
            parts.emplace_back();
        else
            parts.back() += c;
    }
    for (std::string& part : parts)
        part = std::string(TrimPadding(part));
    return parts;
}

// A file set's directory: Media Storage Directory Storage with a record sequence. The
// toolkit's DICOMDIR class would make an empty directory of anything else.
bool IsDirectoryFile(const fs::path& file, std::string& problem)
{
    DcmFileFormat probe;
    const OFCondition cond = LoadFileCatching(probe, file.c_str());
    if (cond.bad()) {
        problem = cond.text();
        return false;
    }
    OFString sopClass;
    probe.getMetaInfo()->findAndGetOFString(DCM_MediaStorageSOPClassUID, sopClass);
    if (sopClass != UID_MediaStorageDirectoryStorage || !probe.getDataset()->tagExists(DCM_DirectoryRecordSequence)) {
        problem = "no directory records";
        return false;
    }
    return true;
}

struct SeriesContext {
    std::string uid;
    std::optional<long> number;
};

// Records nest patient, study, series, image; deeper nesting is damage.
constexpr int kMaxDepth = 8;

void CollectImages(DcmDirectoryRecord& parent, const SeriesContext* series, int depth,
                   std::vector<DicomDirImage>& images)
{
    if (depth > kMaxDepth)
        return;
    const unsigned long count = parent.cardSub();
    for (unsigned long i = 0; i < count; ++i) {
        DcmDirectoryRecord* record = parent.getSub(i);
        if (!record)
            continue;
        if (record->getRecordType() == ERT_Series) {
            const SeriesContext context{TextOf(*record, DCM_SeriesInstanceUID), NumberOf(*record, DCM_SeriesNumber)};
            CollectImages(*record, &context, depth + 1, images);
            continue;
        }
        if (record->getRecordType() == ERT_Image && series) {
            DicomDirImage image;
            image.fileId = Components(TextOf(*record, DCM_ReferencedFileID));
            image.seriesUid = series->uid;
            image.seriesNumber = series->number;
            image.instanceNumber = NumberOf(*record, DCM_InstanceNumber);
            images.push_back(std::move(image));
        }
        CollectImages(*record, series, depth + 1, images);
    }
}

}  // namespace

bool ReadDicomDirImages(const std::string& path, std::vector<DicomDirImage>& images, std::string& reason)
{
    images.clear();
    if (!EnsureToolkitReady(&reason))
        return false;
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) {
        reason = "'" + path + "' does not exist or is not a file";
        return false;
    }
    const CScratchCopy copy(path);
    if (copy.File().empty()) {
        reason = "cannot read '" + path + "'";
        return false;
    }
    if (std::string problem; !IsDirectoryFile(copy.File(), problem)) {
        reason = "'" + path + "' is not a readable DICOMDIR: " + problem;
        return false;
    }
    std::unique_ptr<DcmDicomDir> dicomDir;
    try {  // the probe read the same bytes, but the toolkit's exceptions stay contained
        dicomDir = std::make_unique<DcmDicomDir>(OFFilename(copy.File().c_str()));
    } catch (const std::exception& error) {
        reason = "'" + path + "' is not a readable DICOMDIR: damaged value: " + error.what();
        return false;
    }
    if (dicomDir->error().bad()) {
        reason = "'" + path + "' is not a readable DICOMDIR: " + dicomDir->error().text();
        return false;
    }
    CollectImages(dicomDir->getRootRecord(), nullptr, 0, images);
    return true;
}

}  // namespace imaging
