// Regions and the C++ drawing-object classes over the handle registry.
#include "platform/GdiObjects.h"

#include "platform/DC.h"
#include "platform/GdiObjectsImpl.h"
#include "platform/SurfaceAccess.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

using gdi::Kind;
using gdi::Object;

namespace {

QRect ToQRect(int left, int top, int right, int bottom)
{
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)).normalized();
}

int RegionType(const QRegion& region)
{
    if (region.isEmpty())
        return NULLREGION;
    return region.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

// Empty rectangles make empty regions, as in GDI (a QRect with right < left would not).
QRegion RectRegion(int left, int top, int right, int bottom)
{
    if (right <= left || bottom <= top)
        return QRegion();
    return QRegion(ToQRect(left, top, right, bottom));
}

// The wrapper that stands for a handle no C++ object of the right class owns.
CGdiObject* WrapperOf(Object* object)
{
    if (!object->wrapper) {
        switch (object->kind) {
        case Kind::Pen: object->wrapper = std::make_unique<CPen>(); break;
        case Kind::Brush: object->wrapper = std::make_unique<CBrush>(); break;
        case Kind::Font: object->wrapper = std::make_unique<CFont>(); break;
        case Kind::Bitmap: object->wrapper = std::make_unique<CBitmap>(); break;
        case Kind::Region: object->wrapper = std::make_unique<CRgn>(); break;
        case Kind::Palette: object->wrapper = std::make_unique<CPalette>(); break;
        }
        object->wrapper->m_hObject = object->Handle();
    }
    return object->wrapper.get();
}

// The owner when it is of the class asked for (a CGdiObject that merely attached a pen
// handle is not a CPen), else the wrapper; null for a handle of another kind.
template <class T, class Handle>
T* FromHandleAs(Handle handle)
{
    Object* object = gdi::Lookup(reinterpret_cast<HGDIOBJ>(handle));
    if (!object)
        return nullptr;
    if (T* owner = dynamic_cast<T*>(object->owner))
        return owner;
    return dynamic_cast<T*>(WrapperOf(object));
}

}  // namespace

HRGN CreateRectRgn(int left, int top, int right, int bottom)
{
    Object* object = gdi::Create(Kind::Region);
    object->region = RectRegion(left, top, right, bottom);
    return reinterpret_cast<HRGN>(object->Handle());
}

HRGN CreateRectRgnIndirect(const RECT* rc)
{
    return rc ? CreateRectRgn(rc->left, rc->top, rc->right, rc->bottom) : nullptr;
}

int CombineRgn(HRGN dst, HRGN a, HRGN b, int mode)
{
    Object* target = gdi::LookupAs(dst, Kind::Region);
    Object* first = gdi::LookupAs(a, Kind::Region);
    Object* second = gdi::LookupAs(b, Kind::Region);
    if (!target || !first || (mode != RGN_COPY && !second))
        return RGN_ERROR;
    switch (mode) {
    case RGN_AND: target->region = first->region.intersected(second->region); break;
    case RGN_OR: target->region = first->region.united(second->region); break;
    case RGN_XOR: target->region = first->region.xored(second->region); break;
    case RGN_DIFF: target->region = first->region.subtracted(second->region); break;
    case RGN_COPY: target->region = first->region; break;
    default: return RGN_ERROR;
    }
    return RegionType(target->region);
}

BOOL PtInRegion(HRGN rgn, int x, int y)
{
    Object* object = gdi::LookupAs(rgn, Kind::Region);
    return object && object->region.contains(QPoint(x, y));
}

BOOL RectInRegion(HRGN rgn, const RECT* rc)
{
    Object* object = gdi::LookupAs(rgn, Kind::Region);
    return object && rc && object->region.intersects(RectRegion(rc->left, rc->top, rc->right, rc->bottom));
}

int GetRgnBox(HRGN rgn, LPRECT rc)
{
    Object* object = gdi::LookupAs(rgn, Kind::Region);
    if (!object || !rc)
        return RGN_ERROR;
    QRect box = object->region.boundingRect();
    *rc = box.isEmpty() ? RECT{0, 0, 0, 0} : RECT{box.left(), box.top(), box.right() + 1, box.bottom() + 1};
    return RegionType(object->region);
}

int OffsetRgn(HRGN rgn, int dx, int dy)
{
    Object* object = gdi::LookupAs(rgn, Kind::Region);
    if (!object)
        return RGN_ERROR;
    object->region.translate(dx, dy);
    return RegionType(object->region);
}

// CGdiObject

CGdiObject::~CGdiObject()
{
    DeleteObject();
}

CGdiObject* CGdiObject::FromHandle(HGDIOBJ handle)
{
    Object* object = gdi::Lookup(handle);
    if (!object)
        return nullptr;
    return object->owner ? object->owner : WrapperOf(object);
}

BOOL CGdiObject::Attach(HGDIOBJ handle)
{
    Object* object = gdi::Lookup(handle);
    if (m_hObject || !object)
        return FALSE;
    if (object->owner) {
        // Several C++ objects may stand for one stock object, none owning it.
        if (!object->stock)
            return FALSE;
    } else {
        object->owner = this;
    }
    m_hObject = handle;
    return TRUE;
}

HGDIOBJ CGdiObject::Detach()
{
    HGDIOBJ handle = m_hObject;
    m_hObject = nullptr;
    if (Object* object = gdi::Lookup(handle); object && object->owner == this)
        object->owner = nullptr;
    return handle;
}

