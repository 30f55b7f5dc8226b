#include "app/SourceOptions.h"

#include "imaging/LBitmap.h"
#include "output/OutputSettings.h"

#include <cstdlib>

namespace app {

SourceOptions::SourceOptions()
    : uid(g_strInstanceUID.str()), manufacturer(g_strManufacturer.str()), model(g_strModelName.str()),
      instance(g_nInstanceNumber)
{
}

bool ParseInts(const std::string& text, std::vector<int>& values, size_t count)
{
    values.clear();
    size_t start = 0;
    while (start <= text.size()) {
        const size_t end = text.find_first_of(",:", start);
        const std::string part = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        char* stop = nullptr;
        const long value = std::strtol(part.c_str(), &stop, 10);
        if (part.empty() || *stop != '\0')
            return false;
        values.push_back(static_cast<int>(value));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return values.size() == count;
}

std::optional<std::string> TakeSourceOption(const Arguments& args, size_t& i, SourceOptions& o)
{
    const std::string& a = args[i];
    if (a == "--bitmaps") {
        o.bitmaps = true;
        return "";
    }
    const bool withValue = a == "-o" || a == "--out" || a == "--reference" || a == "--window" || a == "--uid" ||
                           a == "--manufacturer" || a == "--model" || a == "--instance";
    if (!withValue)
        return std::nullopt;
    if (i + 1 >= args.size())
        return a + " needs a value";
    const std::string& value = args[++i];
    std::vector<int> v;
    if (a == "-o" || a == "--out")
        o.out = value;
    else if (a == "--reference")
        o.reference = value;
    else if (a == "--uid")
        o.uid = value;
    else if (a == "--manufacturer")
        o.manufacturer = value;
    else if (a == "--model")
        o.model = value;
    else if (a == "--instance") {
        if (!ParseInts(value, v, 1))
            return std::string("--instance takes a whole number");
        o.instance = v[0];
    } else {
        if (!ParseInts(value, v, 3) || v[0] < 0)
            return std::string("--window takes I:W,C");
        o.windows[v[0]] = CPoint(v[1], v[2]);
    }
    return "";
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

std::string BitmapReference(const SourceOptions& o)
{
    return o.reference.empty() && !o.files.empty() ? o.files[0] : o.reference;
}

}  // namespace app
