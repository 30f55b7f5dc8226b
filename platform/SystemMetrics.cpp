#include "platform/SystemMetrics.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>

#include <cstring>

#include <map>
#include <optional>

namespace {

std::map<int, int>& MetricOverrides()
{
    static std::map<int, int> overrides;
    return overrides;
}

std::map<int, COLORREF>& ColorOverrides()
{
    static std::map<int, COLORREF> overrides;
    return overrides;
}

// Screen geometry in device pixels; 1920 x 1080 at the origin without a GUI application.
QRect PrimaryScreenRect()
{
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr) {
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            return screen->geometry();
    }
    return QRect(0, 0, 1920, 1080);
}

QRect VirtualScreenRect()
{
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr) {
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            return screen->virtualGeometry();
    }
    return PrimaryScreenRect();
}

int ScreenCount()
{
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr)
        return static_cast<int>(QGuiApplication::screens().size());
    return 1;
}

// Metrics that depend on the screen; nothing when nIndex is not one of them.
std::optional<int> ScreenMetric(int nIndex)
{
    switch (nIndex) {
    case SM_CXSCREEN: return PrimaryScreenRect().width();
    case SM_CYSCREEN: return PrimaryScreenRect().height();
    case SM_CXFULLSCREEN: return PrimaryScreenRect().width();
    case SM_CYFULLSCREEN: return PrimaryScreenRect().height() - GetSystemMetrics(SM_CYCAPTION);
    case SM_CXMAXTRACK: return VirtualScreenRect().width() + 12;
    case SM_CYMAXTRACK: return VirtualScreenRect().height() + 12;
    case SM_CXMAXIMIZED: return PrimaryScreenRect().width() + 2 * GetSystemMetrics(SM_CXFRAME);
    case SM_CYMAXIMIZED: return PrimaryScreenRect().height() + 2 * GetSystemMetrics(SM_CYFRAME);
    case SM_XVIRTUALSCREEN: return VirtualScreenRect().x();
    case SM_YVIRTUALSCREEN: return VirtualScreenRect().y();
    case SM_CXVIRTUALSCREEN: return VirtualScreenRect().width();
    case SM_CYVIRTUALSCREEN: return VirtualScreenRect().height();
    case SM_CMONITORS: return ScreenCount();
    default: return std::nullopt;
    }
}

int ClassicMetric(int nIndex)
{
    switch (nIndex) {
    case SM_CXVSCROLL: case SM_CYHSCROLL: case SM_CYVSCROLL: case SM_CXHSCROLL:
    case SM_CYVTHUMB: case SM_CXHTHUMB:
        return 17;
    case SM_CYCAPTION: case SM_CYMENU:
        return 19;
    case SM_CXBORDER: case SM_CYBORDER: case SM_CXFOCUSBORDER: case SM_CYFOCUSBORDER:
    case SM_MOUSEPRESENT:
        return 1;
    case SM_CXDLGFRAME: case SM_CYDLGFRAME: return 3;
    case SM_CXICON: case SM_CYICON: case SM_CXCURSOR: case SM_CYCURSOR: return 32;
    case SM_CXMIN: case SM_CXMINTRACK: return 112;
    case SM_CYMIN: case SM_CYMINTRACK: return 27;
    case SM_CXSIZE: case SM_CYSIZE: case SM_CXMENUSIZE: case SM_CYMENUSIZE: return 18;
    case SM_CXFRAME: case SM_CYFRAME: return 4;
    case SM_CXDOUBLECLK: case SM_CYDOUBLECLK: case SM_CXDRAG: case SM_CYDRAG: return 4;
    case SM_CXICONSPACING: case SM_CYICONSPACING: return 75;
    case SM_CMOUSEBUTTONS: return 3;
    case SM_CXEDGE: case SM_CYEDGE: return 2;
    case SM_CXSMICON: case SM_CYSMICON: case SM_CYSMCAPTION: return 16;
    case SM_CXSMSIZE: return 12;
    case SM_CYSMSIZE: return 15;
    case SM_CXMINIMIZED: return 160;
    case SM_CYMINIMIZED: return 24;
    case SM_CXMENUCHECK: case SM_CYMENUCHECK: return 13;
    default: return 0;  // includes SM_SWAPBUTTON and SM_CXPADDEDBORDER
    }
}

