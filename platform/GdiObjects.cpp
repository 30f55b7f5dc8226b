// Handle registry, stock objects and the drawing-object classes.
#include "platform/GdiObjects.h"

#include "platform/GdiObjectsImpl.h"
#include "platform/SurfaceAccess.h"

#include <QFontMetrics>

#include <algorithm>
#include <array>
#include <cstring>
#include <unordered_map>

namespace gdi {
namespace {

// Live objects by handle. Never destroyed: C++ drawing objects with static storage (a
// module-wide font) may be destroyed after any other static, and still reach the registry.
// Drawing objects belong to the user-interface thread, as in the framework.
std::unordered_map<Object*, std::unique_ptr<Object>>& Registry()
{
    static auto* registry = new std::unordered_map<Object*, std::unique_ptr<Object>>();
    return *registry;
}

void Free(Object* object)
{
    if (object->wrapper)
        object->wrapper->Detach();
    Registry().erase(object);
}

LOGFONT MakeLogFont(int height, int weight, const char* face)
{
    LOGFONT lf{};
    lf.lfHeight = height;
    lf.lfWeight = weight;
    std::strncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
    return lf;
}

Object* MakeStock(int index)
{
    auto make = [](Kind kind) {
        Object* o = Create(kind);
        o->stock = true;
        return o;
    };
    auto brush = [&](UINT style, COLORREF color) {
        Object* o = make(Kind::Brush);
        o->brush = BrushData{style, color, 0};
        return o;
    };
    auto pen = [&](int style, COLORREF color) {
        Object* o = make(Kind::Pen);
        o->pen = PenData{style, 1, color};
        return o;
    };
    auto font = [&](const LOGFONT& lf) {
        Object* o = make(Kind::Font);
        o->logFont = lf;
        return o;
    };
    switch (index) {
    case WHITE_BRUSH: return brush(BS_SOLID, RGB(255, 255, 255));
    case LTGRAY_BRUSH: return brush(BS_SOLID, RGB(192, 192, 192));
    case GRAY_BRUSH: return brush(BS_SOLID, RGB(128, 128, 128));
    case DKGRAY_BRUSH: return brush(BS_SOLID, RGB(64, 64, 64));
    case BLACK_BRUSH: return brush(BS_SOLID, RGB(0, 0, 0));
    case NULL_BRUSH: return brush(BS_NULL, 0);
    case WHITE_PEN: return pen(PS_SOLID, RGB(255, 255, 255));
    case BLACK_PEN: return pen(PS_SOLID, RGB(0, 0, 0));
    case NULL_PEN: return pen(PS_NULL, 0);
    case DEFAULT_GUI_FONT: return font(MakeLogFont(-11, FW_NORMAL, "DejaVu Sans"));
    case ANSI_VAR_FONT: return font(MakeLogFont(-11, FW_NORMAL, "DejaVu Sans"));
    case SYSTEM_FONT:
    case DEVICE_DEFAULT_FONT: return font(MakeLogFont(16, FW_BOLD, "DejaVu Sans"));
    case OEM_FIXED_FONT:
    case ANSI_FIXED_FONT:
    case SYSTEM_FIXED_FONT: return font(MakeLogFont(16, FW_NORMAL, "DejaVu Sans Mono"));
    case DEFAULT_PALETTE: return make(Kind::Palette);
    default: return nullptr;
    }
}

}  // namespace

Object::~Object() = default;

Object* Lookup(HGDIOBJ handle)
{
    auto* object = reinterpret_cast<Object*>(handle);
    auto& registry = Registry();
    if (!handle || registry.find(object) == registry.end() || object->deletePending)
        return nullptr;
    return object;
}

Object* Lookup(HGDIOBJ handle, Kind kind)
{
    Object* object = Lookup(handle);
    return object && object->kind == kind ? object : nullptr;
}

Object* Create(Kind kind)
{
    auto object = std::make_unique<Object>(kind);
    Object* raw = object.get();
    Registry().emplace(raw, std::move(object));
    return raw;
}

Object* Stock(int index)
{
    static std::array<Object*, DEFAULT_GUI_FONT + 1> stock{};
    if (index < 0 || index > DEFAULT_GUI_FONT)
        return nullptr;
    if (!stock[index])
        stock[index] = MakeStock(index);
    return stock[index];
}

int FontPixelSize(const LOGFONT& lf)
{
    constexpr int defaultHeight = 12;
    if (lf.lfHeight < 0)
        return std::max(1, -lf.lfHeight);
    if (lf.lfHeight == 0)
        return defaultHeight;
    // A positive height is the cell height (ascent + descent): scale the character
    // height by the family's cell-to-character ratio.
    QFont probe(QString::fromLatin1(lf.lfFaceName));
    probe.setPixelSize(100);
    QFontMetrics metrics(probe);
    int cell = metrics.ascent() + metrics.descent();
    return std::max(1, cell > 0 ? lf.lfHeight * 100 / cell : lf.lfHeight);
}

const QFont& FontOf(Object& object)
{
    if (!object.font) {
        const LOGFONT& lf = object.logFont;
        QFont font;
        QString face = QString::fromLatin1(lf.lfFaceName);
        font.setFamilies(face.isEmpty() ? QStringList{QStringLiteral("DejaVu Sans")}
                                        : QStringList{face, QStringLiteral("DejaVu Sans")});
        font.setPixelSize(FontPixelSize(lf));
        int weight = lf.lfWeight == FW_DONTCARE ? FW_NORMAL : std::clamp<int>(lf.lfWeight, 1, 1000);
        font.setWeight(static_cast<QFont::Weight>(weight));
        font.setItalic(lf.lfItalic != 0);
        font.setUnderline(lf.lfUnderline != 0);
        font.setStrikeOut(lf.lfStrikeOut != 0);
        font.setStyleStrategy(QFont::NoAntialias);
        font.setHintingPreference(QFont::PreferFullHinting);
        object.font = font;
    }
    return *object.font;
}

Ref::Ref(Object* object) : m_object(object)
{
    if (m_object)
        ++m_object->selectCount;
}

Ref& Ref::operator=(const Ref& other)
{
    if (this != &other) {
        Ref copy(other);
        std::swap(m_object, copy.m_object);
    }
    return *this;
}

Ref::~Ref()
{
    if (m_object && --m_object->selectCount == 0 && m_object->deletePending)
        Free(m_object);
}

}  // namespace gdi

