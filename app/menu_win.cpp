#include "app/menu_win.h"

#include <exdisp.h>
#include <shellapi.h>
#include <shldisp.h>
#include <shlobj.h>

#include <array>
#include <string>
#include <vector>

#include "app/application_win.h"
#include "services/error.h"
#include "services/handles_win.h"
#include "services/system_library_win.h"

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

namespace {

// A target as the log shows it.
std::wstring target_text(const ShellTarget& target) {
    return target.parameters.empty() ? target.file : target.file + L" " + target.parameters;
}

std::wstring system_folder() {
    std::array<wchar_t, MAX_PATH + 2> buffer{};
    return std::wstring(buffer.data(), GetSystemDirectoryW(buffer.data(), MAX_PATH));
}

} // namespace

void shell_open(HWND owner, const ShellTarget& target) {
    // The program starts in the system folder, not in the folder this one was
    // started from, where a planted DLL or program could be picked up.
    const std::wstring folder = system_folder();
    const auto result = reinterpret_cast<INT_PTR>(shell_execute(
        owner, L"open", target.file.c_str(), target.parameters.empty() ? nullptr : target.parameters.c_str(),
        folder.c_str(), SW_SHOW));
    app().log().command_started(target_text(target), result > 32);
}

namespace {

// The Shell.Application object of the running desktop shell, reached from the
// shell's own desktop window: what it starts runs in the shell's process and
// with the shell's rights, not this program's. Empty where no desktop shell
// runs or it offers no such object.
ComPtr<IShellDispatch2> desktop_shell() {
    ComPtr<IShellWindows> windows;
    if (FAILED(
            CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows, windows.put_void())))
        return {};
    Variant location;
    location.get().vt = VT_I4;
    location.get().lVal = CSIDL_DESKTOP;
    Variant root;
    long window = 0;
    ComPtr<IDispatch> desktop;
    if (windows->FindWindowSW(&location.get(), &root.get(), SWC_DESKTOP, &window, SWFO_NEEDDISPATCH, desktop.put()) !=
            S_OK ||
        !desktop)
        return {};
    ComPtr<IServiceProvider> provider;
    ComPtr<IShellBrowser> browser;
    ComPtr<IShellView> view;
    ComPtr<IDispatch> background;
    ComPtr<IShellFolderViewDual> folder_view;
    ComPtr<IDispatch> application;
    ComPtr<IShellDispatch2> shell;
    if (FAILED(desktop->QueryInterface(IID_IServiceProvider, provider.put_void())) || !provider ||
        FAILED(provider->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, browser.put_void())) || !browser ||
        FAILED(browser->QueryActiveShellView(view.put())) || !view ||
        FAILED(view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, background.put_void())) || !background ||
        FAILED(background->QueryInterface(IID_IShellFolderViewDual, folder_view.put_void())) || !folder_view ||
        FAILED(folder_view->get_Application(application.put())) || !application ||
        FAILED(application->QueryInterface(IID_IShellDispatch2, shell.put_void())))
        return {};
    return shell;
}

} // namespace

bool open_through_desktop_shell(const ShellTarget& target) {
    ComPtr<IShellDispatch2> shell = desktop_shell();
    if (!shell) return false;
    Bstr file(target.file.c_str());
    Variant arguments, directory, operation, show;
    arguments.get().vt = VT_BSTR;
    arguments.get().bstrVal = sys_alloc_string(target.parameters.c_str());
    directory.get().vt = VT_BSTR;
    directory.get().bstrVal = sys_alloc_string(L"");
    operation.get().vt = VT_BSTR;
    operation.get().bstrVal = sys_alloc_string(L"open");
    show.get().vt = VT_I4;
    show.get().lVal = SW_SHOWNORMAL;
    return SUCCEEDED(shell->ShellExecute(file.get(), arguments.get(), directory.get(), operation.get(), show.get()));
}

void open_as_user(HWND owner, const ShellTarget& target) {
    // A browser or mail client started from here would run elevated, and with
    // it every page and attachment it opens. The desktop shell starts it with
    // the user's own rights. Where no desktop shell runs (another shell, or
    // none), there is nobody to hand it to, and it is opened from here as
    // before.
    if (open_through_desktop_shell(target)) {
        app().log().note(L"handed to the desktop shell: " + target_text(target));
        return;
    }
    shell_open(owner, target);
}

} // namespace vx
