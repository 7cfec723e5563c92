#include "tests/e2e/driver.h"

#include "app/components.h"

#include <commctrl.h>
#include <tlhelp32.h>
#include <objbase.h>
#include <wincodec.h>

#include <algorithm>
#include <cwctype>
#include <map>

namespace vx::e2e {

namespace {

constexpr int kMessageBoxTextId = 0xFFFF;
constexpr int kMessageBoxIconId = 0x0440; // the icon control of the system's message box

std::wstring upper(std::wstring text) {
    for (auto& c : text) c = static_cast<wchar_t>(std::towupper(c));
    return text;
}

// The current environment with the overrides applied, as a block for
// CreateProcessW: sorted by name without regard to case, each entry ended by
// a zero, the block by another.
std::wstring environment_block(const std::vector<std::pair<std::wstring, std::wstring>>& overrides) {
    std::map<std::wstring, std::wstring> entries; // upper-case name -> "Name=value"
    wchar_t* strings = GetEnvironmentStringsW();
    for (const wchar_t* p = strings; *p; p += wcslen(p) + 1) {
        std::wstring entry = p;
        const auto equals = entry.find(L'=', 1);
        if (equals == std::wstring::npos) continue;
        entries[upper(entry.substr(0, equals))] = entry;
    }
    FreeEnvironmentStringsW(strings);
    for (const auto& [name, value] : overrides) {
        if (value.empty())
            entries.erase(upper(name));
        else
            entries[upper(name)] = name + L"=" + value;
    }
    std::wstring block;
    for (const auto& [key, entry] : entries) {
        block += entry;
        block += L'\0';
    }
    block += L'\0';
    return block;
}

struct WindowSearch {
    DWORD process_id;
    std::wstring class_name;
    std::vector<HWND> found;
};

BOOL CALLBACK collect_top(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<WindowSearch*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->process_id && IsWindowVisible(window) &&
        (search->class_name.empty() || class_of(window) == search->class_name))
        search->found.push_back(window);
    return TRUE;
}

struct ControlSearch {
    int id;
    HWND found;
};

BOOL CALLBACK find_child(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<ControlSearch*>(context);
    if (GetDlgCtrlID(window) == search->id) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK collect_children(HWND window, LPARAM context) {
    reinterpret_cast<std::vector<HWND>*>(context)->push_back(window);
    return TRUE;
}

std::vector<HWND> children_of(HWND parent) {
    std::vector<HWND> children;
    EnumChildWindows(parent, collect_children, reinterpret_cast<LPARAM>(&children));
    return children;
}

// Reads what the screen shows in a rectangle, as 32-bit pixels.
std::vector<COLORREF> screen_pixels(const RECT& r) {
    const int w = r.right - r.left, h = r.bottom - r.top;
    std::vector<COLORREF> pixels;
    HDC screen = GetDC(nullptr);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) pixels.push_back(GetPixel(screen, r.left + x, r.top + y));
    ReleaseDC(nullptr, screen);
    return pixels;
}

// The kind of standard icon a message box shows, found by drawing each
// standard icon here on the box's background and comparing pixels with what
// the screen shows (icon handles cannot be read from another process).
IconKind identify_icon(HWND box) {
    HWND icon = GetDlgItem(box, kMessageBoxIconId);
    if (!icon || !IsWindowVisible(icon)) return IconKind::none;
    RECT r;
    GetWindowRect(icon, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0) return IconKind::none;
    const auto shown = screen_pixels(r);

    struct Candidate {
        IconKind kind;
        LPCWSTR id;
    };
    const Candidate candidates[] = {{IconKind::error, MAKEINTRESOURCEW(32513)},
                                    {IconKind::question, MAKEINTRESOURCEW(32514)},
                                    {IconKind::warning, MAKEINTRESOURCEW(32515)},
                                    {IconKind::information, MAKEINTRESOURCEW(32516)}};
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = SelectObject(memory, bitmap);
    IconKind best = IconKind::unknown;
    for (const auto& candidate : candidates) {
        RECT all{0, 0, w, h};
        FillRect(memory, &all, GetSysColorBrush(COLOR_BTNFACE));
        DrawIconEx(memory, 0, 0, LoadIconW(nullptr, candidate.id), 0, 0, 0, nullptr, DI_NORMAL);
        std::size_t same = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (GetPixel(memory, x, y) == shown[static_cast<std::size_t>(y * w + x)]) ++same;
        if (same * 100 >= shown.size() * 98) best = candidate.kind;
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return best;
}

bool is_message_box(HWND window) {
    if (class_of(window) != L"#32770" || !GetDlgItem(window, kMessageBoxTextId)) return false;
    for (HWND child : children_of(window))
        if (class_of(child) == L"Edit") return false; // an input box, not a message box
    return true;
}

} // namespace

std::wstring full_path(const std::wstring& path) {
    wchar_t buffer[MAX_PATH * 2];
    const DWORD n = GetFullPathNameW(path.c_str(), MAX_PATH * 2, buffer, nullptr);
    return std::wstring(buffer, n);
}

std::wstring test_folder() {
    wchar_t path[MAX_PATH * 2];
    std::wstring self(path, GetModuleFileNameW(nullptr, path, MAX_PATH * 2));
    return self.substr(0, self.find_last_of(L'\\'));
}

std::wstring vantrix_exe() { return full_path(test_folder() + L"\\..\\" VANTRIX_PROGRAM_FILE); }

App App::launch(const Options& options) {
    const std::wstring program = options.program.empty() ? vantrix_exe() : options.program;
    std::wstring line = L"\"" + program + L"\"";
    std::wstring environment = environment_block(options.environment);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    App app;
    if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
                        environment.data(), options.current_folder.empty() ? nullptr : options.current_folder.c_str(),
                        &startup, &info))
        return app;
    CloseHandle(info.hThread);
    app.process_ = info.hProcess;
    app.id_ = info.dwProcessId;
    WaitForInputIdle(info.hProcess, 10000);
    return app;
}

