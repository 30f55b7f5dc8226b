// Input: mouse and key translation, tracked key state, capture, focus, activation,
// showing windows and cursors.
#include "platform/SystemMetrics.h"
#include "platform/WndInternal.h"
#include "platform/WndQueue.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>

#include <array>

namespace {

std::array<BYTE, 256> g_keys{};  // 0x80 down, 0x01 toggled
HWND g_capture = nullptr;
HWND g_focus = nullptr;
HWND g_active = nullptr;
HCURSOR g_cursor = nullptr;
bool g_cursorKnown = false;
CPoint g_cursorPos;
QPointer<QWidget> g_cursorWidget;

void SetKey(int vk, bool down)
{
    BYTE& state = g_keys[static_cast<std::size_t>(vk & 0xFF)];
    if (down && (state & 0x80) == 0)
        state ^= 0x01;
    state = static_cast<BYTE>(down ? (state | 0x80) : (state & ~0x80));
}

void SyncModifiers(Qt::KeyboardModifiers mods)
{
    SetKey(VK_SHIFT, (mods & Qt::ShiftModifier) != 0);
    SetKey(VK_CONTROL, (mods & Qt::ControlModifier) != 0);
    SetKey(VK_MENU, (mods & Qt::AltModifier) != 0);
}

// The deepest visible window at a screen point, searching from a window downwards.
HWND ChildFromPoint(HWND hwnd, CPoint pt)
{
    const WindowRecord* rec = wnd::Find(hwnd);
    if (rec == nullptr)
        return nullptr;
    for (auto it = rec->children.rbegin(); it != rec->children.rend(); ++it) {
        const WindowRecord* child = wnd::Find(*it);
        if (child != nullptr && (child->style & WS_VISIBLE) != 0 && wnd::WindowRectOnScreen(*child).PtInRect(pt))
            return ChildFromPoint(*it, pt);
    }
    return hwnd;
}

HWND TopLevelOf(HWND hwnd)
{
    const WindowRecord* rec = wnd::Find(hwnd);
    while (rec != nullptr && !wnd::IsTopLevel(*rec))
        rec = wnd::Find(rec->parent);
    return rec != nullptr ? rec->hwnd : nullptr;
}

UINT ClientMessageFor(QEvent::Type type, Qt::MouseButton button)
{
    const bool right = button == Qt::RightButton;
    switch (type) {
    case QEvent::MouseButtonPress: return right ? WM_RBUTTONDOWN : WM_LBUTTONDOWN;
    case QEvent::MouseButtonRelease: return right ? WM_RBUTTONUP : WM_LBUTTONUP;
    case QEvent::MouseButtonDblClick: return right ? WM_RBUTTONDBLCLK : WM_LBUTTONDBLCLK;
    default: return WM_MOUSEMOVE;
    }
}

void PostMouse(HWND target, UINT message, WPARAM wParam, LPARAM lParam, CPoint pt)
{
    wndqueue::PostInput(MSG{target, message, wParam, lParam, wnd::Now(), pt});
}

void ConnectFocusTracking()
{
    static bool connected = false;
    if (connected || qApp == nullptr)
        return;
    connected = true;
    QObject::connect(qApp, &QApplication::focusChanged, [](QWidget*, QWidget* now) {
        if (now == nullptr)
            return;
        // The window whose widget or native control now has Qt's focus.
        // A window of its own (a message box parented to a dialog) does not move the
        // layer's focus: the layer's focus comes back with the window under it.
        for (QWidget* w = now; w != nullptr; w = w->isWindow() ? nullptr : w->parentWidget())
            if (auto* ww = dynamic_cast<WndWidget*>(w); ww != nullptr && ww->Handle() != nullptr) {
                HWND target = ww->Handle();
                // A control's child window whose Qt widget (or the widget it forwards its
                // focus to, as a combo box's line edit does) has the focus.
                if (const WindowRecord* rec = wnd::Find(target))
                    for (HWND child : rec->children)
                        if (const WindowRecord* c = wnd::Find(child);
                            c != nullptr && c->native != nullptr && (c->native == now || c->native->focusProxy() == now))
                            target = child;
                if (GetFocus() != target)
                    SetFocus(target);
                return;
            }
    });
}

}  // namespace

