// CDC: lifetime, placement, saved states, clipping, object selection and attributes.
#include "platform/DC.h"

#include "platform/DCImpl.h"

#include <unordered_set>

using gdi::Kind;
using gdi::Object;
using gdi::Ref;

namespace {

// Live device contexts by handle (the handle is the address of the DC's Impl).
// Never destroyed, for the same reason as the object registry.
std::unordered_set<const CDC::Impl*>& LiveDCs()
{
    static auto* live = new std::unordered_set<const CDC::Impl*>();
    return *live;
}

// The whole device plane: where there is no device clip or user clip.
const QRect kUnlimited(-(1 << 26), -(1 << 26), 1 << 27, 1 << 27);

int RegionType(const QRegion& region)
{
    if (region.isEmpty())
        return NULLREGION;
    return region.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

gdi::DCState DefaultState()
{
    gdi::DCState state;
    state.pen = Ref(gdi::Stock(BLACK_PEN));
    state.brush = Ref(gdi::Stock(WHITE_BRUSH));
    state.font = Ref(gdi::Stock(SYSTEM_FONT));
    return state;
}

// A default bitmap for memory DCs: 1 x 1, as GDI gives them.
Object* DefaultBitmap()
{
    static Object* bitmap = [] {
        Object* object = gdi::Create(Kind::Bitmap);
        object->stock = true;
        object->bitmap = std::make_unique<CSurface>(1, 1);
        return object;
    }();
    return bitmap;
}

template <class T>
T* ObjectClass(Object* object)
{
    return object ? dynamic_cast<T*>(CGdiObject::FromHandle(object->Handle())) : nullptr;
}

}  // namespace

// Impl

CSurface* CDC::Impl::Target() const
{
    if (memory)
        return state.bitmap ? state.bitmap->bitmap.get() : nullptr;
    return attached;
}

QRect CDC::Impl::ToSurface(int left, int top, int right, int bottom) const
{
    if (right < left)
        std::swap(left, right);
    if (bottom < top)
        std::swap(top, bottom);
    QPoint offset = Offset();
    return QRect(left + offset.x(), top + offset.y(), right - left, bottom - top);
}

const QRegion& CDC::Impl::Clip() const
{
    CSurface* surface = Target();
    QSize size = surface ? QSize(surface->Width(), surface->Height()) : QSize();
    if (!clipValid || size != clipSurfaceSize) {
        QRegion region(QRect(QPoint(0, 0), size));
        if (deviceClip)
            region &= deviceClip->translated(deviceOrigin);
        if (state.userClip)
            region &= state.userClip->translated(deviceOrigin);
        clip = region;
        clipSurfaceSize = size;
        clipValid = true;
    }
    return clip;
}

void CDC::Impl::Changed(const QRect& surfaceRect) const
{
    CSurface* surface = Target();
    QRect changed = surfaceRect & Clip().boundingRect();
    if (surface && !changed.isEmpty())
        surface->NotifyChanged(CRect(changed.left(), changed.top(), changed.right() + 1, changed.bottom() + 1));
}

// Lifetime

CDC::CDC() : m_impl(std::make_unique<Impl>())
{
    m_impl->owner = this;
    LiveDCs().insert(m_impl.get());
}

CDC::CDC(CSurface* surface) : CDC()
{
    Attach(surface);
}

CDC::~CDC()
{
    LiveDCs().erase(m_impl.get());
}

BOOL CDC::Attach(CSurface* surface)
{
    if (!surface || m_hDC)
        return FALSE;
    m_impl->attached = surface;
    m_impl->memory = false;
    m_impl->deviceOrigin = QPoint();
    m_impl->deviceClip.reset();
    m_impl->state = DefaultState();
    m_impl->saved.clear();
    m_impl->InvalidateClip();
    m_hDC = reinterpret_cast<HDC>(m_impl.get());
    return TRUE;
}

CSurface* CDC::Detach()
{
    CSurface* surface = m_impl->attached;
    m_impl->attached = nullptr;
    m_impl->memory = false;
    m_impl->state = gdi::DCState();
    m_impl->saved.clear();
    m_impl->InvalidateClip();
    m_hDC = nullptr;
    return surface;
}

BOOL CDC::CreateCompatibleDC(CDC* /*pDC*/)
{
    if (m_hDC)
        return FALSE;
    m_impl->memory = true;
    m_impl->state = DefaultState();
    m_impl->state.bitmap = Ref(DefaultBitmap());
    m_impl->InvalidateClip();
    m_hDC = reinterpret_cast<HDC>(m_impl.get());
    return TRUE;
}

BOOL CDC::DeleteDC()
{
    if (!m_hDC)
        return FALSE;
    Detach();
    return TRUE;
}

CDC* CDC::FromHandle(HDC hdc)
{
    const auto* impl = reinterpret_cast<const Impl*>(hdc);
    if (!hdc || LiveDCs().count(impl) == 0)
        return nullptr;
    return impl->owner->m_hDC == hdc ? impl->owner : nullptr;
}

CSurface* CDC::GetSurface() const
{
    return m_impl->Target();
}

// Placement

void CDC::SetDeviceOrigin(int x, int y)
{
    m_impl->deviceOrigin = QPoint(x, y);
    m_impl->InvalidateClip();
}

CPoint CDC::GetDeviceOrigin() const
{
    return CPoint(m_impl->deviceOrigin.x(), m_impl->deviceOrigin.y());
}

void CDC::SetDeviceClip(const CRect& rc)
{
    m_impl->deviceClip = rc.IsRectEmpty() ? QRect() : QRect(rc.left, rc.top, rc.Width(), rc.Height());
    m_impl->InvalidateClip();
}

CRect CDC::GetDeviceClip() const
{
    QRect rc = m_impl->deviceClip.value_or(kUnlimited);
    return rc.isEmpty() ? CRect() : CRect(rc.left(), rc.top(), rc.right() + 1, rc.bottom() + 1);
}

// Saved states

int CDC::SaveDC()
{
    if (!m_hDC)
        return 0;
    m_impl->saved.push_back(m_impl->state);
    return static_cast<int>(m_impl->saved.size());
}

BOOL CDC::RestoreDC(int savedDC)
{
    const int levels = static_cast<int>(m_impl->saved.size());
    const int level = savedDC < 0 ? levels + 1 + savedDC : savedDC;
    if (!m_hDC || level < 1 || level > levels)
        return FALSE;
    m_impl->state = m_impl->saved[level - 1];
    m_impl->saved.resize(level - 1);
    m_impl->InvalidateClip();
    return TRUE;
}

// Viewport

CPoint CDC::SetViewportOrg(int x, int y)
{
    QPoint previous = m_impl->state.viewportOrg;
    m_impl->state.viewportOrg = QPoint(x, y);
    return CPoint(previous.x(), previous.y());
}

CPoint CDC::OffsetViewportOrg(int dx, int dy)
{
    QPoint previous = m_impl->state.viewportOrg;
    m_impl->state.viewportOrg += QPoint(dx, dy);
    return CPoint(previous.x(), previous.y());
}

CPoint CDC::GetViewportOrg() const
{
    return CPoint(m_impl->state.viewportOrg.x(), m_impl->state.viewportOrg.y());
}

void CDC::LPtoDP(LPPOINT points, int count) const
{
    for (int i = 0; i < count; ++i) {
        points[i].x += m_impl->state.viewportOrg.x();
        points[i].y += m_impl->state.viewportOrg.y();
    }
}

void CDC::LPtoDP(LPRECT rc) const
{
    LPtoDP(reinterpret_cast<LPPOINT>(rc), 2);
}

void CDC::DPtoLP(LPPOINT points, int count) const
{
    for (int i = 0; i < count; ++i) {
        points[i].x -= m_impl->state.viewportOrg.x();
        points[i].y -= m_impl->state.viewportOrg.y();
    }
}

void CDC::DPtoLP(LPRECT rc) const
{
    DPtoLP(reinterpret_cast<LPPOINT>(rc), 2);
}

// Clipping

int CDC::IntersectClipRect(int left, int top, int right, int bottom)
{
    QRect rc = m_impl->ToSurface(left, top, right, bottom).translated(-m_impl->deviceOrigin);
    auto& userClip = m_impl->state.userClip;
    userClip = userClip ? userClip->intersected(rc) : QRegion(rc);
    m_impl->InvalidateClip();
    return RegionType(m_impl->Clip());
}

int CDC::ExcludeClipRect(int left, int top, int right, int bottom)
{
    QRect rc = m_impl->ToSurface(left, top, right, bottom).translated(-m_impl->deviceOrigin);
    auto& userClip = m_impl->state.userClip;
    userClip = userClip.value_or(QRegion(kUnlimited)).subtracted(rc);
    m_impl->InvalidateClip();
    return RegionType(m_impl->Clip());
}

int CDC::SelectClipRgn(CRgn* pRgn)
{
    return SelectClipRgn(pRgn, RGN_COPY);
}

int CDC::SelectClipRgn(CRgn* pRgn, int mode)
{
    Object* region = pRgn ? gdi::Lookup(pRgn->m_hObject, Kind::Region) : nullptr;
    auto& userClip = m_impl->state.userClip;
    if (mode == RGN_COPY) {
        if (pRgn && !region)
            return RGN_ERROR;
        userClip = region ? std::optional<QRegion>(region->region) : std::nullopt;
    } else {
        if (!region)
            return RGN_ERROR;
        QRegion current = userClip.value_or(QRegion(kUnlimited));
        switch (mode) {
        case RGN_AND: userClip = current.intersected(region->region); break;
        case RGN_OR: userClip = current.united(region->region); break;
        case RGN_XOR: userClip = current.xored(region->region); break;
        case RGN_DIFF: userClip = current.subtracted(region->region); break;
        default: return RGN_ERROR;
        }
    }
    m_impl->InvalidateClip();
    return RegionType(m_impl->Clip());
}

int CDC::GetClipBox(LPRECT rc) const
{
    const QRegion& clip = m_impl->Clip();
    QRect box = clip.boundingRect().translated(-m_impl->Offset());
    if (rc)
        *rc = clip.isEmpty() ? RECT{0, 0, 0, 0} : RECT{box.left(), box.top(), box.right() + 1, box.bottom() + 1};
    return RegionType(clip);
}

BOOL CDC::PtVisible(int x, int y) const
{
    return m_impl->Clip().contains(m_impl->ToSurface(x, y));
}

BOOL CDC::RectVisible(LPCRECT rc) const
{
    return rc && m_impl->Clip().intersects(m_impl->ToSurface(rc->left, rc->top, rc->right, rc->bottom));
}

// Objects

CGdiObject* CDC::SelectObject(CGdiObject* pObject)
{
    Object* object = pObject ? gdi::Lookup(pObject->m_hObject) : nullptr;
    if (!object || !m_hDC)
        return nullptr;
    gdi::DCState& state = m_impl->state;
    Ref* slot = nullptr;
    switch (object->kind) {
    case Kind::Pen: slot = &state.pen; break;
    case Kind::Brush: slot = &state.brush; break;
    case Kind::Font: slot = &state.font; break;
    case Kind::Bitmap:
        if (!m_impl->memory)
            return nullptr;
        slot = &state.bitmap;
        m_impl->InvalidateClip();
        break;
    case Kind::Region: SelectClipRgn(static_cast<CRgn*>(pObject)); return nullptr;
    case Kind::Palette: return nullptr;
    }
    Ref previous = *slot;
    *slot = Ref(object);
    return previous ? CGdiObject::FromHandle(previous->Handle()) : nullptr;
}

CPen* CDC::SelectObject(CPen* pPen)
{
    return dynamic_cast<CPen*>(SelectObject(static_cast<CGdiObject*>(pPen)));
}

CBrush* CDC::SelectObject(CBrush* pBrush)
{
    return dynamic_cast<CBrush*>(SelectObject(static_cast<CGdiObject*>(pBrush)));
}

CFont* CDC::SelectObject(CFont* pFont)
{
    return dynamic_cast<CFont*>(SelectObject(static_cast<CGdiObject*>(pFont)));
}

CBitmap* CDC::SelectObject(CBitmap* pBitmap)
{
    return dynamic_cast<CBitmap*>(SelectObject(static_cast<CGdiObject*>(pBitmap)));
}

CGdiObject* CDC::SelectStockObject(int index)
{
    return SelectObject(CGdiObject::FromHandle(GetStockObject(index)));
}

CPen* CDC::GetCurrentPen() const { return ObjectClass<CPen>(m_impl->Pen()); }
CBrush* CDC::GetCurrentBrush() const { return ObjectClass<CBrush>(m_impl->Brush()); }
CFont* CDC::GetCurrentFont() const { return ObjectClass<CFont>(m_impl->Font()); }
CBitmap* CDC::GetCurrentBitmap() const { return ObjectClass<CBitmap>(m_impl->state.bitmap.get()); }

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

template <class T>
static T Exchange(T& field, T value)
{
    T previous = field;
    field = value;
    return previous;
}

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
