// LDicomDS: saving and changing the transfer syntax.
#include "imaging/DicomInternal.h"
#include "platform/StageTrace.h"

#include "imaging/DicomText.h"
#include "imaging/EncapsulatedFrame.h"
#include "imaging/Uid.h"

#include "dcmtk/dcmdata/dcdeftag.h"
#include "dcmtk/dcmdata/dcmetinf.h"
#include "dcmtk/dcmdata/dcpixel.h"
#include "dcmtk/dcmdata/dcrlerp.h"
#include "dcmtk/dcmjpeg/djrplol.h"
#include "dcmtk/dcmjpls/djrparam.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>

namespace fs = std::filesystem;

namespace {

// A temporary file created next to the target, removed again unless committed.
class CTempFileBeside {
public:
    explicit CTempFileBeside(const fs::path& target)
    {
        static std::atomic<unsigned> s_counter{0};
        const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
        for (int attempt = 0; attempt < 100 && m_path.empty(); ++attempt) {
            const fs::path candidate = folder / ("." + target.filename().string() + ".tmp" +
                                                 std::to_string(::getpid()) + "-" + std::to_string(s_counter++));
            const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd >= 0) {
                ::close(fd);
                m_path = candidate;
            } else if (errno != EEXIST) {
                m_error = errno;
                break;
            }
        }
    }
    ~CTempFileBeside()
    {
        if (!m_path.empty()) {
            std::error_code ec;
            fs::remove(m_path, ec);
        }
    }
    CTempFileBeside(const CTempFileBeside&) = delete;
    CTempFileBeside& operator=(const CTempFileBeside&) = delete;

    bool IsOpen() const { return !m_path.empty(); }
    const fs::path& Path() const { return m_path; }
    int Error() const { return m_error; }
    // Flushes the temporary to the disk, renames it over `target` and flushes the folder,
    // so that after a crash or power loss the target is the old file or the whole new one.
    // The flush is also where a full disk shows itself with delayed allocation. The file
    // is no longer removed once renamed.
    bool CommitTo(const fs::path& target, std::error_code& ec)
    {
        if (!Flush(m_path, O_RDONLY, ec))
            return false;
        fs::rename(m_path, target, ec);
        if (ec)
            return false;
        m_path.clear();
        std::error_code ignored;  // the rename is done: a folder that cannot flush changes nothing
        Flush(target.has_parent_path() ? target.parent_path() : fs::path("."), O_RDONLY | O_DIRECTORY, ignored);
        return true;
    }

private:
    static bool Flush(const fs::path& path, int flags, std::error_code& ec)
    {
        const int fd = ::open(path.c_str(), flags | O_CLOEXEC);
        if (fd < 0 || ::fsync(fd) != 0) {
            ec.assign(errno, std::generic_category());
            if (fd >= 0)
                ::close(fd);
            return false;
        }
        ::close(fd);
        return true;
    }

    fs::path m_path;
    int m_error = 0;
};

// Encoder settings for the lossless compressed syntaxes we write; nullptr for
// uncompressed ones. `supported` is false for syntaxes we cannot encode.
std::unique_ptr<DcmRepresentationParameter> EncoderParameters(E_TransferSyntax xfer, bool& supported)
{
    supported = true;
    switch (xfer) {
    case EXS_JPEGProcess14SV1:
        return std::make_unique<DJ_RPLossless>(1, 0);
    case EXS_JPEGLSLossless:
        return std::make_unique<DJLSRepresentationParameter>(2, OFTrue);
    case EXS_RLELossless:
        return std::make_unique<DcmRLERepresentationParameter>();
    default:
        supported = !DcmXfer(xfer).isEncapsulated();
        return nullptr;
    }
}

// Group 0002 as the toolkit's update makes it (SOP Class and Instance UIDs and transfer
// syntax following the data set, the other elements kept), then naming the project as the
// implementation, with the group length computed again. The file is then written without
// a further update, which would put the toolkit's identity back.
bool DescribeWriter(DcmFileFormat& file, E_TransferSyntax xfer)
{
    if (file.validateMetaInfo(xfer, EWM_updateMeta).bad())
        return false;
    DcmMetaInfo& meta = *file.getMetaInfo();
    return meta.putAndInsertString(DCM_ImplementationClassUID, imaging::kImplementationClassUID).good() &&
           meta.putAndInsertString(DCM_ImplementationVersionName,
                                   imaging::GetImplementationVersionName().c_str()).good() &&
           meta.computeGroupLengthAndPadding(EGL_withGL, EPD_noChange, EXS_LittleEndianExplicit,
                                             EET_ExplicitLength).good();
}

}  // namespace