App::App(App&& other) noexcept
    : process_(std::exchange(other.process_, nullptr)), id_(std::exchange(other.id_, 0)) {}

App& App::operator=(App&& other) noexcept {
    if (this != &other) {
        terminate();
        process_ = std::exchange(other.process_, nullptr);
        id_ = std::exchange(other.id_, 0);
    }
    return *this;
}

App::~App() { terminate(); }

bool App::running() const { return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

std::optional<DWORD> App::wait_exit(DWORD timeout_ms) {
    if (!process_ || WaitForSingleObject(process_, timeout_ms) != WAIT_OBJECT_0) return std::nullopt;
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    return code;
}

void App::terminate() {
    if (!process_) return;
    if (running()) {
        TerminateProcess(process_, 1);
        WaitForSingleObject(process_, 10000);
    }
    CloseHandle(process_);
    process_ = nullptr;
}

HWND App::main_window(DWORD timeout_ms) const {
    const DWORD start = GetTickCount();
    do {
        auto windows = top_windows(id_, L"TFORM_UTAMA");
        // The window shows its Home page first and makes the other pages'
        // controls right after; it is complete once the last of them exists.
        if (!windows.empty() && find_control(windows.front(), main_ids::btnResetGPedit)) return windows.front();
        if (!running()) return nullptr;
        pause(50);
    } while (GetTickCount() - start < timeout_ms);
    return nullptr;
}

const char* icon_name(IconKind kind) {
    switch (kind) {
    case IconKind::none:
        return "none";
    case IconKind::error:
        return "error";
    case IconKind::question:
        return "question";
    case IconKind::warning:
        return "warning";
    case IconKind::information:
        return "information";
    case IconKind::unknown:
        break;
    }
    return "unknown";
}

std::optional<MessageBoxInfo> wait_message_box(DWORD process_id, DWORD timeout_ms) {
    const DWORD start = GetTickCount();
    do {
        for (HWND window : top_windows(process_id, L"#32770")) {
            if (!is_message_box(window)) continue;
            MessageBoxInfo box;
            box.window = window;
            box.caption = window_text(window);
            box.text = window_text(GetDlgItem(window, kMessageBoxTextId));
            for (HWND child : children_of(window))
                if (class_of(child) == L"Button") box.buttons.emplace_back(GetDlgCtrlID(child), window_text(child));
            // Give the box a moment to paint its icon, then look at it. The
            // display may be shared with programs of other prefixes, whose
            // windows can lie over the box: it is raised above them for each
            // look (a box already topmost would not be raised again), and put
            // back among the ordinary windows afterwards.
            constexpr UINT keep = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
            for (int attempt = 0; attempt < 40; ++attempt) {
                SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, keep);
                SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, keep);
                pause(50);
                box.icon = identify_icon(window);
                if (box.icon != IconKind::unknown) break;
            }
            SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, keep);
            return box;
        }
        pause(50);
    } while (GetTickCount() - start < timeout_ms);
    return std::nullopt;
}

