// CDC: lifetime, placement, saved states, viewport and clipping.
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
