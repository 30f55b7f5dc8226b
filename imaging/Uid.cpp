#include "imaging/Uid.h"

#include <cstdint>
#include <random>

namespace imaging {
namespace {

// The decimal digits of a 128-bit number held as two halves.
std::string Decimal(std::uint64_t high, std::uint64_t low)
{
    std::string digits;
    while (high != 0 || low != 0) {
        // Long division by 10 over 32-bit limbs.
        const std::uint32_t limbs[4] = {static_cast<std::uint32_t>(high >> 32), static_cast<std::uint32_t>(high),
                                        static_cast<std::uint32_t>(low >> 32), static_cast<std::uint32_t>(low)};
        std::uint32_t quotient[4];
        std::uint64_t remainder = 0;
        for (int i = 0; i < 4; ++i) {
            const std::uint64_t value = (remainder << 32) | limbs[i];
            quotient[i] = static_cast<std::uint32_t>(value / 10);
            remainder = value % 10;
        }
        high = (std::uint64_t(quotient[0]) << 32) | quotient[1];
        low = (std::uint64_t(quotient[2]) << 32) | quotient[3];
        digits.insert(digits.begin(), static_cast<char>('0' + remainder));
    }
    return digits.empty() ? "0" : digits;
}

std::string& VersionName()
{
    static std::string name;
    return name;
}

}  // namespace

std::string GenerateUniqueUID()
{
    // A random (version 4) UUID as its 128-bit integer, from the system's entropy source.
    std::random_device source;
    const auto draw64 = [&source] { return (std::uint64_t(source()) << 32) | source(); };
    std::uint64_t high = draw64();
    std::uint64_t low = draw64();
    high = (high & ~std::uint64_t(0xF000)) | 0x4000;                        // version 4
    low = (low & ~(std::uint64_t(0xC) << 60)) | (std::uint64_t(0x8) << 60);  // variant 10
    return std::string(kUidRoot) + "." + Decimal(high, low);
}

void SetImplementationVersionName(const std::string& name) { VersionName() = name.substr(0, 16); }

const std::string& GetImplementationVersionName() { return VersionName(); }

}  // namespace imaging