using gdi::Kind;
using gdi::Object;

HGDIOBJ GetStockObject(int index)
{
    Object* object = gdi::Stock(index);
    return object ? object->Handle() : nullptr;
}

BOOL DeleteObject(HGDIOBJ handle)
{
    Object* object = gdi::Lookup(handle);
    if (!object)
        return FALSE;
    if (object->stock)
        return TRUE;
    if (object->owner)
        object->owner->m_hObject = nullptr;
    object->owner = nullptr;
    if (object->selectCount > 0) {
        object->deletePending = true;
        return TRUE;
    }
    gdi::Free(object);
    return TRUE;
}

DWORD GetObjectType(HGDIOBJ handle)
{
    Object* object = gdi::Lookup(handle);
    return object ? static_cast<DWORD>(object->kind) : 0;
}

int GetObject(HGDIOBJ handle, int size, void* buffer)
{
    Object* object = gdi::Lookup(handle);
    if (!object || !buffer)
        return 0;
    if (object->kind == Kind::Font && size >= static_cast<int>(sizeof(LOGFONT))) {
        std::memcpy(buffer, &object->logFont, sizeof(LOGFONT));
        return sizeof(LOGFONT);
    }
    if (object->kind == Kind::Bitmap && object->bitmap && size >= static_cast<int>(sizeof(BITMAP))) {
        BITMAP info{};
        info.bmWidth = object->bitmap->Width();
        info.bmHeight = object->bitmap->Height();
        info.bmWidthBytes = info.bmWidth * 4;
        info.bmPlanes = 1;
        info.bmBitsPixel = 32;
        std::memcpy(buffer, &info, sizeof(BITMAP));
        return sizeof(BITMAP);
    }
    return 0;
}

HPEN CreatePen(int style, int width, COLORREF color)
{
    Object* object = gdi::Create(Kind::Pen);
    object->pen = gdi::PenData{style & PS_STYLE_MASK, std::max(1, width), color};
    return reinterpret_cast<HPEN>(object->Handle());
}

HBRUSH CreateSolidBrush(COLORREF color)
{
    Object* object = gdi::Create(Kind::Brush);
    object->brush = gdi::BrushData{BS_SOLID, color, 0};
    return reinterpret_cast<HBRUSH>(object->Handle());
}

HBRUSH CreateHatchBrush(int hatch, COLORREF color)
{
    Object* object = gdi::Create(Kind::Brush);
    object->brush = gdi::BrushData{BS_HATCHED, color, std::clamp(hatch, HS_HORIZONTAL, HS_DIAGCROSS)};
    return reinterpret_cast<HBRUSH>(object->Handle());
}

HFONT CreateFontIndirect(const LOGFONT* font)
{
    if (!font)
        return nullptr;
    Object* object = gdi::Create(Kind::Font);
    object->logFont = *font;
    object->logFont.lfFaceName[LF_FACESIZE - 1] = '\0';
    return reinterpret_cast<HFONT>(object->Handle());
}
