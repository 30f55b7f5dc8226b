#include "app/SyntheticBody.h"

#include <algorithm>
#include <cmath>

namespace sample {
namespace {
constexpr float kAir = 0.04f;
constexpr int kRibCount = 10;

double Smoothstep(double edge0, double edge1, double x)
{
    const double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
    return t * t * (3.0 - 2.0 * t);
}

// 1 inside a band of half-width `half` around `centre`, with soft edges.
double Band(double value, double centre, double half, double soft)
{
    return 1.0 - Smoothstep(half, half + soft, std::abs(value - centre));
}

// Body half-width (fraction of the image width) at height fraction t, for the trunk.
double TrunkHalfWidth(double t)
{
    return 0.30 + 0.06 * Smoothstep(0.0, 0.08, t) + 0.04 * Smoothstep(0.40, 0.55, t);
}

// Bone with a brighter cortex: `d` is the distance from the bone's axis, `half` its half-width.
double Bone(double d, double half)
{
    if (d >= half)
        return 0.0;
    const double edge = d / half;
    return 0.25 + 0.15 * edge * edge;
}
}  // namespace

float SyntheticBody::At(int x, int y) const
{
    // u: horizontal, -0.5 .. 0.5 of the width around the midline; v: height fraction 0 .. 1.
    const double u = (x + 0.5) / m_width - 0.5;
    const double v = (y + 0.5) / m_height;
    float value = SoftTissue(u, v);
    if (value > kAir)
        value += Spine(u, v) + Ribs(u, v) + Pelvis(u, v) + Legs(u, v);
    return std::clamp(value + Noise(x, y), 0.0f, 0.97f);
}

float SyntheticBody::SoftTissue(double u, double v) const
{
    if (v < 0.58) {
        const double half = TrunkHalfWidth(v);
        if (std::abs(u) >= half)
            return kAir;
        const double depth = std::sqrt(1.0 - (u / half) * (u / half));
        double tissue = 0.22 + 0.22 * depth;
        // Lungs: two darker fields either side of the spine in the chest.
        const double lungs = Band(v, 0.21, 0.14, 0.04) * Band(std::abs(u), 0.17, 0.09, 0.04);
        tissue -= 0.12 * lungs;
        return static_cast<float>(tissue);
    }
    // Legs: two tapering columns either side of the midline; the hips close between them.
    const double legHalf = 0.13 - 0.05 * Smoothstep(0.6, 1.0, v);
    const double hipHalf = TrunkHalfWidth(0.58) * (1.0 - Smoothstep(0.58, 0.64, v));
    const double d = std::abs(std::abs(u) - 0.17);
    const bool inLeg = d < legHalf;
    const bool inHips = std::abs(u) < hipHalf;
    if (!inLeg && !inHips)
        return kAir;
    double depth = inLeg ? std::sqrt(1.0 - (d / legHalf) * (d / legHalf)) : 0.0;
    if (inHips)
        depth = std::max(depth, std::sqrt(1.0 - (u / hipHalf) * (u / hipHalf)));
    return static_cast<float>(0.22 + 0.2 * depth);
}

float SyntheticBody::Spine(double u, double v) const
{
    if (v < 0.02 || v > 0.56)
        return 0.0f;
    // Vertebral bodies grow wider and taller down the spine; discs are the dark gaps.
    const double aspect = static_cast<double>(m_height) / m_width;
    const double vw = v * aspect;  // height in widths
    const double period = 0.055 + 0.02 * v;
    const double phase = std::fmod(vw, period) / period;
    const double half = 0.035 + 0.025 * v;
    const double inBody = Band(u, 0.0, half, 0.006);
    const double disc = Band(phase, 0.92, 0.06, 0.02);
    const double processes = 0.5 * Band(u, 0.0, half * 0.25, 0.004) * Band(phase, 0.45, 0.25, 0.05);
    return static_cast<float>(0.32 * inBody * (1.0 - 0.8 * disc) + 0.1 * processes);
}

float SyntheticBody::Ribs(double u, double v) const
{
    const double au = std::abs(u);
    const double half = TrunkHalfWidth(v) - 0.02;
    if (v < 0.06 || v > 0.40 || au < 0.05 || au > half)
        return 0.0f;
    const double aspect = static_cast<double>(m_height) / m_width;
    double value = 0.0;
    for (int k = 0; k < kRibCount; ++k) {
        // Each rib leaves the spine and curves outward and down.
        const double start = (0.07 + 0.026 * k) * aspect;
        const double centre = start + 0.35 * std::pow(au - 0.05, 1.4);
        value = std::max(value, Band(v * aspect, centre, 0.010, 0.004));
    }
    return static_cast<float>(0.16 * value);
}

float SyntheticBody::Pelvis(double u, double v) const
{
    if (v < 0.46 || v > 0.62)
        return 0.0f;
    const double aspect = static_cast<double>(m_height) / m_width;
    const double au = std::abs(u);
    // Iliac wings: rings around each side; femoral heads below them.
    const double dy = (v - 0.515) * aspect;
    const double ring = std::hypot((au - 0.16) / 0.14, dy / 0.12);
    const double wing = Band(ring, 0.85, 0.12, 0.05);
    const double headDist = std::hypot(au - 0.17, (v - 0.585) * aspect);
    const double head = Band(headDist, 0.0, 0.045, 0.006);
    return static_cast<float>(0.22 * wing + 0.3 * head);
}

float SyntheticBody::Legs(double u, double v) const
{
    if (v < 0.59)
        return 0.0f;
    const double axis = std::abs(std::abs(u) - 0.17);
    // Femur down to the knee, a joint gap, then tibia with the thinner fibula beside it.
    if (v < 0.79)
        return static_cast<float>(Bone(axis, 0.032));
    if (v < 0.80)
        return 0.0f;
    const double fibula = std::abs(std::abs(u) - 0.225);
    return static_cast<float>(std::max(Bone(axis, 0.028), 0.8 * Bone(fibula, 0.010)));
}

float SyntheticBody::Noise(int x, int y) const
{
    // A fixed hash of the position: the same anatomy point carries the same noise in
    // every exposure that shows it.
    std::uint32_t h = static_cast<std::uint32_t>(x) * 0x9E3779B1u ^ static_cast<std::uint32_t>(y) * 0x85EBCA77u;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    return (static_cast<float>(h & 0xFFFF) / 65535.0f - 0.5f) * 0.03f;
}

}  // namespace sample
