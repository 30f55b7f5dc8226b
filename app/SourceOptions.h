// What tessor stitch and tessor gui share: the sources, the output file, the template,
// the bitmap hand-over with its windows, and the output settings.
#pragma once

#include "app/Commands.h"

#include "platform/Collections.h"
#include "platform/Geometry.h"

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
    // The output settings; start as the module's current values.
    std::string uid;
    std::string manufacturer;
    std::string model;
    int instance = 0;

    SourceOptions();
};

// "a,b,c" or "I:a,b,c" into exactly `count` integers; false on any other text.
bool ParseInts(const std::string& text, std::vector<int>& values, size_t count);

// Takes args[i] when it is one of the shared options (-o/--out, --reference, --bitmaps,
// --window, --uid, --manufacturer, --model, --instance), advancing i past its value.
// Returns nullopt when args[i] is not shared; "" when taken; otherwise the reason.
std::optional<std::string> TakeSourceOption(const Arguments& args, size_t& i, SourceOptions& o);

// Decodes every file into a bitmap, with its window from --window (0, 0 when none).
bool LoadBitmapSources(const SourceOptions& o, LBitmapList& list, CArray<CPoint, CPoint>& points,
                       std::string& reason);

// The template of a bitmap run: --reference, or the first file.
std::string BitmapReference(const SourceOptions& o);

}  // namespace app
