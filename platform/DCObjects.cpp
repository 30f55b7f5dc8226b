// CDC object selection, attributes, device capabilities and the handle forms of calls.
#include "platform/DC.h"

#include "platform/DCImpl.h"

using gdi::Kind;
using gdi::Object;
using gdi::Ref;

namespace {

// The C++ object of the class asked for that stands for a selected object.
template <class T, class Handle>
T* ObjectClass(Object* object)
{
    return object ? T::FromHandle(reinterpret_cast<Handle>(object->Handle())) : nullptr;
}

template <class T>
T Exchange(T& field, T value)
{
    T previous = field;
    field = value;
    return previous;
}

}  // namespace

// Objects

namespace {

// Selects an object into its slot; returns the previous object, or null when there was
// none, when the object cannot be selected, or when the previous one had been deleted.
Object* Select(CDC::Impl& dc, Object* object)
{
    gdi::DCState& state = dc.state;
    Ref* slot = nullptr;
    switch (object->kind) {
    case Kind::Pen: slot = &state.pen; break;
    case Kind::Brush: slot = &state.brush; break;
    case Kind::Font: slot = &state.font; break;
    case Kind::Bitmap:
        if (!dc.memory)
            return nullptr;
        slot = &state.bitmap;
        dc.InvalidateClip();
        break;
    case Kind::Region:
    case Kind::Palette: return nullptr;
    }
    Ref previous = *slot;
    *slot = Ref(object);
    // Checked while still held: an object that is not pending stays alive without us.
    return previous && !previous->deletePending ? previous.get() : nullptr;
}

}  // namespace

CGdiObject* CDC::SelectObject(CGdiObject* pObject)
{
    Object* object = pObject ? gdi::Lookup(pObject->m_hObject) : nullptr;
    if (!object || !m_hDC)
        return nullptr;
    if (object->kind == Kind::Region) {
        SelectClipRgn(CRgn::FromHandle(reinterpret_cast<HRGN>(object->Handle())));
        return nullptr;
    }
    Object* previous = Select(*m_impl, object);
    return previous ? CGdiObject::FromHandle(previous->Handle()) : nullptr;
}

template <class T, class Handle>
static T* SelectTyped(CDC::Impl& dc, HDC hdc, T* pObject, gdi::Kind kind)
{
    Object* object = pObject ? gdi::Lookup(pObject->m_hObject, kind) : nullptr;
    if (!object || !hdc)
        return nullptr;
    return ObjectClass<T, Handle>(Select(dc, object));
}

CPen* CDC::SelectObject(CPen* pPen)
{
    return SelectTyped<CPen, HPEN>(*m_impl, m_hDC, pPen, Kind::Pen);
}

CBrush* CDC::SelectObject(CBrush* pBrush)
{
    return SelectTyped<CBrush, HBRUSH>(*m_impl, m_hDC, pBrush, Kind::Brush);
}

CFont* CDC::SelectObject(CFont* pFont)
{
    return SelectTyped<CFont, HFONT>(*m_impl, m_hDC, pFont, Kind::Font);
}

CBitmap* CDC::SelectObject(CBitmap* pBitmap)
{
    return SelectTyped<CBitmap, HBITMAP>(*m_impl, m_hDC, pBitmap, Kind::Bitmap);
}

CGdiObject* CDC::SelectStockObject(int index)
{
    return SelectObject(CGdiObject::FromHandle(GetStockObject(index)));
}

CPen* CDC::GetCurrentPen() const { return ObjectClass<CPen, HPEN>(m_impl->Pen()); }
CBrush* CDC::GetCurrentBrush() const { return ObjectClass<CBrush, HBRUSH>(m_impl->Brush()); }
CFont* CDC::GetCurrentFont() const { return ObjectClass<CFont, HFONT>(m_impl->Font()); }
CBitmap* CDC::GetCurrentBitmap() const { return ObjectClass<CBitmap, HBITMAP>(m_impl->state.bitmap.get()); }

CPalette* CDC::SelectPalette(CPalette* /*pPalette*/, BOOL /*forceBackground*/)
{
    // True colour: the default palette stays selected and is reported as the previous one.
    return m_hDC ? CPalette::FromHandle(reinterpret_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE))) : nullptr;
}

