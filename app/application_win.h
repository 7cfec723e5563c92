#pragma once

#include <windows.h>

#include <deque>
#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "services/action_log.h"
#include "services/backup_folders_win.h"
#include "services/command_runner_win.h"
#include "services/file_system_win.h"
#include "services/log_store_win.h"
#include "services/registry_win.h"
#include "services/resources_win.h"
#include "services/services.h"
#include "services/ui.h"

namespace vx {

// The application object: the program's title, its modal boxes, the message
// pump, and the one dispatch point through which every click and menu handler
// runs. It also owns the Win32 services the repairs use.
class Application : public Ui {
public:
    static Application& instance();

    // COM for the GUI thread as a single-threaded apartment, the common
    // controls, and the DLL search limited to the system folder.
    void initialize(HINSTANCE instance);
    HINSTANCE module() const { return instance_; }

    const std::wstring& title() const { return title_; }
    void set_title(std::wstring title) { title_ = std::move(title); }

    // Message boxes are owned by the main window while it exists.
    void set_main_window(HWND window) { main_window_ = window; }
    HWND main_window() const { return main_window_; }
    // A modal window of the program's own that owns the boxes while it shows.
    void set_box_owner(HWND window) { box_owner_ = window; }
    // The dialog-like window whose keyboard navigation the pump serves.
    void set_dialog_window(HWND window) { dialog_window_ = window; }

    // Ui
    int message_box(const std::wstring& text, const std::wstring& caption, unsigned flags) override;
    std::wstring input_box(const std::wstring& caption, const std::wstring& prompt,
                           const std::wstring& initial) override;
    void process_messages() override;
    void sleep(unsigned milliseconds) override { Sleep(milliseconds); }

    // Posts the quit request; the message loop ends when it takes it.
    void terminate() { PostQuitMessage(0); }

    // Runs a handler; an error it raises is shown in the standard error box
    // and the program goes on.
    template <typename Handler>
    void dispatch(Handler&& handler) noexcept {
        try {
            handler();
        } catch (...) {
            show_exception(std::current_exception());
        }
    }
    void show_exception(std::exception_ptr error) noexcept;

    // The message loop: runs until the quit request.
    int run();
    // Work to do once the thread has gone idle: every message handled, all
    // windows painted, and the thread has waited for input once, so that
    // what it painted is on the screen. Each piece runs in its own idle
    // moment, in the order given, so input is handled between pieces. It
    // lets the main window show before its hidden pages are made.
    void when_idle(std::function<void()> work) { idle_work_.push_back(std::move(work)); }

    Services& services() { return services_; }
    Win32CommandRunner& runner() { return runner_; }
    // The record of every action, its commands and the boxes it showed.
    ActionLog& log() { return log_; }
    Win32LogStore& log_store() { return log_store_; }
    // Where the repairs keep their backups.
    BackupFolders& backups() { return backups_; }
    // The local time as the log and the backups name it.
    std::wstring now_text() const;

private:
    Application();
    bool translate(MSG& message);

    HINSTANCE instance_ = nullptr;
    std::wstring title_ = kAppTitle;
    HWND main_window_ = nullptr;
    HWND dialog_window_ = nullptr;
    HWND box_owner_ = nullptr;
    std::deque<std::function<void()>> idle_work_;

    Win32Registry registry_;
    Win32CommandRunner runner_;
    Win32LogStore log_store_;
    Win32BackupFolders backups_;
    ActionLog log_;
    // The repairs run their commands through this one, so each is logged.
    LoggingRunner logged_runner_;
    Win32FileSystem files_;
    Win32Folders folders_;
    ResourceTextStore texts_;
    Services services_;
};

inline Application& app() { return Application::instance(); }

} // namespace vx