void answer(const MessageBoxInfo& box, int button_id) {
    HWND button = GetDlgItem(box.window, button_id);
    PostMessageW(box.window, WM_COMMAND, MAKEWPARAM(button_id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    for (int i = 0; i < 200 && IsWindow(box.window); ++i) pause(50);
}

std::vector<HWND> top_windows(DWORD process_id, const std::wstring& class_name) {
    WindowSearch search{process_id, class_name, {}};
    EnumWindows(collect_top, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND find_control(HWND root, int id) {
    ControlSearch search{id, nullptr};
    EnumChildWindows(root, find_child, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::wstring window_text(HWND window) {
    // WM_GETTEXT crosses the process boundary; GetWindowText would not for controls.
    const auto length = SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    SendMessageW(window, WM_GETTEXT, static_cast<WPARAM>(length + 1), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(length));
    return text;
}

std::wstring class_of(HWND window) {
    wchar_t name[128];
    return std::wstring(name, static_cast<std::size_t>(GetClassNameW(window, name, 128)));
}

RECT rect_in(HWND window, HWND reference) {
    RECT r;
    GetWindowRect(window, &r);
    MapWindowPoints(nullptr, reference, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void click(HWND button) { PostMessageW(button, BM_CLICK, 0, 0); }

void press_key(HWND window, WORD key) {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    HWND target = window;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) && info.hwndFocus) target = info.hwndFocus;
    const UINT scan = MapVirtualKeyW(key, MAPVK_VK_TO_VSC);
    PostMessageW(target, WM_KEYDOWN, key, static_cast<LPARAM>(1 | (scan << 16)));
    PostMessageW(target, WM_KEYUP, key, static_cast<LPARAM>(1 | (scan << 16) | (3u << 30)));
}

bool shown_in(HWND control, HWND box) {
    const RECT rect = rect_in(control, box);
    RECT client;
    GetClientRect(box, &client);
    return rect.top >= 0 && rect.left >= 0 && rect.bottom <= client.bottom && rect.right <= client.right;
}

bool scroll_into_view(HWND control, HWND box) {
    SendMessageW(box, WM_VSCROLL, MAKEWPARAM(SB_TOP, 0), 0);
    for (int step = 0; step < 100 && !shown_in(control, box); ++step)
        SendMessageW(box, WM_VSCROLL, SB_LINEDOWN, 0);
    return shown_in(control, box);
}

bool running_on_wine() {
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

std::optional<MessageBoxInfo> next_box(DWORD process_id, DWORD timeout_ms) {
    auto box = wait_message_box(process_id, timeout_ms);
    if (!box || box->icon != IconKind::unknown) return box;
    SetWindowPos(box->window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    pause(300);
    auto raised = wait_message_box(process_id, 1000);
    SetWindowPos(box->window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return raised ? raised : box;
}

std::vector<std::wstring> split_box_lines(const std::wstring& text) {
    std::vector<std::wstring> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find(L'\n', start)) != std::wstring::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    lines.push_back(text.substr(start));
    for (auto& line : lines)
        if (!line.empty() && line.back() == L'\r') line.pop_back();
    return lines;
}

PrefixDpi::PrefixDpi(int dpi) {
    if (dpi == 96) return;
    had_value_ = run_command(L"reg query \"HKCU\\Control Panel\\Desktop\" /v LogPixels >nul 2>&1") == 0;
    changed_ = true;
    set_ = run_command(L"reg add \"HKCU\\Control Panel\\Desktop\" /v LogPixels /t REG_DWORD /d " +
                       std::to_wstring(dpi) + L" /f >nul") == 0;
}

PrefixDpi::~PrefixDpi() {
    if (!changed_) return;
    run_command(had_value_ ? L"reg add \"HKCU\\Control Panel\\Desktop\" /v LogPixels /t REG_DWORD /d 96 /f >nul"
                           : L"reg delete \"HKCU\\Control Panel\\Desktop\" /v LogPixels /f >nul");
}

void pause(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    do {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        Sleep(10);
    } while (GetTickCount() - start < milliseconds);
}

bool wait_until(const std::function<bool()>& done, DWORD timeout_ms) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeout_ms) return false;
        pause(20);
    }
    return true;
}

bool select_page(HWND main, int index) {
    static constexpr int pages[] = {main_ids::TabSheet1, main_ids::tsFILEASSOC, main_ids::tsRESTRICTFIX,
                                    main_ids::tsADVANCEDFIX};
    if (index < 0 || index > 3) return false;
    HWND tabs = find_control(main, main_ids::PageControl1);
    RECT client;
    GetClientRect(tabs, &client);
    const int y = MulDiv(15, client.right, 641); // inside the tab strip at any DPI
    for (int x = 4; x < client.right; x += 6) {
        if (SendMessageW(tabs, TCM_GETCURSEL, 0, 0) == index) break;
        PostMessageW(tabs, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        PostMessageW(tabs, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
        pause(30);
    }
    HWND page = find_control(main, pages[index]);
    return wait_until([&] { return IsWindowVisible(page) != FALSE; }, 3000);
}

bool save_screenshot(HWND window, const std::wstring& path) {
    RECT r;
    GetWindowRect(window, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0) return false;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);

    bool saved = false;
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IWICImagingFactory* factory = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                   reinterpret_cast<void**>(&factory)))) {
        IWICBitmap* source = nullptr;
        IWICStream* stream = nullptr;
        IWICBitmapEncoder* encoder = nullptr;
        IWICBitmapFrameEncode* frame = nullptr;
        if (SUCCEEDED(factory->CreateBitmapFromHBITMAP(bitmap, nullptr, WICBitmapIgnoreAlpha, &source)) &&
            SUCCEEDED(factory->CreateStream(&stream)) &&
            SUCCEEDED(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE)) &&
            SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder)) &&
            SUCCEEDED(encoder->Initialize(stream, WICBitmapEncoderNoCache)) &&
            SUCCEEDED(encoder->CreateNewFrame(&frame, nullptr)) && SUCCEEDED(frame->Initialize(nullptr)) &&
            SUCCEEDED(frame->WriteSource(source, nullptr)) && SUCCEEDED(frame->Commit()) &&
            SUCCEEDED(encoder->Commit()))
            saved = true;
        if (frame) frame->Release();
        if (encoder) encoder->Release();
        if (stream) stream->Release();
        if (source) source->Release();
        factory->Release();
    }
    DeleteObject(bitmap);
    return saved;
}

