// Reading a size ("512M") from arbitrary text: never crashes, accepts only what it can hold
// (at most 2^50 bytes), and an accepted size written back in bytes reads as the same size.
#include "app/OptionValues.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const app::ParsedSize parsed = app::ParseSize(text);
    if (!parsed.error.empty()) {
        if (parsed.bytes != 0)
            std::abort();
        return 0;
    }
    if (parsed.bytes > (std::uint64_t{1} << 50))
        std::abort();
    const app::ParsedSize again = app::ParseSize(std::to_string(parsed.bytes));
    if (!again.error.empty() || again.bytes != parsed.bytes)
        std::abort();
    return 0;
}