namespace wnd {

void UpdateKeyStateFromMessage(const MSG& msg)
{
    switch (msg.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: SetKey(static_cast<int>(msg.wParam), true); break;
    case WM_KEYUP:
    case WM_SYSKEYUP: SetKey(static_cast<int>(msg.wParam), false); break;
    default:
        if (msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST && msg.message != WM_MOUSEWHEEL) {
            SetKey(VK_LBUTTON, (msg.wParam & MK_LBUTTON) != 0);
            SetKey(VK_RBUTTON, (msg.wParam & MK_RBUTTON) != 0);
            SetKey(VK_MBUTTON, (msg.wParam & MK_MBUTTON) != 0);
        }
        break;
    }
}

WPARAM CurrentMouseFlags()
{
    WPARAM flags = 0;
    if (GetKeyState(VK_LBUTTON) < 0) flags |= MK_LBUTTON;
    if (GetKeyState(VK_RBUTTON) < 0) flags |= MK_RBUTTON;
    if (GetKeyState(VK_SHIFT) < 0) flags |= MK_SHIFT;
    if (GetKeyState(VK_CONTROL) < 0) flags |= MK_CONTROL;
    return flags;
}

void DeactivateActiveWindow()
{
    const HWND previous = g_active;
    if (previous == nullptr)
        return;
    g_active = nullptr;
    if (IsWindow(previous)) {
        SendMessage(previous, WM_NCACTIVATE, FALSE, 0);
        SendMessage(previous, WM_ACTIVATE, WA_INACTIVE, 0);
    }
}

void ClearCaptureIfDestroyed(HWND hwnd)
{
    if (g_capture == hwnd)
        ReleaseCapture();
    if (g_focus == hwnd)
        g_focus = nullptr;
    if (g_active == hwnd)
        g_active = nullptr;
}

void SetLastCursorPos(CPoint pt)
{
    g_cursorKnown = true;
    g_cursorPos = pt;
}

}  // namespace wnd

