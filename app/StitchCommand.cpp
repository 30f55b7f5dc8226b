// tessor stitch: the dialog's pipeline without a window. The workspace view is built
// hidden and driven through the same operations the dialog calls.
#include "app/Commands.h"
#include "app/Json.h"
#include "app/SourceOptions.h"

#include "image/CBaseImageData.h"
#include "imaging/DicomTags.h"
#include "imaging/LBitmap.h"
#include "imaging/LDicomDS.h"
#include "output/OutputSettings.h"
#include "platform/Application.h"
#include "platform/ImageFile.h"
#include "platform/MessageBox.h"
#include "platform/WinMessages.h"
#include "workspace/CViewStitchDicom.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

namespace app {
namespace {

// Sets an adjustment rectangle through the clamping the interactive commands keep.
void ApplyAdjust(CViewStitchDicom& view, const Adjust& adjust)
{
    const CBaseImageData* source = view.m_listSource.GetAt(adjust.index);
    const int width = source->GetWidth();
    const int height = source->GetHeight();
    CRect rc = adjust.rect;
    rc.right = width;
    rc.bottom = std::clamp<LONG>(rc.bottom, 1, height);
    rc.top = std::clamp<LONG>(rc.top, 0, rc.bottom - 1);
    view.m_arrAdjust[adjust.index] = rc;
    view.ApplyAdjustment(adjust.index);
}

bool LoadSources(CViewStitchDicom& view, const StitchOptions& o, std::string& reason)
{
    if (!o.bitmaps) {
        CStringArray files;
        for (const auto& f : o.files)
            files.Add(f.c_str());
        if (view.LoadFiles(files))
            return true;
        const std::string& failed = o.files[static_cast<size_t>(view.GetImageCount())];
        reason = "cannot load " + failed + ": " + DescribeLoadFailure(failed);
        return false;
    }
    LBitmapList list;
    CArray<CPoint, CPoint> points;
    if (!LoadBitmapSources(o, list, points, reason))
        return false;
    if (!view.LoadBitmaps(o.reference.c_str(), list, points)) {
        reason = "cannot take the bitmaps";
        return false;
    }
    return true;
}

bool WritePreview(const std::string& dicom, const std::string& png)
{
    CBaseImageData image;
    if (!image.Load(dicom.c_str()))
        return false;
    const std::vector<DWORD>& pixels = image.m_bitmap.GetRendition();
    return SaveRgb32AsPng(png.c_str(), pixels.data(), image.GetWidth(), image.GetHeight());
}

void PrintJson(const CViewStitchDicom& view, const std::string& out, bool written, int leftOut)
{
    Json images = Json::array();
    for (int i = 0; i < view.GetImageCount(); ++i) {
        const CRect& rc = view.m_arrAdjust[i];
        images.push_back({{"file", ToUtf8(view.m_listSource.GetAt(i)->m_strFileName.str())},
                          {"left", rc.left},
                          {"top", rc.top},
                          {"right", rc.right},
                          {"bottom", rc.bottom}});
    }
    Json json = {{"images", std::move(images)}};
    // The written geometry, read from the file's header: its pixels are not needed.
    LDicomDS result(nullptr);
    if (written && result.LoadDS(out.c_str(), LOADDS_PIXEL_DATA_ON_DEMAND) == DICOM_SUCCESS) {
        // Each value is copied at once: the data set hands out one buffer per call.
        const auto value = [&result](DWORD tag) {
            const LONG* read = result.GetLongValue(result.FindFirstElement(nullptr, tag, FALSE), 0, 1);
            return read ? std::optional<LONG>(*read) : std::nullopt;
        };
        const std::optional<LONG> columns = value(TAG_COLUMNS);
        const std::optional<LONG> rows = value(TAG_ROWS);
        if (columns && rows) {
            json["columns"] = *columns;
            json["rows"] = *rows;
        }
    }
    json["output"] = ToUtf8(out);
    json["written"] = written;
    json["imagesLeftOut"] = leftOut;
    std::fputs(Dump(json).c_str(), stdout);
}

}  // namespace

int RunStitch(const StitchOptions& o)
{
    g_strInstanceUID = o.uid.c_str();
    g_strManufacturer = o.manufacturer.c_str();
    g_strModelName = o.model.c_str();
    g_nInstanceNumber = o.instance;
    const bool progress = isatty(STDERR_FILENO);
    int leftOut = 0;
    std::string lastMessage;
    SetMessageBoxSinkForTest([&leftOut, &lastMessage](const char* text, UINT) {
        std::fprintf(stderr, "tessor: %s\n", text);
        lastMessage = text;
        if (std::string(text).rfind("Fail to stitching image", 0) == 0)
            ++leftOut;
        return IDOK;
    });
    setenv("QT_QPA_PLATFORM", "offscreen", 1);  // no window is shown
    int argc = 1;
    char name[] = "tessor";
    char* argv[] = {name, nullptr};
    InitGuiApplication(argc, argv);

    CWnd host;
    host.CreateEx(0, nullptr, "", WS_POPUP, 0, 0, 1280, 900, nullptr, nullptr);
    auto* view = new CViewStitchDicom;  // deletes itself with its window
    view->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, CRect(0, 0, 1280, 900), &host, 500);
    if (progress)
        std::fprintf(stderr, "loading %zu images...\n", o.files.size());
    std::string reason;
    if (!LoadSources(*view, o, reason))
        return Fail(reason);
    if (o.autoStitch)
        view->AutoStitch();
    for (const Adjust& adjust : o.adjusts) {
        if (adjust.index >= view->GetImageCount())
            return Fail("--adjust names image " + std::to_string(adjust.index) + " of " +
                        std::to_string(view->GetImageCount()));
        ApplyAdjust(*view, adjust);
    }
    view->RecalcLayout();
    if (o.crop) {
        // At real size one workspace pixel is one image pixel, so the crop converts exactly.
        if (!view->m_bRealSize)
            view->ToggleRealSize();
        view->m_bCropMode = TRUE;
        view->m_rcCrop = *o.crop;
        view->m_rcCrop.OffsetRect(CViewStitchDicom::kColumnLeft, 0);
    }
    if (progress)
        std::fprintf(stderr, "composing and writing %s...\n", o.out.c_str());
    const std::string refPath = o.bitmaps ? BitmapReference(o) : o.reference;
    const bool written = view->SaveStitchedFile(refPath.c_str(), o.out.c_str());
    // A reason the save already showed as a message is not repeated.
    if (!written && !view->GetLastSaveError().IsEmpty() && lastMessage != view->GetLastSaveError().str())
        std::fprintf(stderr, "tessor: %s\n", static_cast<LPCTSTR>(view->GetLastSaveError()));
    if (written && !o.preview.empty() && !WritePreview(o.out, o.preview))
        std::fprintf(stderr, "tessor: cannot write the preview %s\n", o.preview.c_str());
    if (o.json)
        PrintJson(*view, o.out, written, leftOut);
    host.DestroyWindow();
    SetMessageBoxSinkForTest(nullptr);
    if (!written)
        return Fail("nothing was written");
    return leftOut > 0 ? 2 : 0;
}

}  // namespace app