BOOL CGdiObject::DeleteObject()
{
    if (!m_hObject)
        return FALSE;
    // For a wrapper from FromHandle this frees the wrapper itself along with the handle,
    // as the framework's temporary objects go with their handle: nothing here touches
    // the object after the call.
    return ::DeleteObject(Detach());
}

BOOL CGdiObject::CreateStockObject(int index)
{
    return Attach(GetStockObject(index));
}

// Derived classes

BOOL CPen::CreatePen(int style, int width, COLORREF color)
{
    return Attach(::CreatePen(style, width, color));
}

CPen* CPen::FromHandle(HPEN handle)
{
    return FromHandleAs<CPen>(handle);
}

BOOL CBrush::CreateSolidBrush(COLORREF color)
{
    return Attach(::CreateSolidBrush(color));
}

BOOL CBrush::CreateHatchBrush(int hatch, COLORREF color)
{
    return Attach(::CreateHatchBrush(hatch, color));
}

CBrush* CBrush::FromHandle(HBRUSH handle)
{
    return FromHandleAs<CBrush>(handle);
}

BOOL CFont::CreateFont(int height, int width, int escapement, int orientation, int weight, BYTE italic,
                       BYTE underline, BYTE strikeOut, BYTE charSet, BYTE outPrecision, BYTE clipPrecision,
                       BYTE quality, BYTE pitchAndFamily, LPCTSTR faceName)
{
    LOGFONT lf{height, width, escapement, orientation, weight, italic, underline, strikeOut, charSet,
               outPrecision, clipPrecision, quality, pitchAndFamily, {}};
    if (faceName)
        std::strncpy(lf.lfFaceName, faceName, LF_FACESIZE - 1);
    return CreateFontIndirect(&lf);
}

BOOL CFont::CreateFontIndirect(const LOGFONT* font)
{
    return Attach(::CreateFontIndirect(font));
}

BOOL CFont::CreatePointFont(int pointSize, LPCTSTR faceName, CDC* pDC)
{
    int dpi = pDC ? pDC->GetDeviceCaps(LOGPIXELSY) : 96;
    LOGFONT lf{};
    lf.lfHeight = -std::abs(MulDiv(dpi, pointSize, 720));
    lf.lfWeight = FW_NORMAL;
    if (faceName)
        std::strncpy(lf.lfFaceName, faceName, LF_FACESIZE - 1);
    return CreateFontIndirect(&lf);
}

CFont* CFont::FromHandle(HFONT handle)
{
    return FromHandleAs<CFont>(handle);
}

BOOL CBitmap::CreateCompatibleBitmap(CDC* /*pDC*/, int width, int height)
{
    // Every surface is 32-bit RGB, so the DC does not change the format.
    if (width <= 0 || height <= 0)
        return FALSE;
    Object* object = gdi::Create(Kind::Bitmap);
    object->bitmap = std::make_unique<CSurface>(width, height);
    return Attach(object->Handle());
}

BOOL CBitmap::CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits)
{
    if (planes != 1 || bitsPerPixel != 32 || !CreateCompatibleBitmap(nullptr, width, height))
        return FALSE;
    if (bits) {
        QImage& image = SurfaceImage(*GetSurface());
        const auto* source = static_cast<const quint32*>(bits);
        for (int y = 0; y < height; ++y) {
            auto* row = reinterpret_cast<quint32*>(image.scanLine(y));
            for (int x = 0; x < width; ++x)
                row[x] = source[static_cast<qsizetype>(y) * width + x] | 0xFF000000u;
        }
    }
    return TRUE;
}

CSize CBitmap::GetBitmapDimension() const
{
    CSurface* surface = GetSurface();
    return surface ? CSize(surface->Width(), surface->Height()) : CSize();
}

CSurface* CBitmap::GetSurface() const
{
    Object* object = gdi::Lookup(m_hObject, Kind::Bitmap);
    return object ? object->bitmap.get() : nullptr;
}

CBitmap* CBitmap::FromHandle(HBITMAP handle)
{
    return FromHandleAs<CBitmap>(handle);
}

BOOL CRgn::CreateRectRgn(int left, int top, int right, int bottom)
{
    return Attach(::CreateRectRgn(left, top, right, bottom));
}

BOOL CRgn::CreateRectRgnIndirect(LPCRECT rc)
{
    return Attach(::CreateRectRgnIndirect(rc));
}

int CRgn::CombineRgn(const CRgn* a, const CRgn* b, int mode)
{
    return ::CombineRgn(*this, a ? static_cast<HRGN>(*a) : nullptr, b ? static_cast<HRGN>(*b) : nullptr, mode);
}

void CRgn::SetRectRgn(int left, int top, int right, int bottom)
{
    if (Object* object = gdi::LookupAs(m_hObject, Kind::Region))
        object->region = RectRegion(left, top, right, bottom);
}

BOOL CRgn::EqualRgn(const CRgn* other) const
{
    Object* mine = gdi::LookupAs(m_hObject, Kind::Region);
    Object* theirs = other ? gdi::LookupAs(other->m_hObject, Kind::Region) : nullptr;
    return mine && theirs && mine->region == theirs->region;
}

std::vector<CRect> CRgn::GetRects() const
{
    std::vector<CRect> rects;
    if (Object* object = gdi::LookupAs(m_hObject, Kind::Region))
        for (const QRect& r : object->region)
            rects.emplace_back(r.left(), r.top(), r.right() + 1, r.bottom() + 1);
    return rects;
}

CRgn* CRgn::FromHandle(HRGN handle)
{
    return FromHandleAs<CRgn>(handle);
}

CPalette* CPalette::FromHandle(HPALETTE handle)
{
    return FromHandleAs<CPalette>(handle);
}