namespace wndinput {

WPARAM MouseFlags(Qt::MouseButtons buttons, Qt::KeyboardModifiers mods)
{
    WPARAM flags = 0;
    if (buttons & Qt::LeftButton) flags |= MK_LBUTTON;
    if (buttons & Qt::RightButton) flags |= MK_RBUTTON;
    if (buttons & Qt::MiddleButton) flags |= MK_MBUTTON;
    if (mods & Qt::ShiftModifier) flags |= MK_SHIFT;
    if (mods & Qt::ControlModifier) flags |= MK_CONTROL;
    return flags;
}

void DeliverMouse(HWND hwnd, UINT qtType, CPoint pt, Qt::MouseButton button, Qt::MouseButtons buttons,
                  Qt::KeyboardModifiers mods, int wheelDelta)
{
    wnd::SetLastCursorPos(pt);
    SyncModifiers(mods);
    const auto type = static_cast<QEvent::Type>(qtType);
    if (type != QEvent::Wheel && wnd::TrackMouse(hwnd, pt, type == QEvent::MouseButtonRelease))
        return;
    const WPARAM flags = MouseFlags(buttons, mods);
    if (type == QEvent::Wheel) {
        HWND target = g_focus != nullptr ? g_focus : ChildFromPoint(TopLevelOf(hwnd), pt);
        const WPARAM wParam = (flags & 0xFFFF) | (static_cast<WPARAM>(static_cast<WORD>(wheelDelta)) << 16);
        PostMouse(target, WM_MOUSEWHEEL, wParam, MAKELPARAM(pt.x, pt.y), pt);
        return;
    }
    HWND target = g_capture != nullptr ? g_capture : ChildFromPoint(TopLevelOf(hwnd), pt);
    if (target == nullptr || wnd::IsInputRefused(target))
        return;
    const UINT clientMessage = ClientMessageFor(type, button);
    LRESULT hit = HTCLIENT;
    if (g_capture == nullptr) {
        hit = SendMessage(target, WM_NCHITTEST, 0, MAKELPARAM(pt.x, pt.y));
        if (type == QEvent::MouseButtonPress) {
            SendMessage(target, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(TopLevelOf(target)),
                        MAKELPARAM(static_cast<int>(hit), static_cast<int>(clientMessage)));
            if (GetActiveWindow() != TopLevelOf(target))
                SetActiveWindow(TopLevelOf(target));
        }
        if (!IsWindow(target))
            return;
        SendMessage(target, WM_SETCURSOR, reinterpret_cast<WPARAM>(target),
                    MAKELPARAM(static_cast<int>(hit), static_cast<int>(clientMessage)));
    }
    if (hit == HTCLIENT) {
        CPoint client = pt;
        ScreenToClient(target, &client);
        PostMouse(target, clientMessage, flags, MAKELPARAM(client.x, client.y), pt);
    } else {
        const UINT ncMessage = clientMessage - WM_MOUSEMOVE + WM_NCMOUSEMOVE;
        PostMouse(target, ncMessage, static_cast<WPARAM>(hit), MAKELPARAM(pt.x, pt.y), pt);
    }
}

void DeliverKey(HWND hwnd, bool down, int vk, Qt::KeyboardModifiers mods, bool autoRepeat, char ch)
{
    const HWND target = g_focus != nullptr ? g_focus : hwnd;
    if (wnd::IsInputRefused(target))
        return;
    PostKeyTo(target, down, vk, mods, autoRepeat, 0);
    if (down && static_cast<unsigned char>(ch) >= 0x20 && (mods & Qt::ControlModifier) == 0) {
        POINT pt{};
        GetCursorPos(&pt);
        wndqueue::PostInput(MSG{target, WM_CHAR, static_cast<unsigned char>(ch), 1, wnd::Now(), pt});
    }
}

void PostKeyTo(HWND target, bool down, int vk, Qt::KeyboardModifiers mods, bool autoRepeat, BYTE scan)
{
    if (vk != VK_SHIFT && vk != VK_CONTROL && vk != VK_MENU)
        SyncModifiers(mods);
    LPARAM lParam = 1 | (static_cast<LPARAM>(scan) << 16);
    if (autoRepeat || !down)
        lParam |= LPARAM{1} << 30;
    if (!down)
        lParam |= LPARAM{1} << 31;
    POINT pt{};
    GetCursorPos(&pt);
    wndqueue::PostInput(MSG{target, down ? WM_KEYDOWN : WM_KEYUP, static_cast<WPARAM>(vk), lParam, wnd::Now(), pt});
}

}  // namespace wndinput

SHORT GetKeyState(int nVirtKey)
{
    const BYTE state = g_keys[static_cast<std::size_t>(nVirtKey & 0xFF)];
    return static_cast<SHORT>(((state & 0x80) != 0 ? 0x8000 : 0) | (state & 0x01));
}

SHORT GetAsyncKeyState(int nVirtKey) { return GetKeyState(nVirtKey); }

void SetKeyStateForTest(int nVirtKey, BOOL bDown) { SetKey(nVirtKey, bDown != FALSE); }

BOOL GetCursorPos(LPPOINT lpPoint)
{
    if (!g_cursorKnown && qApp != nullptr) {
        const QPoint p = QCursor::pos();
        *lpPoint = POINT{p.x(), p.y()};
        return TRUE;
    }
    *lpPoint = g_cursorPos;
    return TRUE;
}

BOOL SetCursorPos(int x, int y)
{
    wnd::SetLastCursorPos(CPoint(x, y));
    return TRUE;
}

HWND SetCapture(HWND hWnd)
{
    const HWND previous = g_capture;
    if (!IsWindow(hWnd))
        return previous;
    g_capture = hWnd;
    if (previous != nullptr && previous != hWnd)
        SendMessage(previous, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hWnd));
    return previous;
}

