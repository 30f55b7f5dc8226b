// The custom caption painter: a hook (CSubclassWnd) that takes over a window's non-client
// paint, activation, text-change and colour-change messages, lets the system paint the
// rest of the frame, and paints the caption strip itself (solid background, small icon,
// caption buttons, title text) from one cached bitmap per activation state.
//
// Attaching it to a dialog:
//     m_pCaption = std::make_unique<CSingleLineCaption>();
//     m_pCaption->HookWindow(this);
//     m_pCaption->GetTextAttr()->SetActiveTextColor(text);
//     m_pCaption->GetBackground()->SetActiveColor(selectedBack);
//     m_pCaption->GetBackground()->SetInactiveColor(back);
//     m_pCaption->Refresh();
//     ... later m_pCaption->SetIcon(hIcon);
// The owner holds the painter in a std::unique_ptr (no raw new/delete needed). It unhooks
// itself when the window is destroyed; destroying a painter that is still installed
// unhooks it first, so the owner may destroy it before or after its window.
#pragma once

#include "caption/CSubclassWnd.h"
#include "platform/DC.h"
#include "platform/GdiObjects.h"

#include <memory>

// The caption's background: a solid colour per activation state.
class CCaptionBackground {
public:
    // Stored colour that stands for the system's caption colour of the state.
    static constexpr COLORREF kSystemColor = 0xFFFFFFFF;

    CCaptionBackground() = default;
    virtual ~CCaptionBackground();
    CCaptionBackground(const CCaptionBackground&) = delete;
    CCaptionBackground& operator=(const CCaptionBackground&) = delete;

    // Fills (0, 0, cx, cy) with the state's colour (pattern copy with a solid brush).
    virtual void Paint(CDC* pDC, int cx, int cy, BOOL bActive);
    // The colours in effect: the stored ones, or COLOR_ACTIVECAPTION /
    // COLOR_INACTIVECAPTION while unset.
    virtual COLORREF GetActiveColor();
    virtual COLORREF GetInactiveColor();

    void SetActiveColor(COLORREF crColor) { m_crActive = crColor; }
    void SetInactiveColor(COLORREF crColor) { m_crInactive = crColor; }

    COLORREF m_crActive = kSystemColor;
    COLORREF m_crInactive = kSystemColor;
};

// The caption's text attributes: a font and a colour per activation state. A font
// without a handle stands for the module's system caption font; the colour kSystemColor
// for COLOR_CAPTIONTEXT / COLOR_INACTIVECAPTIONTEXT.
class CCaptionText {
public:
    static constexpr COLORREF kSystemColor = 0xFFFFFFFF;

    CCaptionText() = default;
    CCaptionText(const CCaptionText&) = delete;
    CCaptionText& operator=(const CCaptionText&) = delete;

    void SetActiveTextColor(COLORREF crColor) { m_crActiveText = crColor; }
    void SetInactiveTextColor(COLORREF crColor) { m_crInactiveText = crColor; }
    // The colour in effect for the state (the system's while unset).
    COLORREF GetTextColor(BOOL bActive) const;
    // Create a font in these to replace the system caption font for that state.
    CFont& GetActiveFont() { return m_fontActive; }
    CFont& GetInactiveFont() { return m_fontInactive; }

    CFont m_fontActive;
    CFont m_fontInactive;
    COLORREF m_crActiveText = kSystemColor;
    COLORREF m_crInactiveText = kSystemColor;
};

class CCaption : public CSubclassWnd {
    DECLARE_DYNAMIC(CCaption)
public:
    CCaption();
    // Unhooks a painter that is still installed, then frees the bitmaps, the background
    // and the text attributes.
    ~CCaption() override;

    // Created on first use; owned by the caption.
    CCaptionBackground* GetBackground();
    CCaptionText* GetTextAttr();

    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    // Drops both cached pictures and repaints the caption.
    virtual void Refresh();
    // Copies the current state's picture to the caption, drawing it first when needed.
    virtual void PaintCaption();
    // Draws the whole picture into a DC whose origin is the caption's top-left corner.
    virtual void DrawCaption(CDC* pDC);
    virtual void PaintBackground(CDC* pDC);
    // Draws the icon; with null only measures. Returns the icon box width (0: no icon).
    virtual int DrawIcon(CDC* pDC);
    // Draws the caption buttons; with null only measures. Returns the width they take.
    virtual int DrawButtons(CDC* pDC);
    virtual void DrawCaptionText(CDC* pDC);
    virtual void DrawBottomEdge(CDC* pDC);
    // The caption strip in window coordinates.
    virtual CRect GetCaptionRect();
    virtual CFont* GetCaptionFont(BOOL bActive);
    virtual CRect GetTextRect();
    virtual void OnNcPaint(HRGN hRgn);
    virtual BOOL OnNcActivate(BOOL bActive);
    virtual void OnSetText(LPCTSTR lpszText);
    virtual void OnSysColorChange();

    BOOL IsActive() const { return m_bActive; }

protected:
    // Calls Default() with the window's visible style bit cleared (and put back on every
    // way out), so that the system updates its state without painting its own caption.
    LRESULT DefaultWithoutPainting();
    // The window class's small icon (the window's own small or big icon here).
    HICON GetClassSmallIcon() const;
    // Draws hIcon (may be null) in the icon box when the window has a system menu;
    // returns the box width, 0 without a system menu.
    int DrawIconBox(CDC* pDC, HICON hIcon);
    DWORD GetHookedStyle() const;
    // The activation state a request stands for: a stay-active window is always active,
    // a disabled one never.
    BOOL EffectiveState(BOOL bRequested) const;

    CBitmap m_bmCaption[2];  // [0] inactive, [1] active
    int m_nCachedWidth = 0;  // (0, 0): no cached picture is valid
    int m_nCachedHeight = 0;
    // The state shown; the first activation message sets it. Starts inactive so that the
    // first activation always reaches the system.
    BOOL m_bActive = FALSE;
    std::unique_ptr<CCaptionBackground> m_pBackground;
    std::unique_ptr<CCaptionText> m_pTextAttr;
};

// The caption painter of a single-line title bar with an icon of the owner's choosing.
class CSingleLineCaption : public CCaption {
    DECLARE_DYNAMIC(CSingleLineCaption)
public:
    CSingleLineCaption();
    ~CSingleLineCaption() override;

    // The icon to show instead of the class icon (not owned; null: the class icon). The
    // cached pictures are dropped, so the next paint shows it.
    void SetIcon(HICON hIcon);
    HICON GetIcon() const { return m_hIcon; }

    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    int DrawIcon(CDC* pDC) override;
    BOOL OnNcActivate(BOOL bActive) override;

protected:
    HICON m_hIcon = nullptr;
};
