#pragma once

#include <windows.h>

#include "app/platform_gate.h"

namespace vx {

// The platform gate's view of the running system.
class Win32GatePlatform : public GatePlatform {
public:
    bool another_copy_running() override;
    void exit_now() override;
    bool is_wow64() override;
    WindowsVersion windows_version() override;
    void message_box(const std::wstring& text, unsigned flags) override;
    void request_end() override;
};

// The gate of the main window's creation handler, then on an accepted
// platform the caption, the temporary folder path and the four labels.
struct HomeLabels {
    HWND window, cpu, ram, board, os;
};
void run_form_create(const HomeLabels& labels);

} // namespace vx
