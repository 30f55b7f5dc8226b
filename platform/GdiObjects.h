// Drawing objects: pens, brushes, fonts, bitmaps, regions and palettes.
//
// A handle (HPEN, HBRUSH, ...) names one object kept by the layer; the C++ objects wrap
// a handle as the framework's do. Destroying a C++ object deletes its handle. Deleting a
// handle that is still selected into a device context only marks it: it is freed when the
// last context lets go of it, so a context never draws with a freed object. Stock objects
// are never freed.
#pragma once

#include "platform/GdiTypes.h"
#include "platform/Geometry.h"

#include <type_traits>
#include <vector>

class CDC;
class CSurface;

// Object types (GetObjectType).
constexpr DWORD OBJ_PEN = 1;
constexpr DWORD OBJ_BRUSH = 2;
constexpr DWORD OBJ_PAL = 5;
constexpr DWORD OBJ_FONT = 6;
constexpr DWORD OBJ_BITMAP = 7;
constexpr DWORD OBJ_REGION = 8;

// The typed handles stand for an HGDIOBJ wherever Win32 takes one (there they are all
// one pointer type, here distinct ones).
template <class Handle>
inline constexpr bool IsGdiHandle = std::is_same_v<Handle, HPEN> || std::is_same_v<Handle, HBRUSH> ||
                                    std::is_same_v<Handle, HFONT> || std::is_same_v<Handle, HBITMAP> ||
                                    std::is_same_v<Handle, HRGN> || std::is_same_v<Handle, HPALETTE>;
template <class Handle, std::enable_if_t<IsGdiHandle<Handle>, int> = 0>
HGDIOBJ AsGdiObject(Handle handle)
{
    return reinterpret_cast<HGDIOBJ>(handle);
}

HGDIOBJ GetStockObject(int index);
BOOL DeleteObject(HGDIOBJ handle);
DWORD GetObjectType(HGDIOBJ handle);
// Fills a LOGFONT (fonts) or a BITMAP (bitmaps); returns the bytes written, 0 on failure.
int GetObject(HGDIOBJ handle, int size, void* buffer);
template <class Handle, std::enable_if_t<IsGdiHandle<Handle>, int> = 0>
BOOL DeleteObject(Handle handle)
{
    return DeleteObject(AsGdiObject(handle));
}
template <class Handle, std::enable_if_t<IsGdiHandle<Handle>, int> = 0>
int GetObject(Handle handle, int size, void* buffer)
{
    return GetObject(AsGdiObject(handle), size, buffer);
}

HPEN CreatePen(int style, int width, COLORREF color);
HBRUSH CreateSolidBrush(COLORREF color);
HBRUSH CreateHatchBrush(int hatch, COLORREF color);
HFONT CreateFontIndirect(const LOGFONT* font);

// Regions are sets of rectangles in device coordinates.
HRGN CreateRectRgn(int left, int top, int right, int bottom);
HRGN CreateRectRgnIndirect(const RECT* rc);
// dst = a (mode) b; RGN_COPY copies a. Returns NULLREGION, SIMPLEREGION, COMPLEXREGION or RGN_ERROR.
int CombineRgn(HRGN dst, HRGN a, HRGN b, int mode);
BOOL PtInRegion(HRGN rgn, int x, int y);
BOOL RectInRegion(HRGN rgn, const RECT* rc);
int GetRgnBox(HRGN rgn, LPRECT rc);
int OffsetRgn(HRGN rgn, int dx, int dy);

class CGdiObject {
public:
    HGDIOBJ m_hObject = nullptr;

    CGdiObject() = default;
    virtual ~CGdiObject();
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;

    HGDIOBJ GetSafeHandle() const { return m_hObject; }
    operator HGDIOBJ() const { return m_hObject; }

    // The C++ object that owns the handle, or a wrapper kept with the handle (stock
    // objects and handles made by the free functions). Null for an unknown handle.
    static CGdiObject* FromHandle(HGDIOBJ handle);
    template <class Handle, std::enable_if_t<IsGdiHandle<Handle>, int> = 0>
    static CGdiObject* FromHandle(Handle handle)
    {
        return FromHandle(AsGdiObject(handle));
    }

    BOOL Attach(HGDIOBJ handle);
    template <class Handle, std::enable_if_t<IsGdiHandle<Handle>, int> = 0>
    BOOL Attach(Handle handle)
    {
        return Attach(AsGdiObject(handle));
    }
    HGDIOBJ Detach();
    BOOL DeleteObject();
    BOOL CreateStockObject(int index);
    BOOL UnrealizeObject() { return m_hObject != nullptr; }
    int GetObject(int size, void* buffer) const { return ::GetObject(m_hObject, size, buffer); }
    UINT GetObjectType() const { return ::GetObjectType(m_hObject); }
};

