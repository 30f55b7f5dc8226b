// CDC: a device context that draws into a CSurface at once, with GDI's rules.
//
// Coordinates: surface pixel = device point + device origin (where the window layer puts
// a client or window area on the window's surface); device point = logical point +
// viewport origin. Drawing is limited by the surface, by the device clip rectangle
// (device coordinates, set by whoever creates the DC: the update area, the client area)
// and by the clip region the user selects (IntersectClipRect, ExcludeClipRect,
// SelectClipRgn), which SaveDC / RestoreDC keep with the other attributes.
//
// As in GDI: right and bottom edges of rectangles are excluded, LineTo leaves out its end
// point, pens and Rectangle's interior combine with the surface through SetROP2, FillRect
// and the blits use their own raster operation, FillSolidRect sets the background colour.
// Nothing is antialiased. XOR operations act on the 24 colour bits only, so drawing
// twice restores the surface exactly.
#pragma once

#include "platform/CString.h"
#include "platform/GdiObjects.h"
#include "platform/GdiTypes.h"
#include "platform/Geometry.h"

#include <memory>

class CSurface;

// Stretch modes (SetStretchBltMode); every mode copies the nearest source pixel.
constexpr int BLACKONWHITE = 1;
constexpr int WHITEONBLACK = 2;
constexpr int COLORONCOLOR = 3;
constexpr int HALFTONE = 4;

class CDC {
public:
    HDC m_hDC = nullptr;

    CDC();
    explicit CDC(CSurface* surface);
    virtual ~CDC();
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    // Binds the DC to a surface with default attributes, device origin (0, 0) and the
    // whole surface as device clip. Fails when the DC already has a surface.
    BOOL Attach(CSurface* surface);
    // Unbinds the surface (deselecting every object); returns it.
    CSurface* Detach();
    // A memory DC: draws into the bitmap selected into it (a 1 x 1 stock bitmap at first).
    BOOL CreateCompatibleDC(CDC* pDC);
    BOOL DeleteDC();

    HDC GetSafeHdc() const { return m_hDC; }
    operator HDC() const { return m_hDC; }
    // The CDC behind a handle; null for an unknown handle.
    static CDC* FromHandle(HDC hdc);
    // Where drawing lands now: the attached surface, or the selected bitmap's.
    CSurface* GetSurface() const;

    // Window-layer placement: the device origin on the surface and the device clip
    // rectangle (device coordinates). Resetting the clip keeps the user clip region.
    void SetDeviceOrigin(int x, int y);
    CPoint GetDeviceOrigin() const;
    void SetDeviceClip(const CRect& rc);
    CRect GetDeviceClip() const;

    // Saved states: SaveDC returns the new level (1, 2, ...); RestoreDC takes a level or
    // a negative count relative to the current level (-1: the last saved state).
    int SaveDC();
    BOOL RestoreDC(int savedDC);

    CPoint SetViewportOrg(int x, int y);
    CPoint SetViewportOrg(POINT p) { return SetViewportOrg(p.x, p.y); }
    CPoint OffsetViewportOrg(int dx, int dy);
    CPoint GetViewportOrg() const;
    void LPtoDP(LPPOINT points, int count = 1) const;
    void LPtoDP(LPRECT rc) const;
    void DPtoLP(LPPOINT points, int count = 1) const;
    void DPtoLP(LPRECT rc) const;

    // Clipping. Rectangles are logical; the region of SelectClipRgn is in device
    // coordinates as in GDI (nullptr removes the user clip). Results are region types.
    int IntersectClipRect(int left, int top, int right, int bottom);
    int IntersectClipRect(LPCRECT rc) { return IntersectClipRect(rc->left, rc->top, rc->right, rc->bottom); }
    int ExcludeClipRect(int left, int top, int right, int bottom);
    int ExcludeClipRect(LPCRECT rc) { return ExcludeClipRect(rc->left, rc->top, rc->right, rc->bottom); }
    int SelectClipRgn(CRgn* pRgn);
    int SelectClipRgn(CRgn* pRgn, int mode);
    // Smallest logical rectangle around the drawable area.
    int GetClipBox(LPRECT rc) const;
    BOOL PtVisible(int x, int y) const;
    BOOL RectVisible(LPCRECT rc) const;

    // Objects. Each returns the previously selected object (null on failure).
    CPen* SelectObject(CPen* pPen);
    CBrush* SelectObject(CBrush* pBrush);
    CFont* SelectObject(CFont* pFont);
    CBitmap* SelectObject(CBitmap* pBitmap);
    CGdiObject* SelectObject(CGdiObject* pObject);
    int SelectObject(CRgn* pRgn) { return SelectClipRgn(pRgn); }
    CGdiObject* SelectStockObject(int index);
    CPen* GetCurrentPen() const;
    CBrush* GetCurrentBrush() const;
    CFont* GetCurrentFont() const;
    CBitmap* GetCurrentBitmap() const;
    CPalette* SelectPalette(CPalette* pPalette, BOOL forceBackground);
    UINT RealizePalette();

    // Attributes.
    int SetROP2(int drawMode);
    int GetROP2() const;
    COLORREF SetTextColor(COLORREF color);
    COLORREF GetTextColor() const;
    COLORREF SetBkColor(COLORREF color);
    COLORREF GetBkColor() const;
    int SetBkMode(int mode);
    int GetBkMode() const;
    UINT SetTextAlign(UINT flags);
    UINT GetTextAlign() const;
    int SetStretchBltMode(int mode);
    int GetStretchBltMode() const;

