#include "image/DicomRecords.h"

#include <array>
#include <strings.h>

namespace {
// In the order of comparison; the index is the kind.
constexpr std::array<LPCTSTR, 6> kPhotometricNames = {"MONOCHROME1", "MONOCHROME2", "PALETTE COLOR",
                                                      "RGB",         "ARGB",        "CMYK"};
}  // namespace

int PhotometricKindFromText(LPCTSTR text)
{
    if (text == nullptr)
        return PHOTOMETRIC_UNKNOWN;
    for (size_t kind = 0; kind < kPhotometricNames.size(); ++kind) {
        if (strcasecmp(text, kPhotometricNames[kind]) == 0)
            return static_cast<int>(kind);
    }
    return PHOTOMETRIC_UNKNOWN;
}

LPCTSTR PhotometricKindName(int kind)
{
    if (kind < 0 || kind >= static_cast<int>(kPhotometricNames.size()))
        return "";
    return kPhotometricNames[static_cast<size_t>(kind)];
}