class CPen : public CGdiObject {
public:
    CPen() = default;
    CPen(int style, int width, COLORREF color) { CreatePen(style, width, color); }
    BOOL CreatePen(int style, int width, COLORREF color);
    operator HPEN() const { return reinterpret_cast<HPEN>(m_hObject); }
    static CPen* FromHandle(HPEN handle);
};

class CBrush : public CGdiObject {
public:
    CBrush() = default;
    explicit CBrush(COLORREF color) { CreateSolidBrush(color); }
    CBrush(int hatch, COLORREF color) { CreateHatchBrush(hatch, color); }
    BOOL CreateSolidBrush(COLORREF color);
    BOOL CreateHatchBrush(int hatch, COLORREF color);
    operator HBRUSH() const { return reinterpret_cast<HBRUSH>(m_hObject); }
    static CBrush* FromHandle(HBRUSH handle);
};

class CFont : public CGdiObject {
public:
    // Win32 arguments: height < 0 is the character height in pixels, > 0 the cell
    // height, 0 a default; weight FW_NORMAL / FW_BOLD; face name of an installed family
    // (unknown faces fall back to the default sans-serif family).
    BOOL CreateFont(int height, int width, int escapement, int orientation, int weight, BYTE italic,
                    BYTE underline, BYTE strikeOut, BYTE charSet, BYTE outPrecision, BYTE clipPrecision,
                    BYTE quality, BYTE pitchAndFamily, LPCTSTR faceName);
    BOOL CreateFontIndirect(const LOGFONT* font);
    // Size in tenths of a point at 96 pixels per inch.
    BOOL CreatePointFont(int pointSize, LPCTSTR faceName, CDC* pDC = nullptr);
    int GetLogFont(LOGFONT* font) const { return GetObject(sizeof(LOGFONT), font); }
    operator HFONT() const { return reinterpret_cast<HFONT>(m_hObject); }
    static CFont* FromHandle(HFONT handle);
};

class CBitmap : public CGdiObject {
public:
    // A bitmap of w x h pixels in the surface format, white; selectable into a memory DC.
    BOOL CreateCompatibleBitmap(CDC* pDC, int width, int height);
    // 32 bits per pixel only: rows of 0x00RRGGBB values, top-down, no padding; null bits: white.
    BOOL CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits);
    int GetBitmap(BITMAP* info) const { return GetObject(sizeof(BITMAP), info); }
    CSize GetBitmapDimension() const;
    // The bitmap's pixels (platform use); null without a handle.
    CSurface* GetSurface() const;
    operator HBITMAP() const { return reinterpret_cast<HBITMAP>(m_hObject); }
    static CBitmap* FromHandle(HBITMAP handle);
};

class CRgn : public CGdiObject {
public:
    BOOL CreateRectRgn(int left, int top, int right, int bottom);
    BOOL CreateRectRgnIndirect(LPCRECT rc);
    int CombineRgn(const CRgn* a, const CRgn* b, int mode);
    int CopyRgn(const CRgn* src) { return CombineRgn(src, nullptr, RGN_COPY); }
    void SetRectRgn(int left, int top, int right, int bottom);
    void SetRectRgn(LPCRECT rc) { SetRectRgn(rc->left, rc->top, rc->right, rc->bottom); }
    int OffsetRgn(int dx, int dy) { return ::OffsetRgn(*this, dx, dy); }
    BOOL PtInRegion(int x, int y) const { return ::PtInRegion(*this, x, y); }
    BOOL PtInRegion(POINT p) const { return ::PtInRegion(*this, p.x, p.y); }
    BOOL RectInRegion(LPCRECT rc) const { return ::RectInRegion(*this, rc); }
    int GetRgnBox(LPRECT rc) const { return ::GetRgnBox(*this, rc); }
    BOOL EqualRgn(const CRgn* other) const;
    // The region's rectangles, disjoint, top to bottom (the region data).
    std::vector<CRect> GetRects() const;
    operator HRGN() const { return reinterpret_cast<HRGN>(m_hObject); }
    static CRgn* FromHandle(HRGN handle);
};

// A true-colour surface needs no palette: palettes exist so that code written for
// palette devices runs unchanged. The only palette is the stock DEFAULT_PALETTE.
class CPalette : public CGdiObject {
public:
    operator HPALETTE() const { return reinterpret_cast<HPALETTE>(m_hObject); }
    static CPalette* FromHandle(HPALETTE handle);
};
