#pragma once

// Drives the real program (Vantrix.exe or Vantrix64.exe) from a test program running in the same Wine
// prefix: starts it, finds its windows and controls, reads and answers its
// message boxes, clicks, types and takes screenshots. Everything crosses the
// process boundary with window messages, as a user's input would.

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vx::e2e {

// The program of this build under test (Vantrix.exe or Vantrix64.exe),
// beside the tests' folder.
std::wstring vantrix_exe();
// The folder of the running test program.
std::wstring test_folder();
// A path with its "." and ".." steps resolved.
std::wstring full_path(const std::wstring& path);

class App {
public:
    struct Options {
        std::wstring program;                                       // vantrix_exe() unless set
        std::vector<std::pair<std::wstring, std::wstring>> environment; // overrides; an empty value unsets
        std::wstring current_folder;
    };
    static App launch(const Options& options);
    static App launch() { return launch(Options{}); }

    App() = default;
    App(App&& other) noexcept;
    App& operator=(App&& other) noexcept;
    App(const App&) = delete;
    App& operator=(const App&) = delete;
    // Ends the program if it still runs.
    ~App();

    DWORD id() const { return id_; }
    HANDLE process() const { return process_; }
    bool running() const;
    // Waits for the end; the exit code, or nothing on time-out.
    std::optional<DWORD> wait_exit(DWORD timeout_ms);
    void terminate();

    // The visible main window, once it has been shown.
    HWND main_window(DWORD timeout_ms = 30000) const;

private:
    HANDLE process_ = nullptr;
    DWORD id_ = 0;
};

enum class IconKind { none, error, question, warning, information, unknown };
const char* icon_name(IconKind kind);

struct MessageBoxInfo {
    HWND window = nullptr;
    std::wstring caption;
    std::wstring text;
    std::vector<std::pair<int, std::wstring>> buttons; // control ID and caption
    IconKind icon = IconKind::none;
};

// The first message box the process shows within the time, or nothing.
std::optional<MessageBoxInfo> wait_message_box(DWORD process_id, DWORD timeout_ms = 20000);
// Presses a button of the box (IDOK, IDYES, IDNO ...) and waits until it closes.
void answer(const MessageBoxInfo& box, int button_id);
// The process's next message box. The tests of other prefixes share the
// display, and their windows can cover the box: when its icon cannot be told,
// it is read again with the box raised above them.
std::optional<MessageBoxInfo> next_box(DWORD process_id, DWORD timeout_ms = 30000);
// A box's text split into its lines, without their CR.
std::vector<std::wstring> split_box_lines(const std::wstring& text);

// Top-level visible windows of a process with the given class (any when empty).
std::vector<HWND> top_windows(DWORD process_id, const std::wstring& class_name = L"");
// A control anywhere below `root` with the control ID, or nullptr.
HWND find_control(HWND root, int id);
std::wstring window_text(HWND window);
std::wstring class_of(HWND window);
// The window's rectangle relative to another window's client area.
RECT rect_in(HWND window, HWND reference);
// True when the control lies wholly inside the box's visible client area.
bool shown_in(HWND control, HWND box);
// Scrolls a scroll box to its top, then down line by line until the control
// is wholly shown; answers whether it is.
bool scroll_into_view(HWND control, HWND box);

// True in a Wine prefix (ntdll has wine_get_version), for the places where a
// test accounts for Wine.
bool running_on_wine();

// Posts a click to a button, as a mouse click would do it; does not wait for
// the handler, which may show a modal box.
void click(HWND button);
// Posts a key press (down and up) to the window with the focus in `window`'s thread.
void press_key(HWND window, WORD key);
// Handles this test process's own messages while waiting.
void pause(DWORD milliseconds);
// Waits, handling this process's messages, until `done` holds; false on time-out.
bool wait_until(const std::function<bool()>& done, DWORD timeout_ms = 10000);

// Selects a page of the main window (0 Home, 1 File Associations Fixer,
// 2 Restriction Fixer, 3 Advanced) by clicking along its tab strip, and waits
// until the page shows: the tabs' own rectangles cannot be asked for from
// another process.
bool select_page(HWND main, int index);

// Saves what the screen shows of the window as a PNG file.
bool save_screenshot(HWND window, const std::wstring& path);

// The process ids of the running children of a process named `exe_name`.
std::vector<DWORD> child_processes(DWORD parent_id, const std::wstring& exe_name);
// Presses the space bar in the console of a process (through a helper
// that attaches to it); false when it could not.
bool press_key_in_console(DWORD process_id);

// Runs a command in the prefix through cmd.exe and answers its exit code.
int run_command(const std::wstring& command_line);

} // namespace vx::e2e

namespace vx::e2e {
// UTF-8 for test failure messages.
std::string to_narrow(const std::wstring& text);

// Sets the DPI the prefix reports to programs started while the object lives
// (HKCU\Control Panel\Desktop "LogPixels", which Wine 8 reads when a program
// starts), and puts the prefix back to 96 DPI afterwards. 96 changes nothing.
class PrefixDpi {
public:
    explicit PrefixDpi(int dpi);
    ~PrefixDpi();
    PrefixDpi(const PrefixDpi&) = delete;
    PrefixDpi& operator=(const PrefixDpi&) = delete;
    // False when the value could not be set.
    bool set() const { return set_; }

private:
    bool changed_ = false, had_value_ = false, set_ = true;
};
} // namespace vx::e2e
