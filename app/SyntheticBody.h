// A procedural long-length radiograph: a tall "body" (spine, ribs, pelvis, legs over a
// soft-tissue gradient, with fixed noise) from which the sample exposures are cut.
#pragma once

#include <cstdint>

namespace sample {

// A body `width` pixels wide and `height` rows tall. Computed point by point (nothing is
// held), so a tall body costs no memory. Deterministic: the same size gives the same body.
class SyntheticBody {
public:
    SyntheticBody(int width, int height) : m_width(width), m_height(height) {}

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    // Brightness in [0, 1) at (x, y): about 0.04 for air, higher for denser tissue.
    float At(int x, int y) const;

private:
    float SoftTissue(double u, double v) const;
    float Spine(double u, double v) const;
    float Ribs(double u, double v) const;
    float Pelvis(double u, double v) const;
    float Legs(double u, double v) const;
    float Noise(int x, int y) const;

    int m_width;
    int m_height;
};

}  // namespace sample
