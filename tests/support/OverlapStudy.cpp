#include "tests/support/OverlapStudy.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace overlapstudy {

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Body {
    int width = 0;
    int height = 0;
    std::vector<float> v;
    float& At(int x, int y) { return v[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)]; }
};

void AddBlob(Body& body, double cx, double cy, double rx, double ry, double amplitude)
{
    const int x0 = std::max(0, static_cast<int>(cx - 3 * rx));
    const int x1 = std::min(body.width, static_cast<int>(cx + 3 * rx) + 1);
    const int y0 = std::max(0, static_cast<int>(cy - 3 * ry));
    const int y1 = std::min(body.height, static_cast<int>(cy + 3 * ry) + 1);
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const double u = (x - cx) / rx;
            const double w = (y - cy) / ry;
            body.At(x, y) += static_cast<float>(amplitude * std::exp(-0.5 * (u * u + w * w)));
        }
}

// Soft tissue, two long vertical shafts (alike at every height, as long bones are),
// curved rib-like bands in some stretches and blobs of every size.
Body MakeBody(int width, int height, double scale, std::mt19937& random)
{
    Body body{width, height, std::vector<float>(static_cast<size_t>(width) * static_cast<size_t>(height))};
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const double phase = 2 * kPi * unit(random);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const double soft = 0.3 + 0.08 * std::sin(2 * kPi * y / (900 * scale) + phase) + 0.05 * std::cos(2 * kPi * x / (700 * scale));
            const double u = static_cast<double>(x) / width;
            const double shaft = (std::abs(u - 0.35) < 0.04 || std::abs(u - 0.65) < 0.04) ? 0.25 : 0.0;
            body.At(x, y) = static_cast<float>(soft + shaft);
        }
    const int ribStretches = std::max(1, height / static_cast<int>(1200 * scale));
    for (int s = 0; s < ribStretches; ++s) {
        const double start = unit(random) * height;
        const double period = (50 + 40 * unit(random)) * scale;
        for (int k = 0; k < 6; ++k) {
            const double y0 = start + k * period;
            for (int x = 0; x < width; ++x) {
                const double yc = y0 + 0.0004 / scale * (x - width / 2.0) * (x - width / 2.0);
                for (int y = static_cast<int>(yc - 6 * scale); y <= static_cast<int>(yc + 6 * scale); ++y)
                    if (y >= 0 && y < height)
                        body.At(x, y) += static_cast<float>(0.12 * std::exp(-0.5 * std::pow((y - yc) / (2.5 * scale), 2)));
            }
        }
    }
    const int blobs = static_cast<int>(static_cast<double>(width) * height / (1600.0 * scale * scale));
    for (int i = 0; i < blobs; ++i) {
        const double r = (3 + 25 * unit(random) * unit(random)) * scale;
        AddBlob(body, unit(random) * width, unit(random) * height, r * (0.5 + unit(random)), r * (0.5 + unit(random)),
                (unit(random) - 0.5) * 0.3);
    }
    return body;
}

void Flatten(Body& body, int top, int bottom)
{
    for (int y = std::max(0, top); y < std::min(body.height, bottom); ++y)
        for (int x = 0; x < body.width; ++x)
            body.At(x, y) = 0.4f;
}

}  // namespace

Study Make(const Options& options)
{
    std::mt19937 random(options.seed);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    Study study;
    const int maxShift = static_cast<int>(options.shiftMax * options.columns);
    std::vector<int> overlaps;
    int height = options.rows;
    for (int j = 0; j + 1 < options.pieces; ++j) {
        const double share = options.overlapMin + (options.overlapMax - options.overlapMin) * unit(random);
        overlaps.push_back(options.forcedOverlap > 0 ? options.forcedOverlap : static_cast<int>(share * options.rows));
        height += options.rows - overlaps.back();
    }
    for (int i = 0; i < options.pieces; ++i) {
        study.bodyTop.push_back(i == 0 ? 0 : study.bodyTop.back() + options.rows - overlaps[static_cast<size_t>(i - 1)]);
        study.bodyShift.push_back(static_cast<int>(unit(random) * 2 * maxShift));
    }
    const double scale = options.columns / 360.0;
    Body body = MakeBody(options.columns + 2 * maxShift + 1, height, scale, random);
    if (options.featurelessJunction >= 0 && options.featurelessJunction + 1 < options.pieces) {
        const int j = options.featurelessJunction;
        const int margin = options.bandMax + 24;
        Flatten(body, study.bodyTop[static_cast<size_t>(j + 1)] - margin, study.bodyTop[static_cast<size_t>(j)] + options.rows + margin);
    }
    for (int i = 0; i < options.pieces; ++i) {
        const double gain = options.gainSign * (0.7 + 0.6 * unit(random));
        const double bias = 0.2 * unit(random);
        std::normal_distribution<double> noise(0.0, options.noise * (0.5 + unit(random)));
        CRegPlane plane;
        plane.width = options.columns;
        plane.height = options.rows;
        plane.contentTop = static_cast<int>(unit(random) * (options.bandMax + 1));
        plane.contentBottom = options.rows - static_cast<int>(unit(random) * (options.bandMax + 1));
        plane.values.resize(static_cast<size_t>(plane.width) * static_cast<size_t>(plane.height));
        for (int r = 0; r < plane.height; ++r)
            for (int c = 0; c < plane.width; ++c) {
                const bool band = r < plane.contentTop || r >= plane.contentBottom;
                const double value = band ? 1.5 : body.At(c + study.bodyShift[static_cast<size_t>(i)], r + study.bodyTop[static_cast<size_t>(i)]);
                plane.values[static_cast<size_t>(r) * static_cast<size_t>(plane.width) + static_cast<size_t>(c)] =
                    static_cast<float>(gain * value + bias + (band ? 0.0 : noise(random)));
            }
        study.planes.push_back(std::move(plane));
    }
    for (int j = 0; j + 1 < options.pieces; ++j)
        study.junctions.push_back({study.bodyTop[static_cast<size_t>(j + 1)] - study.bodyTop[static_cast<size_t>(j)],
                                   study.bodyShift[static_cast<size_t>(j + 1)] - study.bodyShift[static_cast<size_t>(j)]});
    return study;
}

}  // namespace overlapstudy
