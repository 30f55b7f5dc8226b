// Showing and hiding windows, and the test hooks that feed input through the same
// translation as Qt's events.
#include "platform/WndInternal.h"

#include <QCoreApplication>
#include <QKeyEvent>

namespace {
HWND TopLevelOf(HWND hwnd)
{
    const WindowRecord* rec = wnd::Find(hwnd);
    while (rec != nullptr && !wnd::IsTopLevel(*rec))
        rec = wnd::Find(rec->parent);
    return rec != nullptr ? rec->hwnd : nullptr;
}

// The character a key gives: digits, letters (upper case with Shift) and space.
char CharacterOf(int vk, WPARAM modifiers)
{
    if ((vk >= '0' && vk <= '9') || vk == ' ')
        return static_cast<char>(vk);
    if (vk >= 'A' && vk <= 'Z')
        return static_cast<char>((modifiers & MK_SHIFT) ? vk : vk + 32);
    return 0;
}
}  // namespace

BOOL ShowWindow(HWND hWnd, int nCmdShow)
{
    WindowRecord* rec = wnd::Find(hWnd);
    if (rec == nullptr)
        return FALSE;
    const BOOL wasVisible = (rec->style & WS_VISIBLE) != 0;
    if (nCmdShow == SW_HIDE) {
        if (!wasVisible)
            return FALSE;
        SendMessage(hWnd, WM_SHOWWINDOW, FALSE, 0);
        rec = wnd::Find(hWnd);
        if (rec == nullptr)
            return wasVisible;
        rec->style &= ~WS_VISIBLE;
        if (rec->widget != nullptr)
            rec->widget->hide();
        if (GetFocus() == hWnd || IsChild(hWnd, GetFocus()))
            SetFocus(nullptr);
        return wasVisible;
    }
    if (nCmdShow == SW_MAXIMIZE || nCmdShow == SW_MINIMIZE || nCmdShow == SW_RESTORE)
        wnd::DoSysCommand(hWnd, nCmdShow == SW_MAXIMIZE ? SC_MAXIMIZE : nCmdShow == SW_MINIMIZE ? SC_MINIMIZE : SC_RESTORE);
    rec = wnd::Find(hWnd);
    if (rec == nullptr)
        return wasVisible;
    if (!wasVisible) {
        SendMessage(hWnd, WM_SHOWWINDOW, TRUE, 0);
        rec = wnd::Find(hWnd);
        if (rec == nullptr)
            return wasVisible;
        rec->style |= WS_VISIBLE;
        if (rec->widget != nullptr)
            rec->widget->show();
        wnd::InvalidateFrame(*rec);
        InvalidateRect(hWnd, nullptr, TRUE);
        for (HWND child : rec->children)
            if (WindowRecord* c = wnd::Find(child); c != nullptr && (c->style & WS_VISIBLE) != 0) {
                wnd::InvalidateFrame(*c);
                InvalidateRect(child, nullptr, TRUE);
            }
    }
    if (wnd::IsTopLevel(*rec) && nCmdShow != SW_SHOWNA && nCmdShow != SW_SHOWNOACTIVATE)
        SetActiveWindow(hWnd);
    return wasVisible;
}

void SimulateMouseForTest(TestMouse kind, POINT ptScreen, int button, int wheelDelta, WPARAM modifiers)
{
    HWND top = GetCapture() != nullptr ? TopLevelOf(GetCapture()) : nullptr;
    if (top == nullptr && GetActiveWindow() != nullptr && wnd::WindowRectOnScreen(wnd::Get(GetActiveWindow())).PtInRect(ptScreen))
        top = GetActiveWindow();
    if (top == nullptr)
        top = GetActiveWindow();
    if (top == nullptr)
        return;
    const Qt::MouseButton qtButton = button == VK_RBUTTON ? Qt::RightButton : button == VK_LBUTTON ? Qt::LeftButton : Qt::NoButton;
    Qt::MouseButtons buttons;
    if (GetKeyState(VK_LBUTTON) < 0) buttons |= Qt::LeftButton;
    if (GetKeyState(VK_RBUTTON) < 0) buttons |= Qt::RightButton;
    QEvent::Type type = QEvent::MouseMove;
    if (kind == TestMouse::Press || kind == TestMouse::DoubleClick) {
        buttons |= qtButton;
        type = kind == TestMouse::Press ? QEvent::MouseButtonPress : QEvent::MouseButtonDblClick;
    } else if (kind == TestMouse::Release) {
        buttons &= ~Qt::MouseButtons(qtButton);
        type = QEvent::MouseButtonRelease;
    } else if (kind == TestMouse::Wheel) {
        type = QEvent::Wheel;
    }
    Qt::KeyboardModifiers mods;
    if (modifiers & MK_SHIFT) mods |= Qt::ShiftModifier;
    if (modifiers & MK_CONTROL) mods |= Qt::ControlModifier;
    wndinput::DeliverMouse(top, type, ptScreen, qtButton, buttons, mods, wheelDelta);
}

void SimulateKeyForTest(int nVirtKey, BOOL bDown, WPARAM modifiers)
{
    Qt::KeyboardModifiers mods;
    if (modifiers & MK_SHIFT) mods |= Qt::ShiftModifier;
    if (modifiers & MK_CONTROL) mods |= Qt::ControlModifier;
    const WindowRecord* rec = wnd::Find(GetFocus());
    if (rec != nullptr && rec->native != nullptr) {
        // A native control sees the key as a real Qt key event, sent where Qt sends it:
        // to the widget its focus is forwarded to (a combo box for its line edit).
        const int qtKey = wndinput::QtKeyFromVirtualKey(nVirtKey);
        const char ch = CharacterOf(nVirtKey, modifiers);
        const QString text = ch != 0 ? QString(QChar(ch)) : QString();
        QKeyEvent event(bDown ? QEvent::KeyPress : QEvent::KeyRelease, qtKey, mods, text);
        QWidget* receiver = rec->native->focusProxy() != nullptr ? rec->native->focusProxy() : rec->native.data();
        QCoreApplication::sendEvent(receiver, &event);
        return;
    }
    HWND target = GetFocus() != nullptr ? GetFocus() : GetActiveWindow();
    if (target != nullptr)
        wndinput::DeliverKey(target, bDown != FALSE, nVirtKey, mods, false, CharacterOf(nVirtKey, modifiers));
}