std::vector<DWORD> child_processes(DWORD parent_id, const std::wstring& exe_name) {
    std::vector<DWORD> found;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return found;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
        if (entry.th32ParentProcessID == parent_id && _wcsicmp(entry.szExeFile, exe_name.c_str()) == 0)
            found.push_back(entry.th32ProcessID);
    CloseHandle(snapshot);
    return found;
}

bool press_key_in_console(DWORD process_id) {
    // A process can be attached to one console only, and this one may have its
    // own; the helper starts without one.
    const std::wstring helper = test_folder() + L"\\vx_child.exe";
    std::wstring line = L"vx_child.exe key " + std::to_wstring(process_id);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(helper.c_str(), line.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr, nullptr,
                        &startup, &info))
        return false;
    WaitForSingleObject(info.hProcess, 10000);
    DWORD code = 1;
    GetExitCodeProcess(info.hProcess, &code);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return code == 0;
}

int run_command(const std::wstring& command_line) {
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    const std::wstring cmd = std::wstring(system) + L"\\cmd.exe";
    std::wstring line = L"cmd.exe /c " + command_line;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(cmd.c_str(), line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &info))
        return -1;
    WaitForSingleObject(info.hProcess, 60000);
    DWORD code = 0;
    GetExitCodeProcess(info.hProcess, &code);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return static_cast<int>(code);
}

} // namespace vx::e2e

namespace vx::e2e {
std::string to_narrow(const std::wstring& text) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}
} // namespace vx::e2e