    // Lines and shapes with the current pen (and brush for closed shapes).
    CPoint MoveTo(int x, int y);
    CPoint MoveTo(POINT p) { return MoveTo(p.x, p.y); }
    BOOL LineTo(int x, int y);
    BOOL LineTo(POINT p) { return LineTo(p.x, p.y); }
    CPoint GetCurrentPosition() const;
    BOOL Polyline(const POINT* points, int count);
    BOOL Polygon(const POINT* points, int count);
    BOOL Rectangle(int left, int top, int right, int bottom);
    BOOL Rectangle(LPCRECT rc) { return Rectangle(rc->left, rc->top, rc->right, rc->bottom); }
    BOOL Ellipse(int left, int top, int right, int bottom);
    BOOL Ellipse(LPCRECT rc) { return Ellipse(rc->left, rc->top, rc->right, rc->bottom); }
    BOOL DrawFocusRect(LPCRECT rc);

    // Areas.
    void FillRect(LPCRECT rc, CBrush* pBrush);
    void FillSolidRect(LPCRECT rc, COLORREF color);
    void FillSolidRect(int x, int y, int cx, int cy, COLORREF color);
    void FrameRect(LPCRECT rc, CBrush* pBrush);
    void Draw3dRect(LPCRECT rc, COLORREF topLeft, COLORREF bottomRight);
    void Draw3dRect(int x, int y, int cx, int cy, COLORREF topLeft, COLORREF bottomRight);
    void InvertRect(LPCRECT rc);
    BOOL PatBlt(int x, int y, int width, int height, DWORD rop);
    COLORREF SetPixel(int x, int y, COLORREF color);
    COLORREF SetPixel(POINT p, COLORREF color) { return SetPixel(p.x, p.y, color); }
    COLORREF GetPixel(int x, int y) const;
    COLORREF GetPixel(POINT p) const { return GetPixel(p.x, p.y); }

    // Blits from another DC (or this one; overlapping areas are copied as if through a
    // temporary). Raster operations: SRCCOPY, SRCPAINT, SRCAND, SRCINVERT, SRCERASE,
    // NOTSRCCOPY, NOTSRCERASE, MERGEPAINT, and the source-less PatBlt operations.
    BOOL BitBlt(int x, int y, int width, int height, CDC* pSrcDC, int xSrc, int ySrc, DWORD rop);
    BOOL StretchBlt(int x, int y, int width, int height, CDC* pSrcDC, int xSrc, int ySrc, int srcWidth,
                    int srcHeight, DWORD rop);
    // The source rectangle of a device-independent bitmap (8, 24 or 32 bits per pixel,
    // BI_RGB, bottom-up or top-down; ySrc counts from the first stored row, which is the
    // bottom row of a bottom-up bitmap) stretched onto the destination rectangle, nearest
    // pixel, clipped. Negative destination sizes mirror. Returns the number of source
    // rows, 0 on failure.
    int StretchDIBits(int xDst, int yDst, int dstWidth, int dstHeight, int xSrc, int ySrc, int srcWidth,
                      int srcHeight, const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop);

    // Text with the selected font, text colour, background colour and mode. Text is
    // ISO 8859-1. DrawText returns the height of the text (0 on failure).
    int DrawText(LPCTSTR text, int count, LPRECT rc, UINT format);
    int DrawText(const CString& text, LPRECT rc, UINT format);
    BOOL TextOut(int x, int y, LPCTSTR text, int count);
    BOOL TextOut(int x, int y, const CString& text);
    BOOL ExtTextOut(int x, int y, UINT options, LPCRECT rc, LPCTSTR text, UINT count, const int* dx = nullptr);
    BOOL ExtTextOut(int x, int y, UINT options, LPCRECT rc, const CString& text, const int* dx = nullptr);
    CSize GetTextExtent(LPCTSTR text, int count) const;
    CSize GetTextExtent(const CString& text) const;
    CSize GetOutputTextExtent(LPCTSTR text, int count) const { return GetTextExtent(text, count); }
    CSize GetOutputTextExtent(const CString& text) const { return GetTextExtent(text); }
    BOOL GetTextMetrics(LPTEXTMETRIC metrics) const;
    BOOL GetOutputTextMetrics(LPTEXTMETRIC metrics) const { return GetTextMetrics(metrics); }

    // HORZRES / VERTRES: the surface size; LOGPIXELSX/Y: 96; BITSPIXEL: 32; PLANES: 1.
    int GetDeviceCaps(int index) const;

    struct Impl;

private:
    std::unique_ptr<Impl> m_impl;
};

// Handle forms of the calls that code written against the Win32 API makes.
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object);
template <class Handle, std::enable_if_t<IsGdiHandle<Handle>, int> = 0>
Handle SelectObject(HDC hdc, Handle object)
{
    return reinterpret_cast<Handle>(SelectObject(hdc, AsGdiObject(object)));
}
HPALETTE SelectPalette(HDC hdc, HPALETTE palette, BOOL forceBackground);
UINT RealizePalette(HDC hdc);
int GetDeviceCaps(HDC hdc, int index);
int SetStretchBltMode(HDC hdc, int mode);
int StretchDIBits(HDC hdc, int xDst, int yDst, int dstWidth, int dstHeight, int xSrc, int ySrc, int srcWidth,
                  int srcHeight, const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop);
