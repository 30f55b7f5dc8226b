// CSystemFont: a font made from the system's non-client metrics, and the module-wide
// system caption font that the custom caption uses whenever no font of its own is set.
#pragma once

#include "platform/GdiObjects.h"

class CSystemFont : public CFont {
public:
    // Font kinds of the non-client metrics. Any other kind gives the caption font.
    static constexpr int kCaption = 1;
    static constexpr int kStatus = 2;
    static constexpr int kMessage = 3;
    static constexpr int kMenu = 4;

    // Creates the font of the given kind; a height > 0 replaces the metrics' height
    // (a cell height, as LOGFONT::lfHeight > 0 means). Without metrics the font has no
    // handle.
    explicit CSystemFont(int nKind = kCaption, int nHeight = 0);
    ~CSystemFont() override;
};

// The system caption font (kind 1, height 0), created when the module loads and deleted
// when it unloads.
extern CSystemFont g_fontSystemCaption;
