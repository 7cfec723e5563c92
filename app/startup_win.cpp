#include "app/startup_win.h"

#include "app/application_win.h"
#include "services/system_info_win.h"

namespace vx {

namespace {
// The single-instance marker: held until the process ends, never closed.
HANDLE g_instance_semaphore = nullptr;
} // namespace

bool Win32GatePlatform::another_copy_running() {
    g_instance_semaphore = CreateSemaphoreW(nullptr, 0, 1, kSemaphoreName);
    return g_instance_semaphore != nullptr && GetLastError() == ERROR_ALREADY_EXISTS;
}

void Win32GatePlatform::exit_now() { ExitProcess(0); }

bool Win32GatePlatform::is_wow64() { return running_under_wow64(); }

WindowsVersion Win32GatePlatform::windows_version() { return query_windows_version(); }

void Win32GatePlatform::message_box(const std::wstring& text, unsigned flags) {
    app().message_box(text, app().title(), flags);
}

void Win32GatePlatform::request_end() { app().terminate(); }

void run_form_create(const HomeLabels& labels) {
    Win32GatePlatform platform;
    if (run_platform_gate(platform) != GateResult::accepted) return;
    SetWindowTextW(labels.window, kAppTitle);
    auto& services = app().services();
    const std::wstring temp = services.folders.temp_folder();
    services.temp_path = temp.empty() ? std::wstring() : temp + L"\\";
    // A probe that fails (WMI unavailable, say) stops the filling here: its
    // label and the ones after it keep their design captions.
    SetWindowTextW(labels.cpu, processor_name(services.registry).c_str());
    SetWindowTextW(labels.ram, memory_size().c_str());
    SetWindowTextW(labels.board, motherboard().c_str());
    SetWindowTextW(labels.os, os_name().c_str());
}

} // namespace vx
