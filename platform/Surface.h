// CSurface: a 32-bit RGB picture that device contexts draw into (a window's pixels, a
// compatible bitmap's pixels). Pixels outside the surface read as CLR_INVALID and ignore
// writes. Qt stays private: the platform reaches the image through platform/SurfaceAccess.h.
#pragma once

#include "platform/GdiTypes.h"
#include "platform/Geometry.h"

#include <functional>
#include <memory>
#include <string>

class CSurface {
public:
    // Called with the rectangle (surface pixels) that a drawing call may have changed.
    using ChangeHandler = std::function<void(const CRect&)>;

    // A surface of w x h pixels (negative sizes count as 0), filled with white.
    CSurface(int width, int height);
    ~CSurface();
    CSurface(const CSurface&) = delete;
    CSurface& operator=(const CSurface&) = delete;

    int Width() const;
    int Height() const;
    CRect GetRect() const { return CRect(0, 0, Width(), Height()); }

    // Colour of one pixel as 0x00BBGGRR; CLR_INVALID outside the surface.
    COLORREF GetPixel(int x, int y) const;
    void SetPixel(int x, int y, COLORREF color);
    void Fill(COLORREF color);
    // New size; the overlapping part keeps its pixels, new area is white.
    void Resize(int width, int height);
    bool SavePng(const std::string& path) const;

    // Change notification, used by the window layer to schedule a screen update after
    // drawing outside a paint cycle. The handler is called synchronously by drawing calls.
    void SetChangeHandler(ChangeHandler handler);
    void NotifyChanged(const CRect& rc) const;

    struct Impl;
    Impl& GetImpl() const { return *m_impl; }

private:
    std::unique_ptr<Impl> m_impl;
};
