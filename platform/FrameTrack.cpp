// Moving and sizing a top-level window by its frame, the caption buttons, and the
// system commands (close, maximise, minimise, restore).
#include "platform/Frame.h"
#include "platform/FrameDraw.h"
#include "platform/SystemMetrics.h"

#include <QGuiApplication>
#include <QWindow>

namespace {

struct Tracking {
    HWND hwnd = nullptr;
    LRESULT hit = HTNOWHERE;
    CPoint start;
    CRect startRect;
};
Tracking g_track;

UINT ButtonKind(const WindowRecord& rec, LRESULT hit)
{
    switch (hit) {
    case HTCLOSE: return DFCS_CAPTIONCLOSE + 1;
    case HTMAXBUTTON: return ((rec.style & WS_MAXIMIZE) ? DFCS_CAPTIONRESTORE : DFCS_CAPTIONMAX) + 1;
    case HTMINBUTTON: return DFCS_CAPTIONMIN + 1;
    default: return 0;
    }
}

void SetPressed(HWND hwnd, UINT kind)
{
    WindowRecord* rec = wnd::Find(hwnd);
    if (rec == nullptr || rec->ncPressed == kind)
        return;
    rec->ncPressed = kind;
    // Only the buttons change: repaint just their rectangles, so that a hook that paints
    // the caption strip itself keeps its strip.
    const wndframe::CaptionButtons buttons = wndframe::ButtonRects(*rec);
    const CPoint origin = wnd::WindowOriginOnScreen(*rec);
    CRgn area;
    area.CreateRectRgn(0, 0, 0, 0);
    for (CRect rc : {buttons.close, buttons.max, buttons.min}) {
        if (rc.IsRectEmpty())
            continue;
        rc.OffsetRect(origin.x, origin.y);
        CRgn button;
        button.CreateRectRgnIndirect(&rc);
        area.CombineRgn(&area, &button, RGN_OR);
    }
    wnd::PaintNonClient(hwnd, area);
}

CRect SizedRect(const Tracking& t, CPoint pt, const MINMAXINFO& mmi)
{
    CRect rc = t.startRect;
    const int dx = pt.x - t.start.x;
    const int dy = pt.y - t.start.y;
    const bool left = t.hit == HTLEFT || t.hit == HTTOPLEFT || t.hit == HTBOTTOMLEFT;
    const bool right = t.hit == HTRIGHT || t.hit == HTTOPRIGHT || t.hit == HTBOTTOMRIGHT;
    const bool top = t.hit == HTTOP || t.hit == HTTOPLEFT || t.hit == HTTOPRIGHT;
    const bool bottom = t.hit == HTBOTTOM || t.hit == HTBOTTOMLEFT || t.hit == HTBOTTOMRIGHT;
    const int minW = mmi.ptMinTrackSize.x, minH = mmi.ptMinTrackSize.y;
    if (left) rc.left = std::min(rc.left + dx, rc.right - minW);
    if (right) rc.right = std::max(rc.right + dx, rc.left + minW);
    if (top) rc.top = std::min(rc.top + dy, rc.bottom - minH);
    if (bottom) rc.bottom = std::max(rc.bottom + dy, rc.top + minH);
    return rc;
}

// Hands a move or resize to the window manager where it offers one (it may also be the
// only way to move a window, as under Wayland). The layer follows the resulting geometry
// through the widget's move and resize events. Offscreen, the layer tracks the mouse itself.
bool SystemMoveOrResize(WindowRecord& rec, LRESULT hit)
{
    if (rec.widget == nullptr || QGuiApplication::platformName() == QLatin1String("offscreen"))
        return false;
    QWindow* window = rec.widget->windowHandle();
    if (window == nullptr)
        return false;
    if (hit == HTCAPTION)
        return window->startSystemMove();
    Qt::Edges edges;
    if (hit == HTLEFT || hit == HTTOPLEFT || hit == HTBOTTOMLEFT) edges |= Qt::LeftEdge;
    if (hit == HTRIGHT || hit == HTTOPRIGHT || hit == HTBOTTOMRIGHT) edges |= Qt::RightEdge;
    if (hit == HTTOP || hit == HTTOPLEFT || hit == HTTOPRIGHT) edges |= Qt::TopEdge;
    if (hit == HTBOTTOM || hit == HTBOTTOMLEFT || hit == HTBOTTOMRIGHT) edges |= Qt::BottomEdge;
    return window->startSystemResize(edges);
}

}  // namespace

