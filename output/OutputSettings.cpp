#include "output/OutputSettings.h"

#include "config/ConfigFiles.h"
#include "platform/Profile.h"

#include <array>
#include <utility>

CString g_strInstanceUID = "";
CString g_strManufacturer = "KORVANTE";
CString g_strModelName = "KORVANTE";
int g_nInstanceNumber = 1;
CString g_strSeriesSuffix = "stitched";
CString g_strTransferSyntax = "1.2.840.10008.1.2.1";

namespace output {
namespace {

// Lossless or uncompressed only: a stitched image must keep every stored value.
constexpr std::array<std::pair<const char*, const char*>, 6> kSyntaxes = {{
    {"raw", "1.2.840.10008.1.2.1"},
    {"jpeg-ls", "1.2.840.10008.1.2.4.80"},
    {"jpeg-lossless", "1.2.840.10008.1.2.4.70"},
    {"jpeg2000", "1.2.840.10008.1.2.4.90"},
    {"rle", "1.2.840.10008.1.2.5"},
    {"deflated", "1.2.840.10008.1.2.1.99"},
}};

constexpr const char* kSection = "OUTPUT";

}  // namespace

std::string TransferSyntaxForName(const std::string& name)
{
    for (const auto& [known, uid] : kSyntaxes) {
        if (name == known)
            return uid;
    }
    return std::string();
}

const char* TransferSyntaxNames() { return "raw, jpeg-lossless, jpeg-ls, jpeg2000, rle or deflated"; }

void ReadOutputProfile()
{
    g_strTransferSyntax = kSyntaxes[0].second;
    g_strSeriesSuffix = "stitched";
    char value[256] = {};
    GetPrivateProfileStringA(kSection, "SYNTAX", "", value, sizeof value, g_strModuleProfileFile);
    if (const std::string uid = TransferSyntaxForName(value); !uid.empty())
        g_strTransferSyntax = uid.c_str();
    // A missing key reads as this marker, so that an empty suffix can still be chosen.
    constexpr const char* kAbsent = "\x01";
    GetPrivateProfileStringA(kSection, "SERIES_SUFFIX", kAbsent, value, sizeof value, g_strModuleProfileFile);
    if (std::string(value) != kAbsent)
        g_strSeriesSuffix = value;
}

}  // namespace output
