// Invalidation, WM_PAINT and the window device contexts.
#include "platform/SurfaceAccess.h"
#include "platform/WndDC.h"
#include "platform/WndInternal.h"
#include "platform/WndQueue.h"

#include <algorithm>
#include <unordered_map>

namespace {

// DCs handed out by handle (BeginPaint, GetDC, GetWindowDC) until they are released.
std::unordered_map<HDC, std::unique_ptr<CDC>>& OpenDCs()
{
    static std::unordered_map<HDC, std::unique_ptr<CDC>> dcs;
    return dcs;
}

CRect ToCRect(const QRect& r)
{
    return r.isEmpty() ? CRect() : CRect(r.left(), r.top(), r.right() + 1, r.bottom() + 1);
}

// Attaches a DC to the window's surface with its origin on the client area (or the
// whole window) and the given clip (device coordinates).
void PlaceDC(CDC& dc, WindowRecord& rec, bool whole, const CRect& clip)
{
    dc.Attach(rec.surface.get());
    const CRect client = wnd::ClientRectInWindow(rec);
    if (whole) {
        dc.SetDeviceOrigin(0, 0);
        dc.SetDeviceClip(clip);
    } else {
        dc.SetDeviceOrigin(client.left, client.top);
        dc.SetDeviceClip(clip);
    }
}

HDC OpenDC(HWND hWnd, bool whole)
{
    WindowRecord* rec = wnd::Find(hWnd);
    if (rec == nullptr)
        return nullptr;
    auto dc = std::make_unique<CDC>();
    const CRect client = wnd::ClientRectInWindow(*rec);
    PlaceDC(*dc, *rec, whole, whole ? CRect(0, 0, rec->rcWindow.Width(), rec->rcWindow.Height())
                                    : CRect(0, 0, client.Width(), client.Height()));
    HDC hdc = dc->GetSafeHdc();
    OpenDCs()[hdc] = std::move(dc);
    return hdc;
}

int Depth(const WindowRecord& rec)
{
    int depth = 0;
    for (const WindowRecord* r = &rec; r != nullptr && !wnd::IsTopLevel(*r); r = wnd::Find(r->parent))
        ++depth;
    return depth;
}

std::vector<HWND>& PaintCandidates()
{
    static std::vector<HWND> candidates;
    return candidates;
}

}  // namespace

namespace wnd {

void InvalidateFrame(WindowRecord& rec)
{
    rec.ncPaintPending = true;
    PaintCandidates().push_back(rec.hwnd);
    ScheduleProcessing();
}

void PresentSurface(WindowRecord& rec, const CRect& rc)
{
    if (rec.widget != nullptr)
        rec.widget->update(rc.left, rc.top, rc.Width(), rc.Height());
}

bool HasPendingPaint()
{
    auto& list = PaintCandidates();
    return std::any_of(list.begin(), list.end(), [](HWND h) {
        const WindowRecord* rec = Find(h);
        return rec != nullptr && IsWindowVisible(h) && (!rec->update.isEmpty() || rec->ncPaintPending);
    });
}

// Sends WM_NCPAINT and WM_PAINT to every visible window that needs it, parents first.
void PaintPendingWindows()
{
    std::vector<HWND> list;
    list.swap(PaintCandidates());
    std::sort(list.begin(), list.end());
    list.erase(std::unique(list.begin(), list.end()), list.end());
    std::stable_sort(list.begin(), list.end(), [](HWND a, HWND b) {
        const WindowRecord* ra = Find(a);
        const WindowRecord* rb = Find(b);
        return (ra != nullptr ? Depth(*ra) : 0) < (rb != nullptr ? Depth(*rb) : 0);
    });
    for (HWND h : list) {
        WindowRecord* rec = Find(h);
        if (rec == nullptr)
            continue;
        if (!IsWindowVisible(h)) {
            PaintCandidates().push_back(h);  // painted when shown
            continue;
        }
        if (rec->ncPaintPending && rec->update.isEmpty()) {
            rec->ncPaintPending = false;
            SendMessage(h, WM_NCPAINT, 1, 0);
        } else if (!rec->update.isEmpty()) {
            SendMessage(h, WM_PAINT, 0, 0);
            if (WindowRecord* after = Find(h))
                after->update = QRegion();  // a handler that never validated is not asked again
        }
    }
}

}  // namespace wnd

BOOL InvalidateRect(HWND hWnd, LPCRECT lpRect, BOOL bErase)
{
    WindowRecord* rec = wnd::Find(hWnd);
    if (rec == nullptr)
        return FALSE;
    const CRect client = wnd::ClientRectInWindow(*rec);
    QRect area(0, 0, client.Width(), client.Height());
    if (lpRect != nullptr)
        area &= QRect(lpRect->left, lpRect->top, lpRect->right - lpRect->left, lpRect->bottom - lpRect->top);
    if (!area.isEmpty())
        rec->update += area;
    rec->erasePending = rec->erasePending || bErase != FALSE;
    PaintCandidates().push_back(hWnd);
    wnd::ScheduleProcessing();
    return TRUE;
}

BOOL ValidateRect(HWND hWnd, LPCRECT lpRect)
{
    WindowRecord* rec = wnd::Find(hWnd);
    if (rec == nullptr)
        return FALSE;
    if (lpRect == nullptr)
        rec->update = QRegion();
    else
        rec->update -= QRect(lpRect->left, lpRect->top, lpRect->right - lpRect->left, lpRect->bottom - lpRect->top);
    return TRUE;
}

