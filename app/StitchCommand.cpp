// tessor stitch: the dialog's pipeline without a window. The stitching model is built
// directly and driven through the commands the dialog's view calls; no window system is
// started.
#include "app/Commands.h"
#include "app/JsonWriter.h"
#include "app/SourceOptions.h"

#include "image/CBaseImageData.h"
#include "imaging/LBitmap.h"
#include "output/OutputSettings.h"
#include "platform/ImageFile.h"
#include "stitch/CStitchModel.h"
#include "stitch/StitchMessages.h"

#include <cstdio>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

namespace app {
namespace {

constexpr const char* kUsage =
    "usage: tessor stitch -o OUT.dcm [options] FILE...\n"
    "Joins the files, in the order given, into one stitched DICOM image.\n\n"
    "  -o, --out FILE        the stitched DICOM file (required)\n"
    "  --auto                cut the featureless bands automatically\n"
    "  --adjust I:L,T,B      image I (from 0) keeps rows T..B-1, shifted left by L pixels; repeatable\n"
    "  --crop L,T,R,B        crop, in pixels of the stitched image\n"
    "  --reference FILE      template data set (default: the first file)\n"
    "  --bitmaps             hand the files over as decoded bitmaps instead of paths\n"
    "  --window I:W,C        window width and centre of bitmap I (with --bitmaps); repeatable\n"
    "  --uid UID  --manufacturer TEXT  --model TEXT  --instance N   output settings\n"
    "  --json                print rectangles, geometry and outcome as JSON\n"
    "  --preview FILE.png    also write an 8-bit preview of the result\n\n"
    "Exit status: 0 written with every image, 2 written with an image left out, 1 nothing written.\n";

struct Adjust {
    int index;
    CRect rect;
};

struct StitchOptions : SourceOptions {
    bool autoStitch = false;
    std::vector<Adjust> adjusts;
    std::optional<CRect> crop;
    bool json = false;
    std::string preview;
};

std::optional<std::string> ParseOptions(const Arguments& args, StitchOptions& o)
{
    for (size_t i = 0; i < args.size(); ++i) {
        if (const auto shared = TakeSourceOption(args, i, o)) {
            if (!shared->empty())
                return shared;
            continue;
        }
        const std::string& a = args[i];
        std::vector<int> v;
        if (a == "--preview" || a == "--adjust" || a == "--crop") {
            if (i + 1 >= args.size())
                return a + " needs a value";
            const std::string& value = args[++i];
            if (a == "--preview") {
                o.preview = value;
            } else if (a == "--adjust") {
                if (!ParseInts(value, v, 4) || v[0] < 0)
                    return "--adjust takes I:L,T,B";
                o.adjusts.push_back({v[0], CRect(v[1], v[2], 0, v[3])});
            } else {
                if (!ParseInts(value, v, 4))
                    return "--crop takes L,T,R,B";
                o.crop = CRect(v[0], v[1], v[2], v[3]);
            }
        } else if (a == "--auto") {
            o.autoStitch = true;
        } else if (a == "--json") {
            o.json = true;
        } else if (!a.empty() && a[0] == '-') {
            return "unknown option '" + a + "' (see tessor stitch --help)";
        } else {
            o.files.push_back(a);
        }
    }
    if (o.out.empty())
        return "an output file is required (-o FILE)";
    if (o.files.empty())
        return "no input files";
    return std::nullopt;
}

bool LoadSources(CStitchModel& model, const StitchOptions& o, std::string& reason)
{
    CStitchLoadResult loaded;
    if (!o.bitmaps) {
        loaded = model.LoadFiles(o.files);
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
    JsonWriter json;
    json.BeginObject();
    json.BeginArray("images");
    for (int i = 0; i < model.GetCount(); ++i) {
        const CRect rc = model.GetRect(i);
        json.BeginObject();
        json.String("file", model.GetFileName(i));
        json.Integer("left", rc.left);
        json.Integer("top", rc.top);
        json.Integer("right", rc.right);
        json.Integer("bottom", rc.bottom);
        json.EndObject();
    }
    json.EndArray();
    if (saved.written) {
        json.Integer("columns", saved.columns);
        json.Integer("rows", saved.rows);
    }
    json.String("output", out);
    json.Bool("written", saved.written);
    json.Integer("imagesLeftOut", saved.LeftOutCount());
    json.EndObject();
    std::fputs(json.Text().c_str(), stdout);
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

int RunStitch(const Arguments& args)
{
    if (!args.empty() && IsHelp(args[0])) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    StitchOptions o;
    if (const auto error = ParseOptions(args, o))
        return Fail(*error);
    g_strInstanceUID = o.uid.c_str();
    g_strManufacturer = o.manufacturer.c_str();
    g_strModelName = o.model.c_str();
    g_nInstanceNumber = o.instance;
    const bool progress = isatty(STDERR_FILENO);
    CStitchModel model;
    if (progress)
        std::fprintf(stderr, "loading %zu images...\n", o.files.size());
    std::string reason;
    if (!LoadSources(model, o, reason))
        return Fail(reason);
    if (o.autoStitch)
        model.AutoTrim();
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
    const CStitchSaveResult saved = model.Save(refPath.c_str(), o.out.c_str());
    ReportSave(saved);
    if (saved.written && !o.preview.empty() && !WritePreview(o.out, o.preview))
        std::fprintf(stderr, "tessor: cannot write the preview %s\n", o.preview.c_str());
    if (o.json)
        PrintJson(model, o.out, saved);
    if (!saved.written)
        return Fail("nothing was written");
    return saved.LeftOutCount() > 0 ? 2 : 0;
}

}  // namespace app
