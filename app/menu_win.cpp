#include "app/menu_win.h"

#include <shellapi.h>

#include <string>
#include <vector>

#include "services/error.h"

namespace vx {

namespace {

void fill_menu_bar(HMENU bar, std::span<const MenuItem> items) {
    // The menu that takes items of each depth: the bar, then the open menus.
    std::vector<HMENU> open{bar};
    for (std::size_t i = 0; i < items.size(); ++i) {
        const MenuItem& item = items[i];
        const auto depth = static_cast<std::size_t>(item.depth);
        if (depth >= open.size()) throw Error(L"A menu item lies deeper than its menu");
        open.resize(depth + 1);
        const bool opens_menu = i + 1 < items.size() && items[i + 1].depth > item.depth;

        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_ID | MIIM_FTYPE;
        info.wID = static_cast<UINT>(item.id);
        std::wstring text = menu_text(item.caption);
        if (item.caption.empty()) {
            info.fType = MFT_SEPARATOR;
        } else {
            info.fType = MFT_STRING;
            info.fMask |= MIIM_STRING;
            info.dwTypeData = text.data();
        }
        if (opens_menu) {
            info.fMask |= MIIM_SUBMENU;
            info.hSubMenu = CreatePopupMenu();
            if (!info.hSubMenu) throw Error(L"Cannot create the main menu");
        }
        HMENU into = open[depth];
        if (!InsertMenuItemW(into, static_cast<UINT>(GetMenuItemCount(into)), TRUE, &info)) {
            if (opens_menu) DestroyMenu(info.hSubMenu);
            throw Error(L"Cannot create the main menu");
        }
        if (opens_menu) open.push_back(info.hSubMenu);
    }
}

} // namespace

HMENU build_menu_bar(std::span<const MenuItem> items) {
    HMENU bar = CreateMenu();
    if (!bar) throw Error(L"Cannot create the main menu");
    try {
        fill_menu_bar(bar, items);
    } catch (...) {
        DestroyMenu(bar); // with every submenu already in it
        throw;
    }
    return bar;
}

void shell_open(HWND owner, const ShellTarget& target) {
    ShellExecuteW(owner, L"open", target.file.c_str(), target.parameters.empty() ? nullptr : target.parameters.c_str(),
                  nullptr, SW_SHOW);
}

} // namespace vx