BOOL UpdateWindow(HWND hWnd)
{
    WindowRecord* rec = wnd::Find(hWnd);
    if (rec == nullptr || !IsWindowVisible(hWnd))
        return FALSE;
    if (rec->ncPaintPending && rec->update.isEmpty()) {
        rec->ncPaintPending = false;
        SendMessage(hWnd, WM_NCPAINT, 1, 0);
    }
    if (!rec->update.isEmpty())
        SendMessage(hWnd, WM_PAINT, 0, 0);
    if (WindowRecord* after = wnd::Find(hWnd))
        after->update = QRegion();
    return TRUE;
}

BOOL RedrawWindow(HWND hWnd, LPCRECT lprcUpdate, HRGN, UINT flags)
{
    WindowRecord* rec = wnd::Find(hWnd);
    if (rec == nullptr)
        return FALSE;
    if (flags & RDW_FRAME)
        wnd::InvalidateFrame(*rec);
    if (flags & RDW_INVALIDATE)
        InvalidateRect(hWnd, lprcUpdate, (flags & RDW_ERASE) != 0);
    if (flags & RDW_ALLCHILDREN)
        for (HWND child : std::vector<HWND>(rec->children))
            RedrawWindow(child, nullptr, nullptr, flags);
    if (flags & RDW_UPDATENOW)
        UpdateWindow(hWnd);
    return TRUE;
}

HDC BeginPaint(HWND hWnd, LPPAINTSTRUCT lpPaint)
{
    WindowRecord* rec = wnd::Find(hWnd);
    if (rec == nullptr)
        return nullptr;
    if (rec->ncPaintPending) {
        rec->ncPaintPending = false;
        SendMessage(hWnd, WM_NCPAINT, 1, 0);
        rec = wnd::Find(hWnd);
        if (rec == nullptr)
            return nullptr;
    }
    const CRect box = ToCRect(rec->update.boundingRect());
    const bool erase = rec->erasePending;
    rec->update = QRegion();
    rec->erasePending = false;

    auto dc = std::make_unique<CDC>();
    PlaceDC(*dc, *rec, false, box);
    HDC hdc = dc->GetSafeHdc();
    OpenDCs()[hdc] = std::move(dc);
    *lpPaint = PAINTSTRUCT{};
    lpPaint->hdc = hdc;
    lpPaint->rcPaint = box;
    lpPaint->fErase = TRUE;
    if (erase)
        lpPaint->fErase = SendMessage(hWnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(hdc), 0) == 0;
    return hdc;
}

BOOL EndPaint(HWND, const PAINTSTRUCT* lpPaint)
{
    return OpenDCs().erase(lpPaint->hdc) != 0;
}

HDC GetDC(HWND hWnd) { return OpenDC(hWnd, false); }
HDC GetWindowDC(HWND hWnd) { return OpenDC(hWnd, true); }
int ReleaseDC(HWND, HDC hDC) { return OpenDCs().erase(hDC) != 0 ? 1 : 0; }

CDC* CWnd::BeginPaint(PAINTSTRUCT* lpPaint) { return CDC::FromHandle(::BeginPaint(m_hWnd, lpPaint)); }
void CWnd::EndPaint(PAINTSTRUCT* lpPaint) { ::EndPaint(m_hWnd, lpPaint); }

CPaintDC::CPaintDC(CWnd* pWnd) : m_hWnd(pWnd->GetSafeHwnd())
{
    // Draws into the same surface as the DC that BeginPaint made, with its clip.
    HDC hdc = ::BeginPaint(m_hWnd, &m_ps);
    WindowRecord* rec = wnd::Find(m_hWnd);
    if (hdc != nullptr && rec != nullptr)
        PlaceDC(*this, *rec, false, m_ps.rcPaint);
}

CPaintDC::~CPaintDC()
{
    Detach();
    ::EndPaint(m_hWnd, &m_ps);
}

CClientDC::CClientDC(CWnd* pWnd) : m_hWnd(pWnd->GetSafeHwnd())
{
    if (WindowRecord* rec = wnd::Find(m_hWnd)) {
        const CRect client = wnd::ClientRectInWindow(*rec);
        PlaceDC(*this, *rec, false, CRect(0, 0, client.Width(), client.Height()));
    }
}

CClientDC::~CClientDC() { Detach(); }

CWindowDC::CWindowDC(CWnd* pWnd) : m_hWnd(pWnd->GetSafeHwnd())
{
    if (WindowRecord* rec = wnd::Find(m_hWnd))
        PlaceDC(*this, *rec, true, CRect(0, 0, rec->rcWindow.Width(), rec->rcWindow.Height()));
}

CWindowDC::~CWindowDC() { Detach(); }

CDC* CWnd::GetDC() { return CDC::FromHandle(::GetDC(m_hWnd)); }
CDC* CWnd::GetWindowDC() { return CDC::FromHandle(::GetWindowDC(m_hWnd)); }
int CWnd::ReleaseDC(CDC* pDC) { return pDC != nullptr ? ::ReleaseDC(m_hWnd, pDC->GetSafeHdc()) : 0; }
