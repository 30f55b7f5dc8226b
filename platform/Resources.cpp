// The resource registry.
#include "platform/Resources.h"
#include "platform/ResourcesInternal.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>

namespace {

struct Registry {
    std::map<UINT, DialogTemplate> dialogs;
    std::map<UINT, std::vector<MenuItemTemplate>> menus;
    std::map<UINT, ToolBarTemplate> toolbars;
    std::map<UINT, std::vector<IconImage>> icons;
    std::map<UINT, std::string> strings;
    // One image per (icon, size) once loaded; handles point at these.
    std::map<std::pair<UINT, int>, std::unique_ptr<QImage>> loadedIcons;
};

Registry& Resources()
{
    static Registry registry;
    return registry;
}

QImage ToQImage(const IconImage& icon)
{
    QImage image(icon.width, icon.height, QImage::Format_ARGB32);
    for (int y = 0; y < icon.height; ++y)
        for (int x = 0; x < icon.width; ++x) {
            const std::size_t index = static_cast<std::size_t>(y) * static_cast<std::size_t>(icon.width) + static_cast<std::size_t>(x);
            image.setPixel(x, y, index < icon.pixels.size() ? icon.pixels[index] : 0u);
        }
    return image;
}

// The application icon when nothing else is registered: a small framed window.
QImage DefaultApplicationIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(0xFF000080u);
    for (int i = 0; i < size; ++i) {
        image.setPixel(i, 0, 0xFF000000u);
        image.setPixel(i, size - 1, 0xFF000000u);
        image.setPixel(0, i, 0xFF000000u);
        image.setPixel(size - 1, i, 0xFF000000u);
    }
    for (int y = size / 4; y < size - 1; ++y)
        for (int x = 1; x < size - 1; ++x)
            image.setPixel(x, y, 0xFFFFFFFFu);
    return image;
}

HICON LoadIconSized(UINT id, int size)
{
    auto& reg = Resources();
    const auto key = std::make_pair(id, size);
    if (auto it = reg.loadedIcons.find(key); it != reg.loadedIcons.end())
        return reinterpret_cast<HICON>(it->second.get());
    QImage image;
    auto it = reg.icons.find(id);
    if (it != reg.icons.end() && !it->second.empty()) {
        // The image whose width is closest to the requested size, scaled to it.
        const auto& images = it->second;
        const auto best = std::min_element(images.begin(), images.end(), [size](const IconImage& a, const IconImage& b) {
            return std::abs(a.width - size) < std::abs(b.width - size);
        });
        image = ToQImage(*best);
        if (size > 0 && (image.width() != size || image.height() != size))
            image = image.scaled(size, size);
    } else if (id == 32512) {
        image = DefaultApplicationIcon(size > 0 ? size : 32);
    } else {
        return nullptr;
    }
    auto owned = std::make_unique<QImage>(std::move(image));
    HICON handle = reinterpret_cast<HICON>(owned.get());
    reg.loadedIcons[key] = std::move(owned);
    return handle;
}

}  // namespace

const QImage* IconImageFromHandle(HICON hIcon)
{
    for (const auto& [key, image] : Resources().loadedIcons)
        if (reinterpret_cast<HICON>(image.get()) == hIcon)
            return image.get();
    return nullptr;
}

void RegisterDialogTemplate(UINT id, DialogTemplate tmpl) { Resources().dialogs[id] = std::move(tmpl); }
void RegisterMenu(UINT id, std::vector<MenuItemTemplate> items) { Resources().menus[id] = std::move(items); }
void RegisterToolBar(UINT id, ToolBarTemplate tmpl) { Resources().toolbars[id] = std::move(tmpl); }

void RegisterIcon(UINT id, std::vector<IconImage> images)
{
    auto& reg = Resources();
    reg.icons[id] = std::move(images);
    std::erase_if(reg.loadedIcons, [id](const auto& entry) { return entry.first.first == id; });
}

void RegisterString(UINT id, const char* text) { Resources().strings[id] = text != nullptr ? text : ""; }

const DialogTemplate* FindDialogTemplate(UINT id)
{
    auto it = Resources().dialogs.find(id);
    return it == Resources().dialogs.end() ? nullptr : &it->second;
}

const std::vector<MenuItemTemplate>* FindMenuTemplate(UINT id)
{
    auto it = Resources().menus.find(id);
    return it == Resources().menus.end() ? nullptr : &it->second;
}

const ToolBarTemplate* FindToolBarTemplate(UINT id)
{
    auto it = Resources().toolbars.find(id);
    return it == Resources().toolbars.end() ? nullptr : &it->second;
}

HINSTANCE AfxGetInstanceHandle()
{
    static int module = 0;
    return reinterpret_cast<HINSTANCE>(&module);
}

HINSTANCE AfxGetResourceHandle() { return AfxGetInstanceHandle(); }

HICON LoadIcon(HINSTANCE, LPCTSTR lpIconName)
{
    if (!IS_INTRESOURCE(lpIconName))
        return nullptr;
    return LoadIconSized(static_cast<UINT>(reinterpret_cast<std::uintptr_t>(lpIconName)), 32);
}

void* LoadImage(HINSTANCE, LPCTSTR name, UINT type, int cx, int, UINT)
{
    if (type != IMAGE_ICON || !IS_INTRESOURCE(name))
        return nullptr;
    return LoadIconSized(static_cast<UINT>(reinterpret_cast<std::uintptr_t>(name)), cx);
}

BOOL DestroyIcon(HICON) { return TRUE; }

int LoadString(HINSTANCE, UINT uID, LPTSTR lpBuffer, int cchBufferMax)
{
    auto it = Resources().strings.find(uID);
    if (it == Resources().strings.end() || lpBuffer == nullptr || cchBufferMax <= 0)
        return 0;
    const std::size_t count = std::min<std::size_t>(it->second.size(), static_cast<std::size_t>(cchBufferMax - 1));
    std::memcpy(lpBuffer, it->second.data(), count);
    lpBuffer[count] = '\0';
    return static_cast<int>(count);
}

BOOL LoadStringResource(CString& rString, UINT uID)
{
    auto it = Resources().strings.find(uID);
    if (it == Resources().strings.end())
        return FALSE;
    rString = it->second.c_str();
    return TRUE;
}