namespace wnd {

MINMAXINFO QueryMinMaxInfo(HWND hwnd)
{
    const WindowRecord& rec = Get(hwnd);
    // Maximised, the frame lies just outside the screen.
    const CSize frame = wndframe::FrameSize(rec.style, rec.exStyle);
    MINMAXINFO mmi{};
    mmi.ptMaxSize = POINT{GetSystemMetrics(SM_CXSCREEN) + 2 * frame.cx, GetSystemMetrics(SM_CYSCREEN) + 2 * frame.cy};
    mmi.ptMaxPosition = POINT{-frame.cx, -frame.cy};
    mmi.ptMinTrackSize = POINT{GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)};
    mmi.ptMaxTrackSize = POINT{GetSystemMetrics(SM_CXMAXTRACK), GetSystemMetrics(SM_CYMAXTRACK)};
    SendMessage(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
    return mmi;
}

void StartTracking(HWND hwnd, LRESULT hit, CPoint ptScreen)
{
    WindowRecord* rec = Find(hwnd);
    if (rec == nullptr || !IsTopLevel(*rec))
        return;
    const bool sizing = hit >= HTLEFT && hit <= HTBOTTOMRIGHT && (rec->style & WS_THICKFRAME);
    const bool moving = hit == HTCAPTION;
    const UINT button = ButtonKind(*rec, hit);
    if ((rec->style & WS_MAXIMIZE) && (sizing || moving))
        return;
    if (!sizing && !moving && button == 0)
        return;
    if ((sizing || moving) && SystemMoveOrResize(*rec, hit))
        return;
    g_track = Tracking{hwnd, hit, ptScreen, rec->rcWindow};
    if (button != 0)
        SetPressed(hwnd, button);
}

// Returns true when the mouse event belongs to a frame drag or a caption button press.
bool TrackMouse(HWND, CPoint pt, bool released)
{
    if (g_track.hwnd == nullptr)
        return false;
    const Tracking t = g_track;
    WindowRecord* rec = Find(t.hwnd);
    if (rec == nullptr) {
        g_track = Tracking{};
        return false;
    }
    if (released)
        g_track = Tracking{};
    if (t.hit == HTCAPTION) {
        SetWindowPos(t.hwnd, nullptr, t.startRect.left + pt.x - t.start.x, t.startRect.top + pt.y - t.start.y, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    } else if (t.hit >= HTLEFT && t.hit <= HTBOTTOMRIGHT) {
        const CRect rc = SizedRect(t, pt, QueryMinMaxInfo(t.hwnd));
        SetWindowPos(t.hwnd, nullptr, rc.left, rc.top, rc.Width(), rc.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
    } else {
        const bool over = NonClientHitTest(t.hwnd, pt) == t.hit;
        SetPressed(t.hwnd, over && !released ? ButtonKind(*rec, t.hit) : 0);
        if (released && over) {
            const WPARAM command = t.hit == HTCLOSE ? SC_CLOSE
                                 : t.hit == HTMINBUTTON ? SC_MINIMIZE
                                 : (rec->style & WS_MAXIMIZE) ? SC_RESTORE : SC_MAXIMIZE;
            SendMessage(t.hwnd, WM_SYSCOMMAND, command, MAKELPARAM(pt.x, pt.y));
        }
    }
    return true;
}

void DoSysCommand(HWND hwnd, WPARAM cmd)
{
    WindowRecord* rec = Find(hwnd);
    if (rec == nullptr)
        return;
    switch (cmd) {
    case SC_CLOSE: SendMessage(hwnd, WM_CLOSE, 0, 0); break;
    case SC_MAXIMIZE: {
        if ((rec->style & WS_MAXIMIZE) != 0)
            break;
        const MINMAXINFO mmi = QueryMinMaxInfo(hwnd);
        rec = &Get(hwnd);
        if (!(rec->style & WS_MINIMIZE))
            rec->rcRestore = rec->rcWindow;
        rec->style = (rec->style | WS_MAXIMIZE) & ~WS_MINIMIZE;
        InvalidateFrame(*rec);
        SetWindowPos(hwnd, nullptr, mmi.ptMaxPosition.x, mmi.ptMaxPosition.y, mmi.ptMaxSize.x, mmi.ptMaxSize.y,
                     SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
        break;
    }
    case SC_MINIMIZE:
        if (rec->style & WS_MINIMIZE)
            break;
        rec->style |= WS_MINIMIZE;
        if (rec->widget != nullptr)
            rec->widget->showMinimized();
        SendMessage(hwnd, WM_SIZE, SIZE_MINIMIZED, 0);
        break;
    case SC_RESTORE:
        if (rec->style & WS_MINIMIZE) {
            rec->style &= ~WS_MINIMIZE;
            if (rec->widget != nullptr && (rec->style & WS_VISIBLE))
                rec->widget->showNormal();
            const CRect client = ClientRectInWindow(*rec);
            SendMessage(hwnd, WM_SIZE, (rec->style & WS_MAXIMIZE) ? SIZE_MAXIMIZED : SIZE_RESTORED,
                        MAKELPARAM(client.Width(), client.Height()));
        } else if (rec->style & WS_MAXIMIZE) {
            rec->style &= ~WS_MAXIMIZE;
            const CRect restore = rec->rcRestore;
            InvalidateFrame(*rec);
            SetWindowPos(hwnd, nullptr, restore.left, restore.top, restore.Width(), restore.Height(),
                         SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
        }
        break;
    default: break;
    }
}

}  // namespace wnd