BOOL ReleaseCapture()
{
    const HWND previous = g_capture;
    g_capture = nullptr;
    if (previous != nullptr)
        SendMessage(previous, WM_CAPTURECHANGED, 0, 0);
    return TRUE;
}

HWND GetCapture() { return g_capture; }

HWND SetFocus(HWND hWnd)
{
    ConnectFocusTracking();
    const HWND previous = g_focus;
    if (hWnd != nullptr && !IsWindow(hWnd))
        return previous;
    if (hWnd != previous) {
        g_focus = hWnd;
        if (previous != nullptr && IsWindow(previous))
            SendMessage(previous, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hWnd), 0);
        if (hWnd == nullptr || !IsWindow(hWnd))
            return previous;
        SendMessage(hWnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(previous), 0);
    }
    // Qt's focus follows, also when the layer's focus did not change but Qt's went
    // elsewhere (a window the layer does not manage had it).
    if (const WindowRecord* rec = wnd::Find(hWnd); rec != nullptr && g_focus == hWnd) {
        QWidget* w = rec->native != nullptr ? rec->native.data() : rec->widget.data();
        if (w != nullptr && w->focusProxy() != nullptr)
            w = w->focusProxy();
        if (w != nullptr && !w->hasFocus())
            w->setFocus(Qt::OtherFocusReason);
    }
    return previous;
}

HWND GetFocus() { return g_focus; }
HWND GetActiveWindow() { return g_active; }

HWND SetActiveWindow(HWND hWnd)
{
    const HWND top = TopLevelOf(hWnd);
    const HWND previous = g_active;
    if (top == nullptr || top == previous)
        return previous;
    g_active = top;
    if (previous != nullptr && IsWindow(previous)) {
        SendMessage(previous, WM_NCACTIVATE, FALSE, 0);
        SendMessage(previous, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(top));
    }
    SendMessage(top, WM_NCACTIVATE, TRUE, 0);
    SendMessage(top, WM_ACTIVATE, WA_ACTIVE, reinterpret_cast<LPARAM>(previous));
    if (WindowRecord* rec = wnd::Find(top); rec != nullptr && rec->widget != nullptr && !rec->widget->isActiveWindow())
        rec->widget->activateWindow();
    return previous;
}

HCURSOR LoadCursor(HINSTANCE, LPCTSTR lpCursorName)
{
    // Standard cursors are their identifiers, so each loads to the same handle.
    return reinterpret_cast<HCURSOR>(const_cast<char*>(lpCursorName));
}

namespace wnd {
Qt::CursorShape CursorShape(HCURSOR hCursor)
{
    switch (reinterpret_cast<std::uintptr_t>(hCursor)) {
    case 32513: return Qt::IBeamCursor;
    case 32514: return Qt::WaitCursor;
    case 32515: return Qt::CrossCursor;
    case 32516: return Qt::UpArrowCursor;
    case 32642: return Qt::SizeFDiagCursor;
    case 32643: return Qt::SizeBDiagCursor;
    case 32644: return Qt::SizeHorCursor;
    case 32645: return Qt::SizeVerCursor;
    case 32646: return Qt::SizeAllCursor;
    case 32648: return Qt::ForbiddenCursor;
    case 32649: return Qt::PointingHandCursor;
    default: return Qt::ArrowCursor;
    }
}
}  // namespace wnd

HCURSOR SetCursor(HCURSOR hCursor)
{
    const HCURSOR previous = g_cursor;
    g_cursor = hCursor;
    HWND under = nullptr;
    if (g_capture != nullptr)
        under = g_capture;
    else if (g_active != nullptr)
        under = ChildFromPoint(g_active, g_cursorPos);
    if (const WindowRecord* rec = wnd::Find(under); rec != nullptr && rec->widget != nullptr)
        rec->widget->setCursor(wnd::CursorShape(hCursor));
    return previous;
}

HCURSOR GetCursor() { return g_cursor; }