int LDicomDS::SaveDS(LPCTSTR path, UINT /*flags*/)
{
    const platform::StageScope trace(platform::Stage::Write);
    if (!path || !*path)
        return m_impl->Fail(ERROR_DICOM_WRITE, "no file name was given");
    const fs::path target(path);
    std::error_code ec;
    if (fs::is_directory(target, ec))
        return m_impl->Fail(ERROR_DICOM_WRITE, std::string("'") + path + "' is a folder, not a file");
    if (!m_impl->Dataset().canWriteXfer(m_impl->xfer))
        return m_impl->Fail(ERROR_DICOM_WRITE, std::string("the data set cannot be written as ") +
                                                   DcmXfer(m_impl->xfer).getXferName());

    CTempFileBeside temp(target);
    if (!temp.IsOpen())
        return m_impl->Fail(ERROR_DICOM_WRITE, std::string("cannot write in the folder of '") + path +
                                                   "': " + std::strerror(temp.Error()));
    // Group 0002 keeps its other elements, while the Media Storage SOP Class/Instance UIDs
    // and the transfer syntax follow the data set (EWM_updateMeta does that by itself).
    const bool ownIdentity =
        !imaging::GetImplementationVersionName().empty() && DescribeWriter(m_impl->file, m_impl->xfer);
    const OFCondition cond =
        m_impl->file.saveFile(temp.Path().c_str(), m_impl->xfer, EET_UndefinedLength, EGL_recalcGL, EPD_noChange,
                              0, 0, ownIdentity ? EWM_dontUpdateMeta : EWM_updateMeta);
    if (cond.bad())
        return m_impl->Fail(ERROR_DICOM_WRITE, std::string("cannot write '") + path + "': " + cond.text());
    if (!temp.CommitTo(target, ec))
        return m_impl->Fail(ERROR_DICOM_WRITE, std::string("cannot write '") + path + "': " + ec.message());
    m_impl->Succeed();
    return DICOM_SUCCESS;
}

namespace {

// Decompressing RLE goes through DCMTK's decoder: every frame's header must be sound first.
bool RleFramesSound(DcmDataset& dataset, E_TransferSyntax xfer, std::string& reason)
{
    DcmElement* element = nullptr;
    if (dataset.findAndGetElement(DCM_PixelData, element).bad() || !element || element->ident() != EVR_PixelData)
        return true;  // nothing to decode
    std::int32_t frames = 1;
    OFString text;
    if (dataset.findAndGetOFString(DCM_NumberOfFrames, text).good() && !imaging::ParseIS(text.c_str(), frames))
        frames = 1;
    frames = std::max<std::int32_t>(frames, 1);
    auto& pixels = *static_cast<DcmPixelData*>(element);
    for (std::int32_t frame = 0; frame < frames; ++frame)
        if (!imaging::CheckRleFrame(pixels, xfer, unsigned(frame), frames, reason))
            return false;
    return true;
}

}  // namespace

int LDicomDS::ChangeTransferSyntax(const char* uid, UINT /*quality*/, UINT /*flags*/)
{
    const platform::StageScope trace(platform::Stage::Encode);
    const E_TransferSyntax target = uid ? DcmXfer(uid).getXfer() : EXS_Unknown;
    if (target == EXS_Unknown)
        return m_impl->Fail(ERROR_INV_PARAMETER, std::string("unknown transfer syntax '") + (uid ? uid : "") + "'");
    bool supported = target == EXS_JPEG2000LosslessOnly;  // encoded by us, not by DCMTK
    const std::unique_ptr<DcmRepresentationParameter> parameters =
        supported ? nullptr : EncoderParameters(target, supported);
    if (!supported)
        return m_impl->Fail(ERROR_FEATURE_NOT_SUPPORTED,
                            std::string("cannot encode ") + DcmXfer(target).getXferName());

    DcmDataset& dataset = m_impl->Dataset();
    if (std::string reason; m_impl->xfer == EXS_RLELossless && target != EXS_RLELossless &&
                            !RleFramesSound(dataset, m_impl->xfer, reason))
        return m_impl->Fail(ERROR_FILE_FORMAT, "damaged RLE data: " + reason);
    if (target == EXS_JPEG2000LosslessOnly && m_impl->xfer != target) {
        if (std::string reason; !imaging::EncodePixelDataAsJpeg2000(dataset, reason))
            return m_impl->Fail(ERROR_FEATURE_NOT_SUPPORTED,
                                "cannot change the transfer syntax to JPEG 2000 (lossless): " + reason);
    }
    OFCondition cond = dataset.chooseRepresentation(target, parameters.get());
    if (cond.good() && !dataset.canWriteXfer(target))
        cond = makeOFCondition(OFM_dcmdata, 2, OF_error, "no representation for that transfer syntax");
    if (cond.bad())
        return m_impl->Fail(ERROR_FEATURE_NOT_SUPPORTED, std::string("cannot change the transfer syntax to ") +
                                                             DcmXfer(target).getXferName() + ": " + cond.text());
    // Keep only what will be written; a stale compressed copy would otherwise be
    // chosen again by a later save.
    dataset.removeAllButCurrentRepresentations();
    m_impl->xfer = target;
    m_impl->Succeed();
    return DICOM_SUCCESS;
}

std::string LDicomDS::GetTransferSyntaxUID() const { return DcmXfer(m_impl->xfer).getXferID(); }
