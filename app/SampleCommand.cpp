// tessor sample: writes a synthetic long-length study.
#include "app/Commands.h"
#include "app/SampleStudy.h"

#include <charconv>
#include <cstdio>
#include <optional>

namespace app {
namespace {
constexpr const char* kUsage =
    "usage: tessor sample [options] DIR\n"
    "\n"
    "Writes DIR/piece-1.dcm .. piece-N.dcm: one DX study of N overlapping exposures of a\n"
    "synthetic body, each with featureless collimator bands of its own heights at the top\n"
    "and bottom. DIR is created when missing.\n"
    "\n"
    "options:\n"
    "  --rows R        rows of each exposure (default 1400)\n"
    "  --cols C        columns of each exposure (default 1000)\n"
    "  --pieces N      number of exposures (default 3)\n"
    "  --bits 8|16     bits allocated; 16 stores 12 bits (default 16)\n"
    "  --signed        signed pixel values, some negative (16 bits only)\n"
    "  --mono1         MONOCHROME1 instead of MONOCHROME2\n"
    "  --syntax S      raw (Explicit VR Little Endian, default), jpeg-lossless, jpeg-ls or rle\n";

std::optional<int> ParseInt(const std::string& text)
{
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::optional<sample::Syntax> ParseSyntax(const std::string& text)
{
    if (text == "raw")
        return sample::Syntax::Raw;
    if (text == "jpeg-lossless")
        return sample::Syntax::JpegLossless;
    if (text == "jpeg-ls")
        return sample::Syntax::JpegLs;
    if (text == "rle")
        return sample::Syntax::Rle;
    return std::nullopt;
}

int UsageError(const std::string& reason)
{
    std::fprintf(stderr, "tessor sample: %s (see tessor sample --help)\n", reason.c_str());
    return 2;
}
}  // namespace

int RunSample(const Arguments& args)
{
    sample::SampleOptions options;
    std::optional<std::string> dir;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (IsHelp(arg)) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "--signed") {
            options.isSigned = true;
        } else if (arg == "--mono1") {
            options.monochrome1 = true;
        } else if (arg == "--rows" || arg == "--cols" || arg == "--pieces" || arg == "--bits" || arg == "--syntax") {
            if (i + 1 >= args.size())
                return UsageError(arg + " needs a value");
            const std::string& value = args[++i];
            if (arg == "--syntax") {
                const auto syntax = ParseSyntax(value);
                if (!syntax)
                    return UsageError("unknown syntax '" + value + "'");
                options.syntax = *syntax;
                continue;
            }
            const auto number = ParseInt(value);
            if (!number)
                return UsageError(arg + " needs a whole number, not '" + value + "'");
            int& target = arg == "--rows" ? options.rows
                          : arg == "--cols" ? options.columns
                          : arg == "--pieces" ? options.pieces
                                              : options.bitsAllocated;
            target = *number;
        } else if (arg.starts_with("-") && arg.size() > 1) {
            return UsageError("unknown option '" + arg + "'");
        } else if (dir) {
            return UsageError("only one DIR may be given");
        } else {
            dir = arg;
        }
    }
    if (!dir)
        return UsageError("DIR is missing");
    if (const std::string reason = sample::ValidateOptions(options); !reason.empty())
        return UsageError(reason);
    if (const std::string reason = sample::WriteSampleStudy(options, *dir); !reason.empty())
        return Fail(reason);
    std::printf("wrote %d exposures of %d x %d pixels to %s\n", options.pieces, options.columns, options.rows,
                dir->c_str());
    return 0;
}

}  // namespace app
