#include "app/application_win.h"

#include <commctrl.h>
#include <objbase.h>

#include "app/input_box_win.h"
#include "app/product_info.h"
#include "services/error.h"
#include "services/system_library_win.h"
#include "services/text.h"

namespace vx {

Application& Application::instance() {
    static Application application;
    return application;
}

namespace {

LogTime local_time() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

// The program's file and version, such as "Vantrix64.exe 2.1.4".
std::wstring build_name() {
    std::wstring version = kVersionText;
    if (const auto blank = version.rfind(L' '); blank != std::wstring::npos) version.erase(0, blank + 1);
    return widen_ascii(VANTRIX_PROGRAM_FILE) + L" " + version;
}

} // namespace

Application::Application()
    : runner_([this] { process_messages(); }),
      log_store_(LaterFolder(program_folder)),
      backups_(LaterFolder(program_folder)),
      log_(local_time, build_name()),
      logged_runner_(runner_, log_),
      services_{registry_, logged_runner_, files_, folders_, texts_, *this, L""} {
    log_.set_store(&log_store_);
}

void Application::initialize(HINSTANCE instance) {
    instance_ = instance;
    restrict_dll_search();
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES;
    InitCommonControlsEx(&controls);
}

std::wstring Application::now_text() const {
    return format_log_time(local_time());
}

int Application::message_box(const std::wstring& text, const std::wstring& caption, unsigned flags) {
    HWND owner = box_owner_ && IsWindow(box_owner_) ? box_owner_
                 : main_window_ && IsWindow(main_window_) ? main_window_
                                                          : nullptr;
    const int answer = MessageBoxW(owner, text.c_str(), caption.c_str(), flags);
    // Every outcome, question and error the person saw goes on record.
    log_.box_shown(text, flags, answer);
    return answer;
}

std::wstring Application::input_box(const std::wstring& caption, const std::wstring& prompt,
                                    const std::wstring& initial) {
    HWND owner = main_window_ && IsWindow(main_window_) ? main_window_ : nullptr;
    return show_input_box(owner, caption, prompt, initial);
}

bool Application::translate(MSG& message) {
    HWND target = GetActiveWindow();
    if (!target) target = dialog_window_;
    // Tab and arrow keys move the focus between controls, as in a dialog.
    if (target && IsDialogMessageW(target, &message)) return true;
    TranslateMessage(&message);
    DispatchMessageW(&message);
    return true;
}

void Application::process_messages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // Leave the quit request for the message loop to end on.
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        translate(message);
    }
}

int Application::run() {
    MSG message;
    // A thread timer marks the idle moment: it is only delivered after the
    // thread has waited with nothing else to do, and a wait is when the
    // system puts what was painted on the screen (and when a program that
    // waits for this one to be ready is let go).
    UINT_PTR idle_timer = 0;
    bool idle_moment = false;
    for (;;) {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                if (idle_timer) KillTimer(nullptr, idle_timer);
                return 0;
            }
            if (message.message == WM_TIMER && message.hwnd == nullptr && idle_timer &&
                message.wParam == idle_timer) {
                KillTimer(nullptr, idle_timer);
                idle_timer = 0;
                idle_moment = true;
                continue;
            }
            translate(message);
        }
        if (!idle_work_.empty()) {
            if (!idle_moment && !idle_timer) idle_timer = SetTimer(nullptr, 0, USER_TIMER_MINIMUM, nullptr);
            // One piece per idle moment (where no timer can be had, one piece
            // between rounds of messages), then back to the messages.
            if (idle_moment || !idle_timer) {
                idle_moment = false;
                auto work = std::move(idle_work_.front());
                idle_work_.pop_front();
                dispatch(work);
                continue;
            }
        }
        idle_moment = false;
        WaitMessage();
    }
}

void Application::show_exception(std::exception_ptr error) noexcept {
    try {
        std::rethrow_exception(error);
    } catch (const Error& e) {
        show_error(e.message());
    } catch (const std::exception& e) {
        show_error(from_utf8(e.what()));
    } catch (...) {
        show_error(L"Unknown error");
    }
}

} // namespace vx
