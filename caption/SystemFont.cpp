// Fonts from the system's non-client metrics.
#include "caption/SystemFont.h"

#include "platform/SystemMetrics.h"

CSystemFont g_fontSystemCaption(CSystemFont::kCaption, 0);

CSystemFont::CSystemFont(int nKind, int nHeight)
{
    NONCLIENTMETRICS metrics{};
    metrics.cbSize = sizeof(metrics);
    if (!SystemParametersInfo(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
        return;
    LOGFONT font{};
    switch (nKind) {
    case kStatus: font = metrics.lfStatusFont; break;
    case kMessage: font = metrics.lfMessageFont; break;
    case kMenu: font = metrics.lfMenuFont; break;
    default: font = metrics.lfCaptionFont; break;
    }
    // The height applies to the kind asked for (a height given for the status font should
    // not be dropped because it was meant for the caption font only).
    if (nHeight > 0)
        font.lfHeight = nHeight;
    CreateFontIndirect(&font);
}

CSystemFont::~CSystemFont() = default;
