// Device contexts of a window: they draw into the window's surface at once.
#pragma once

#include "platform/DC.h"
#include "platform/Wnd.h"

// Inside WM_PAINT: BeginPaint / EndPaint; the clip is the collected update region's box.
class CPaintDC : public CDC {
public:
    explicit CPaintDC(CWnd* pWnd);
    ~CPaintDC() override;
    PAINTSTRUCT m_ps{};

protected:
    HWND m_hWnd;
};

// The client area, with the client rectangle as clip.
class CClientDC : public CDC {
public:
    explicit CClientDC(CWnd* pWnd);
    ~CClientDC() override;

protected:
    HWND m_hWnd;
};

// The whole window, non-client area included; origin at the window's top-left corner.
class CWindowDC : public CDC {
public:
    explicit CWindowDC(CWnd* pWnd);
    ~CWindowDC() override;

protected:
    HWND m_hWnd;
};

// Handle forms. Each DC obtained must be released.
HDC GetDC(HWND hWnd);
HDC GetWindowDC(HWND hWnd);
int ReleaseDC(HWND hWnd, HDC hDC);
