// tessor stitch: the dialog's pipeline without a window. The stitching model is built
// directly and driven through the commands the dialog's view calls; no window system is
// started.
#include "app/Commands.h"
#include "app/NetCommands.h"
#include "app/Json.h"
#include "app/SourceOptions.h"

#include "image/CBaseImageData.h"
#include "imaging/LBitmap.h"
#include "output/OutputSettings.h"
#include "platform/ImageFile.h"
#include "stitch/CStitchModel.h"
#include "stitch/StitchMessages.h"

#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

namespace app {
namespace {

// --require-aligned and a junction the images did not decide: nothing is written.
constexpr int kExitNotAligned = 3;

bool LoadSources(CStitchModel& model, const StitchOptions& o, std::string& reason)
{
    CStitchLoadResult loaded;
    if (!o.bitmaps) {
        loaded = model.LoadFiles(o.files, o.reference);
    } else {
        LBitmapList list;
        CArray<CPoint, CPoint> points;
        if (!LoadBitmapSources(o, list, points, reason))
            return false;
        loaded = model.LoadBitmaps(list, points);
    }
    if (loaded.Ok())
        return true;
    reason = stitchtext::LoadFailureReason(loaded);
    if (loaded.failure == ELoadFailure::Unreadable)
        reason = "cannot load " + o.files[static_cast<size_t>(loaded.failedIndex)] + ": " + reason;
    return false;
}

bool WritePreview(const std::string& dicom, const std::string& png)
{
    CBaseImageData image;
    if (!image.Load(dicom.c_str()))
        return false;
    const std::vector<DWORD>& pixels = image.m_bitmap.GetRendition();
    return SaveRgb32AsPng(png.c_str(), pixels.data(), image.GetWidth(), image.GetHeight());
}

void PrintJson(const CStitchModel& model, const std::string& out, const CStitchSaveResult& saved)
{
    Json images = Json::array();
    for (int i = 0; i < model.GetCount(); ++i) {
        const CRect rc = model.GetRect(i);
        images.push_back({{"file", ToUtf8(model.GetFileName(i))},
                          {"left", rc.left},
                          {"top", rc.top},
                          {"right", rc.right},
                          {"bottom", rc.bottom}});
    }
    Json junctions = Json::array();
    for (const CJunction& junction : model.GetJunctions()) {
        Json entry = {{"offset", junction.offset},
                      {"dx", junction.dx},
                      {"overlap", junction.overlap},
                      {"score", std::round(junction.score * 1000.0) / 1000.0},
                      {"aligned", junction.aligned}};
        if (!junction.aligned)
            entry["reason"] = JunctionReasonText(junction.reason);
        junctions.push_back(std::move(entry));
    }
    Json json = {{"images", std::move(images)}, {"junctions", std::move(junctions)}};
    if (saved.written) {
        json["columns"] = saved.columns;
        json["rows"] = saved.rows;
    }
    json["output"] = ToUtf8(out);
    json["written"] = saved.written;
    json["imagesLeftOut"] = saved.LeftOutCount();
    std::fputs(Dump(json).c_str(), stdout);
}

// Every message the dialog would show for the save, one line each on stderr, then the
// reason nothing was written when it is not one of them.
void ReportSave(const CStitchSaveResult& saved)
{
    for (size_t i = 0; i < saved.pieces.size(); ++i) {
        for (const std::string& text : stitchtext::PieceMessages(saved.pieces[i].failure, static_cast<int>(i)))
            std::fprintf(stderr, "tessor: %s\n", text.c_str());
    }
    const std::string reason = stitchtext::SaveFailureReason(saved);
    if (!reason.empty())
        std::fprintf(stderr, "tessor: %s\n", reason.c_str());
}

}  // namespace

int RunStitch(const StitchOptions& given)
{
    StitchOptions o = given;
    if (std::string reason; !ResolveStudyInput(o.files, o.series, false, reason))
        return Fail(reason);
    g_strInstanceUID = o.uid.c_str();
    g_strManufacturer = o.manufacturer.c_str();
    g_strModelName = o.model.c_str();
    g_nInstanceNumber = o.instance;
    output::ReadOutputProfile();
    if (!o.syntax.empty())
        g_strTransferSyntax = o.syntax.c_str();
    const bool progress = isatty(STDERR_FILENO);
    CStitchModel model;
    if (progress)
        std::fprintf(stderr, "loading %zu images...\n", o.files.size());
    std::string reason;
    if (!LoadSources(model, o, reason))
        return Fail(reason);
    if (o.align) {
        if (progress)
            std::fprintf(stderr, "aligning %d junctions...\n", model.GetCount() - 1);
        model.Align();
        const std::vector<std::string> refused = model.DescribeJunctions();
        for (const std::string& line : refused)
            std::fprintf(stderr, "tessor: %s\n", line.c_str());
        if (o.requireAligned && !refused.empty()) {
            std::fprintf(stderr, "tessor: %s\n", model.AlignStatus().c_str());
            return kExitNotAligned;
        }
    } else if (o.autoStitch) {
        model.AutoTrim();
    }
    for (const Adjust& adjust : o.adjusts) {
        if (adjust.index >= model.GetCount())
            return Fail("--adjust names image " + std::to_string(adjust.index) + " of " +
                        std::to_string(model.GetCount()));
        model.SetRect(adjust.index, adjust.rect.left, adjust.rect.top, adjust.rect.bottom);
    }
    if (o.crop)
        model.SetCrop(*o.crop);
    if (progress)
        std::fprintf(stderr, "composing and writing %s...\n", o.out.c_str());
    const std::string refPath = o.bitmaps ? BitmapReference(o) : o.reference;
    // Only the save is left: it takes the decoded pieces' rows and frees them as it goes.
    const CStitchSaveResult saved = model.SaveReleasingPixels(refPath.c_str(), o.out.c_str());
    ReportSave(saved);
    if (saved.written && !o.preview.empty() && !WritePreview(o.out, o.preview))
        std::fprintf(stderr, "tessor: cannot write the preview %s\n", o.preview.c_str());
    if (o.json)
        PrintJson(model, o.out, saved);
    if (!saved.written)
        return Fail("nothing was written");
    if (saved.LeftOutCount() > 0) {
        // An image left out makes a result the archive must not take as the study's image.
        if (o.sendTo)
            std::fprintf(stderr, "tessor: %s: not sent: an image was left out\n", o.out.c_str());
        return 2;
    }
    return o.sendTo && !SendStitched(*o.sendTo, o.sendSettings, o.out) ? 1 : 0;
}

}  // namespace app