UINT CDC::RealizePalette()
{
    return 0;  // no palette entries need mapping on a true-colour surface
}

// Attributes

int CDC::SetROP2(int drawMode)
{
    return drawMode >= R2_BLACK && drawMode <= R2_WHITE ? Exchange(m_impl->state.rop2, drawMode) : 0;
}
int CDC::GetROP2() const { return m_impl->state.rop2; }
COLORREF CDC::SetTextColor(COLORREF color) { return Exchange(m_impl->state.textColor, color & 0xFFFFFFu); }
COLORREF CDC::GetTextColor() const { return m_impl->state.textColor; }
COLORREF CDC::SetBkColor(COLORREF color) { return Exchange(m_impl->state.bkColor, color & 0xFFFFFFu); }
COLORREF CDC::GetBkColor() const { return m_impl->state.bkColor; }
int CDC::SetBkMode(int mode)
{
    return mode == TRANSPARENT || mode == OPAQUE ? Exchange(m_impl->state.bkMode, mode) : 0;
}
int CDC::GetBkMode() const { return m_impl->state.bkMode; }
UINT CDC::SetTextAlign(UINT flags) { return Exchange(m_impl->state.textAlign, flags); }
UINT CDC::GetTextAlign() const { return m_impl->state.textAlign; }
int CDC::SetStretchBltMode(int mode)
{
    return mode >= BLACKONWHITE && mode <= HALFTONE ? Exchange(m_impl->state.stretchMode, mode) : 0;
}
int CDC::GetStretchBltMode() const { return m_impl->state.stretchMode; }

int CDC::GetDeviceCaps(int index) const
{
    CSurface* surface = m_impl->Target();
    switch (index) {
    case HORZRES: return surface ? surface->Width() : 0;
    case VERTRES: return surface ? surface->Height() : 0;
    case HORZSIZE: return surface ? MulDiv(surface->Width(), 254, 960) : 0;
    case VERTSIZE: return surface ? MulDiv(surface->Height(), 254, 960) : 0;
    case LOGPIXELSX:
    case LOGPIXELSY: return 96;
    case BITSPIXEL: return 32;
    case PLANES: return 1;
    case NUMCOLORS: return -1;
    case RASTERCAPS: return 0;  // no RC_PALETTE
    case SIZEPALETTE: return 0;
    default: return 0;
    }
}

// Handle forms

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object)
{
    CDC* dc = CDC::FromHandle(hdc);
    CGdiObject* previous = dc ? dc->SelectObject(CGdiObject::FromHandle(object)) : nullptr;
    return previous ? previous->m_hObject : nullptr;
}

HPALETTE SelectPalette(HDC hdc, HPALETTE palette, BOOL forceBackground)
{
    CDC* dc = CDC::FromHandle(hdc);
    CPalette* previous = dc ? dc->SelectPalette(CPalette::FromHandle(palette), forceBackground) : nullptr;
    return previous ? static_cast<HPALETTE>(*previous) : nullptr;
}

UINT RealizePalette(HDC hdc)
{
    CDC* dc = CDC::FromHandle(hdc);
    return dc ? dc->RealizePalette() : 0;
}

int GetDeviceCaps(HDC hdc, int index)
{
    CDC* dc = CDC::FromHandle(hdc);
    return dc ? dc->GetDeviceCaps(index) : 0;
}

int SetStretchBltMode(HDC hdc, int mode)
{
    CDC* dc = CDC::FromHandle(hdc);
    return dc ? dc->SetStretchBltMode(mode) : 0;
}

int StretchDIBits(HDC hdc, int xDst, int yDst, int dstWidth, int dstHeight, int xSrc, int ySrc, int srcWidth,
                  int srcHeight, const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop)
{
    CDC* dc = CDC::FromHandle(hdc);
    return dc ? dc->StretchDIBits(xDst, yDst, dstWidth, dstHeight, xSrc, ySrc, srcWidth, srcHeight, bits, info,
                                  usage, rop)
              : 0;
}
