// What tessor stitch and tessor gui share: the sources, the output file, the template,
// the bitmap hand-over with its windows, and the output settings.
#pragma once

#include "platform/Collections.h"
#include "platform/Geometry.h"
#include "net/Peer.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

class LBitmapList;

namespace app {

struct SourceOptions {
    std::string out;
    std::string reference;
    bool bitmaps = false;
    std::map<int, CPoint> windows;
    std::vector<std::string> files;
    std::string series;  // --series: the position in the listing or the Series Instance UID
    // The output settings; start as the module's current values.
    std::string uid;
    std::string manufacturer;
    std::string model;
    int instance = 0;

    SourceOptions();
};

// An --adjust of tessor stitch: image `index` keeps rows rect.top..rect.bottom-1, shifted
// left by rect.left pixels.
struct Adjust {
    int index;
    CRect rect;
};

struct GuiOptions : SourceOptions {
    bool align = false;  // the dialog opens already aligned
};

// Where tessor gui saves without -o: stitched.dcm beside the first file or folder named.
std::string DefaultGuiOutput(const std::string& firstSource);

struct StitchOptions : SourceOptions {
    bool autoStitch = false;
    bool align = false;           // the trim pass, then every junction registered
    bool requireAligned = false;  // a junction left as trimmed fails the run
    std::vector<Adjust> adjusts;
    std::optional<CRect> crop;
    bool json = false;
    std::string preview;
    std::optional<net::Peer> sendTo;  // stores the result there when it holds every image
    net::AssociationSettings sendSettings;
    std::string syntax;  // the output transfer syntax's UID; empty: tessor.ini's, else explicit
};

// Decodes every file into a bitmap, with its window from --window (0, 0 when none).
bool LoadBitmapSources(const SourceOptions& o, LBitmapList& list, CArray<CPoint, CPoint>& points,
                       std::string& reason);

// Replaces folders and DICOMDIR files among o.files by the images of the chosen series and
// says on stderr how many other files were skipped; false with the reason.
bool ResolveStudyInput(std::vector<std::string>& files, const std::string& series, bool allSeries,
                       std::string& reason);

// The template of a bitmap run: --reference, or the first file.
std::string BitmapReference(const SourceOptions& o);

}  // namespace app