// The "Windows Standard" scheme, indexed by COLOR_* value.
constexpr COLORREF kClassicColors[] = {
    RGB(212, 208, 200),  // COLOR_SCROLLBAR
    RGB(58, 110, 165),   // COLOR_BACKGROUND
    RGB(10, 36, 106),    // COLOR_ACTIVECAPTION
    RGB(128, 128, 128),  // COLOR_INACTIVECAPTION
    RGB(212, 208, 200),  // COLOR_MENU
    RGB(255, 255, 255),  // COLOR_WINDOW
    RGB(0, 0, 0),        // COLOR_WINDOWFRAME
    RGB(0, 0, 0),        // COLOR_MENUTEXT
    RGB(0, 0, 0),        // COLOR_WINDOWTEXT
    RGB(255, 255, 255),  // COLOR_CAPTIONTEXT
    RGB(212, 208, 200),  // COLOR_ACTIVEBORDER
    RGB(212, 208, 200),  // COLOR_INACTIVEBORDER
    RGB(128, 128, 128),  // COLOR_APPWORKSPACE
    RGB(10, 36, 106),    // COLOR_HIGHLIGHT
    RGB(255, 255, 255),  // COLOR_HIGHLIGHTTEXT
    RGB(212, 208, 200),  // COLOR_BTNFACE
    RGB(128, 128, 128),  // COLOR_BTNSHADOW
    RGB(128, 128, 128),  // COLOR_GRAYTEXT
    RGB(0, 0, 0),        // COLOR_BTNTEXT
    RGB(212, 208, 200),  // COLOR_INACTIVECAPTIONTEXT
    RGB(255, 255, 255),  // COLOR_BTNHIGHLIGHT
    RGB(64, 64, 64),     // COLOR_3DDKSHADOW
    RGB(212, 208, 200),  // COLOR_3DLIGHT
    RGB(0, 0, 0),        // COLOR_INFOTEXT
    RGB(255, 255, 225),  // COLOR_INFOBK
    RGB(181, 181, 181),  // 25, unnamed (button alternate face)
    RGB(0, 0, 128),      // COLOR_HOTLIGHT
    RGB(166, 202, 240),  // COLOR_GRADIENTACTIVECAPTION
    RGB(192, 192, 192),  // COLOR_GRADIENTINACTIVECAPTION
    RGB(49, 106, 197),   // COLOR_MENUHILIGHT
    RGB(212, 208, 200),  // COLOR_MENUBAR
};

}  // namespace

int GetSystemMetrics(int nIndex)
{
    const auto& overrides = MetricOverrides();
    if (const auto it = overrides.find(nIndex); it != overrides.end())
        return it->second;
    return ScreenMetric(nIndex).value_or(ClassicMetric(nIndex));
}

COLORREF GetSysColor(int nIndex)
{
    const auto& overrides = ColorOverrides();
    if (const auto it = overrides.find(nIndex); it != overrides.end())
        return it->second;
    constexpr int kCount = static_cast<int>(sizeof(kClassicColors) / sizeof(kClassicColors[0]));
    return nIndex >= 0 && nIndex < kCount ? kClassicColors[nIndex] : 0;
}

void SetSystemMetricOverride(int nIndex, int nValue)
{
    MetricOverrides()[nIndex] = nValue;
}

void SetSysColorOverride(int nIndex, COLORREF crColor)
{
    ColorOverrides()[nIndex] = crColor;
}

void ClearSystemOverrides()
{
    MetricOverrides().clear();
    ColorOverrides().clear();
}

namespace {

LOGFONT NonClientFont(int weight)
{
    LOGFONT lf{};
    lf.lfHeight = -11;
    lf.lfWeight = weight;
    lf.lfCharSet = ANSI_CHARSET;
    std::strncpy(lf.lfFaceName, "Tahoma", LF_FACESIZE - 1);
    return lf;
}

}  // namespace

BOOL SystemParametersInfo(UINT uiAction, UINT, void* pvParam, UINT)
{
    if (uiAction != SPI_GETNONCLIENTMETRICS || pvParam == nullptr)
        return FALSE;
    auto* metrics = static_cast<NONCLIENTMETRICS*>(pvParam);
    if (metrics->cbSize != sizeof(NONCLIENTMETRICS))
        return FALSE;
    metrics->iBorderWidth = GetSystemMetrics(SM_CXBORDER);
    metrics->iScrollWidth = GetSystemMetrics(SM_CXVSCROLL);
    metrics->iScrollHeight = GetSystemMetrics(SM_CYHSCROLL);
    metrics->iCaptionWidth = GetSystemMetrics(SM_CXSIZE);
    metrics->iCaptionHeight = GetSystemMetrics(SM_CYSIZE);
    metrics->lfCaptionFont = NonClientFont(FW_BOLD);
    metrics->iSmCaptionWidth = GetSystemMetrics(SM_CXSMSIZE);
    metrics->iSmCaptionHeight = GetSystemMetrics(SM_CYSMSIZE);
    metrics->lfSmCaptionFont = NonClientFont(FW_BOLD);
    metrics->iMenuWidth = GetSystemMetrics(SM_CXMENUSIZE);
    metrics->iMenuHeight = GetSystemMetrics(SM_CYMENUSIZE);
    metrics->lfMenuFont = NonClientFont(FW_NORMAL);
    metrics->lfStatusFont = NonClientFont(FW_NORMAL);
    metrics->lfMessageFont = NonClientFont(FW_NORMAL);
    return TRUE;
}
