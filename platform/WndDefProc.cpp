// The system's default message processing (DefWindowProc).
#include "platform/DC.h"
#include "platform/SystemMetrics.h"
#include "platform/ResourcesInternal.h"
#include "platform/WndInternal.h"

#include <QIcon>
#include <QPixmap>

#include <algorithm>
#include <cstring>

namespace {

LRESULT SetText(WindowRecord& rec, LPCTSTR text)
{
    rec.text = text != nullptr ? text : "";
    if (rec.widget != nullptr && wnd::IsTopLevel(rec))
        rec.widget->setWindowTitle(QString::fromLatin1(rec.text.c_str()));
    // The system paints the new caption at once, but only for a visible window: a hook
    // that paints the caption itself hides the window's visible bit around this call.
    if ((rec.style & WS_VISIBLE) != 0 && (rec.style & WS_CAPTION) == WS_CAPTION)
        wnd::PaintNonClient(rec.hwnd, nullptr);
    return TRUE;
}

LRESULT GetText(const WindowRecord& rec, WPARAM maxCount, LPTSTR buffer)
{
    if (buffer == nullptr || maxCount == 0)
        return 0;
    const std::size_t count = std::min<std::size_t>(rec.text.size(), maxCount - 1);
    std::memcpy(buffer, rec.text.data(), count);
    buffer[count] = '\0';
    return static_cast<LRESULT>(count);
}

LRESULT EraseBackground(const WindowRecord& rec, HDC hdc)
{
    const int colorIndex = wnd::LookupClass(rec.className).backgroundColor;
    CDC* pDC = CDC::FromHandle(hdc);
    if (colorIndex < 0 || pDC == nullptr)
        return FALSE;
    CRect client;
    ::GetClientRect(rec.hwnd, &client);
    pDC->FillSolidRect(&client, GetSysColor(colorIndex));
    return TRUE;
}

HCURSOR CursorForHit(LRESULT hit)
{
    switch (hit) {
    case HTLEFT:
    case HTRIGHT: return LoadCursor(nullptr, IDC_SIZEWE);
    case HTTOP:
    case HTBOTTOM: return LoadCursor(nullptr, IDC_SIZENS);
    case HTTOPLEFT:
    case HTBOTTOMRIGHT: return LoadCursor(nullptr, IDC_SIZENWSE);
    case HTTOPRIGHT:
    case HTBOTTOMLEFT: return LoadCursor(nullptr, IDC_SIZENESW);
    default: return LoadCursor(nullptr, IDC_ARROW);
    }
}

LRESULT SetCursorDefault(const WindowRecord& rec, WPARAM wParam, LPARAM lParam)
{
    if (!wnd::IsTopLevel(rec) && rec.parent != nullptr &&
        SendMessage(rec.parent, WM_SETCURSOR, wParam, lParam) != 0)
        return TRUE;
    const auto hit = static_cast<SHORT>(LOWORD(static_cast<std::uintptr_t>(lParam)));
    SetCursor(CursorForHit(hit));
    return hit == HTCLIENT ? FALSE : TRUE;
}

LRESULT SetIconMessage(WindowRecord& rec, WPARAM which, HICON icon)
{
    HICON& slot = which == ICON_BIG ? rec.iconBig : rec.iconSmall;
    HICON previous = slot;
    slot = icon;
    if (const QImage* image = IconImageFromHandle(icon); image != nullptr && rec.widget != nullptr && wnd::IsTopLevel(rec))
        rec.widget->setWindowIcon(QIcon(QPixmap::fromImage(*image)));  // for the taskbar and switcher
    if ((rec.style & WS_VISIBLE) != 0 && (rec.style & WS_CAPTION) == WS_CAPTION)
        wnd::PaintNonClient(rec.hwnd, nullptr);
    return reinterpret_cast<LRESULT>(previous);
}

}  // namespace

LRESULT DefWindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    WindowRecord* rec = wnd::Find(hWnd);
    if (rec == nullptr)
        return 0;
    switch (message) {
    case WM_NCCREATE: {
        const auto* cs = reinterpret_cast<const CREATESTRUCT*>(lParam);
        if (cs != nullptr && cs->lpszName != nullptr)
            rec->text = cs->lpszName;
        // The window system's title (task bars, window lists) is the window text too.
        if (rec->widget != nullptr && wnd::IsTopLevel(*rec))
            rec->widget->setWindowTitle(QString::fromLatin1(rec->text.c_str()));
        return TRUE;
    }
    case WM_CLOSE: DestroyWindow(hWnd); return 0;
    case WM_SETTEXT: return SetText(*rec, reinterpret_cast<LPCTSTR>(lParam));
    case WM_GETTEXT: return GetText(*rec, wParam, reinterpret_cast<LPTSTR>(lParam));
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(rec->text.size());
    case WM_SETICON: return SetIconMessage(*rec, wParam, reinterpret_cast<HICON>(lParam));
    case WM_GETICON:
        return reinterpret_cast<LRESULT>(wParam == ICON_BIG ? rec->iconBig : rec->iconSmall);
    case WM_SETFONT:
        rec->font = reinterpret_cast<HFONT>(wParam);
        if (lParam != 0)
            InvalidateRect(hWnd, nullptr, TRUE);
        return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(rec->font);
    case WM_PAINT: {
        PAINTSTRUCT ps{};
        BeginPaint(hWnd, &ps);
        EndPaint(hWnd, &ps);
        return 0;
    }
    case WM_ERASEBKGND: return EraseBackground(*rec, reinterpret_cast<HDC>(wParam));
    case WM_NCPAINT: wnd::PaintNonClient(hWnd, reinterpret_cast<HRGN>(wParam)); return 0;
    case WM_NCACTIVATE:
        rec->ncActive = wParam != 0;
        if ((rec->style & WS_VISIBLE) != 0)
            wnd::PaintNonClient(hWnd, nullptr);
        return TRUE;
    case WM_NCHITTEST: return wnd::NonClientHitTest(hWnd, CPoint(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)));
    case WM_NCLBUTTONDOWN:
        wnd::StartTracking(hWnd, static_cast<LRESULT>(wParam), CPoint(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)));
        return 0;
    case WM_NCLBUTTONDBLCLK:
        // A double click on the caption maximises or restores.
        if (wParam == HTCAPTION && (rec->style & WS_MAXIMIZEBOX))
            SendMessage(hWnd, WM_SYSCOMMAND, IsZoomed(hWnd) ? SC_RESTORE : SC_MAXIMIZE, lParam);
        return 0;
    case WM_SYSCOMMAND: wnd::DoSysCommand(hWnd, wParam & 0xFFF0); return 0;
    case WM_SETCURSOR: return SetCursorDefault(*rec, wParam, lParam);
    case WM_MOUSEACTIVATE:
        if (!wnd::IsTopLevel(*rec) && rec->parent != nullptr)
            if (LRESULT r = SendMessage(rec->parent, message, wParam, lParam); r != 0)
                return r;
        return MA_ACTIVATE;
    case WM_MOUSEWHEEL:
        if (!wnd::IsTopLevel(*rec) && rec->parent != nullptr)
            return SendMessage(rec->parent, message, wParam, lParam);
        return 0;
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE: return 0;
    default: return 0;
    }
}
