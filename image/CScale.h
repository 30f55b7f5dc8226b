// Bitmap pixels per displayed pixel (greater than 1 when shown smaller than real size).
#pragma once

#include "platform/Geometry.h"

class CScale {
public:
    explicit CScale(float factor = 1.0f) : m_fFactor(factor) {}
    virtual ~CScale() = default;
    CScale(const CScale&) = default;
    CScale& operator=(const CScale&) = default;

    float GetFactor() const { return m_fFactor; }
    void SetFactor(float factor) { m_fFactor = factor; }
    void CopyFactor(const CScale& other) { m_fFactor = other.m_fFactor; }
    // Each coordinate times the factor, truncated toward zero.
    CRect ScaleRect(CRect rc) const;

    float m_fFactor;
};
