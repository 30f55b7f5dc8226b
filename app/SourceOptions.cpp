#include "app/SourceOptions.h"

#include "imaging/LBitmap.h"
#include "output/OutputSettings.h"
#include "stitch/StitchInput.h"

#include <cstdio>
#include <filesystem>

namespace app {

SourceOptions::SourceOptions()
    : uid(g_strInstanceUID.str()), manufacturer(g_strManufacturer.str()), model(g_strModelName.str()),
      instance(g_nInstanceNumber)
{
}

bool LoadBitmapSources(const SourceOptions& o, LBitmapList& list, CArray<CPoint, CPoint>& points, std::string& reason)
{
    for (size_t i = 0; i < o.files.size(); ++i) {
        LBitmap bitmap;
        if (bitmap.Load(o.files[i].c_str(), 0, ORDER_BGRORGRAY) != SUCCESS) {
            reason = "cannot load " + o.files[i] + ": " + bitmap.GetLastError();
            return false;
        }
        list.InsertItem(bitmap);
        const auto window = o.windows.find(static_cast<int>(i));
        points.Add(window != o.windows.end() ? window->second : CPoint(0, 0));
    }
    return true;
}

bool ResolveStudyInput(std::vector<std::string>& files, const std::string& series, bool allSeries,
                       std::string& reason)
{
    const CStudyInput input = stitchinput::Resolve(files, series, allSeries);
    if (input.skipped > 0)
        std::fprintf(stderr, "tessor: skipped %d files that hold no DICOM image\n", input.skipped);
    if (!input.Ok()) {
        reason = input.error;
        return false;
    }
    files = input.files;
    return true;
}

std::string DefaultGuiOutput(const std::string& firstSource)
{
    return (std::filesystem::path(firstSource).parent_path() / "stitched.dcm").string();
}

std::string BitmapReference(const SourceOptions& o)
{
    return o.reference.empty() && !o.files.empty() ? o.files[0] : o.reference;
}

}  // namespace app
