// The built-in window classes: plain windows and static controls.
#include "platform/DC.h"
#include "platform/SystemMetrics.h"
#include "platform/WndInternal.h"

namespace {

LRESULT StaticProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_PAINT)
        return DefWindowProc(hWnd, message, wParam, lParam);
    PAINTSTRUCT ps{};
    HDC hdc = BeginPaint(hWnd, &ps);
    if (CDC* pDC = CDC::FromHandle(hdc)) {
        const WindowRecord& rec = wnd::Get(hWnd);
        CRect client;
        GetClientRect(hWnd, &client);
        if (!ps.fErase)
            pDC->FillSolidRect(&client, GetSysColor(COLOR_3DFACE));
        if (!rec.text.empty()) {
            if (rec.font != nullptr)
                pDC->SelectObject(CFont::FromHandle(rec.font));
            pDC->SetBkMode(TRANSPARENT);
            pDC->SetTextColor(GetSysColor(IsWindowEnabled(hWnd) ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
            const UINT align = (rec.style & SS_CENTER) ? DT_CENTER : DT_LEFT;
            pDC->DrawText(rec.text.c_str(), static_cast<int>(rec.text.size()), &client, align | DT_WORDBREAK | DT_NOPREFIX);
        }
    }
    EndPaint(hWnd, &ps);
    return 0;
}

LRESULT StaticDefProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SETTEXT) {
        const LRESULT result = DefWindowProc(hWnd, message, wParam, lParam);
        InvalidateRect(hWnd, nullptr, TRUE);
        return result;
    }
    return StaticProc(hWnd, message, wParam, lParam);
}

const bool g_registered = [] {
    wnd::RegisterClass("AfxWnd", wnd::WindowClass{DefWindowProc, COLOR_WINDOW, nullptr});
    wnd::RegisterClass("STATIC", wnd::WindowClass{StaticDefProc, COLOR_3DFACE, nullptr});
    return true;
}();

}  // namespace
