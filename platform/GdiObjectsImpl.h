// Platform-private side of the drawing objects: what a handle points to, and the
// reference a device context keeps on each object it has selected.
#pragma once

#include "platform/GdiObjects.h"
#include "platform/Surface.h"

#include <QFont>
#include <QRegion>

#include <memory>
#include <optional>

namespace gdi {

enum class Kind { Pen = OBJ_PEN, Brush = OBJ_BRUSH, Palette = OBJ_PAL, Font = OBJ_FONT, Bitmap = OBJ_BITMAP, Region = OBJ_REGION };

struct PenData {
    int style = PS_SOLID;
    int width = 1;
    COLORREF color = 0;
};

struct BrushData {
    UINT style = BS_SOLID;
    COLORREF color = 0;
    int hatch = 0;
};

// One drawing object. A handle is the address of its Object.
struct Object {
    explicit Object(Kind k) : kind(k) {}
    ~Object();

    Kind kind;
    bool stock = false;
    bool deletePending = false;  // deleted while selected: freed on the last release
    int selectCount = 0;         // device contexts (and their saved states) holding it
    CGdiObject* owner = nullptr; // the C++ object attached to the handle
    // Wrapper that FromHandle hands out when no C++ object owns the handle. Owned here
    // because the framework API returns a plain pointer that callers never delete.
    std::unique_ptr<CGdiObject> wrapper;

    PenData pen;
    BrushData brush;
    LOGFONT logFont{};
    std::optional<QFont> font;  // built from logFont on first use
    std::unique_ptr<CSurface> bitmap;
    QRegion region;

    HGDIOBJ Handle() { return reinterpret_cast<HGDIOBJ>(this); }
};

// The live object behind a handle; null for an unknown, freed or pending handle.
Object* Lookup(HGDIOBJ handle);
Object* Lookup(HGDIOBJ handle, Kind kind);
template <class Handle>
Object* LookupAs(Handle handle, Kind kind)
{
    return Lookup(reinterpret_cast<HGDIOBJ>(handle), kind);
}
// A new registered object; the handle is Object::Handle().
Object* Create(Kind kind);
Object* Stock(int index);

// The Qt font of a font object (built lazily; antialiasing off).
const QFont& FontOf(Object& font);
// The character height in pixels that a LOGFONT asks for.
int FontPixelSize(const LOGFONT& lf);

// A device context's hold on a selected object: keeps it alive while selected.
class Ref {
public:
    Ref() = default;
    explicit Ref(Object* object);
    Ref(const Ref& other) : Ref(other.m_object) {}
    Ref& operator=(const Ref& other);
    ~Ref();
    Object* get() const { return m_object; }
    Object* operator->() const { return m_object; }
    explicit operator bool() const { return m_object != nullptr; }

private:
    Object* m_object = nullptr;
};

}  // namespace gdi
