#pragma once

#include <string>

#include "services/windows_version.h"

namespace vx {

// The single-instance marker, a semaphore in the private namespace
// kInstanceNamespace (see app/startup_win.cpp).
inline constexpr wchar_t kSemaphoreName[] = L"MyAppVantrix";
inline constexpr wchar_t kInstanceNamespace[] = L"Vantrix";
inline constexpr wchar_t k64BitMessage[] =
    L"You are using a 64-Bit system, please use the 64-Bit version of the program.";
inline constexpr wchar_t kUnsupportedMessage[] = L"Your system is not supported, only for Windows 8/10!";

// What the start-up gate asks of the system.
class GatePlatform {
public:
    virtual ~GatePlatform() = default;
    // Creates the single-instance semaphore; true when another copy holds it.
    virtual bool another_copy_running() = 0;
    virtual void exit_now() = 0;
    virtual bool is_wow64() = 0;
    virtual WindowsVersion windows_version() = 0;
    virtual void message_box(const std::wstring& text, unsigned flags) = 0;
    // Posts the quit request; start-up goes on.
    virtual void request_end() = 0;
};

enum class GateResult { exited, refused, accepted };

// Runs the single-instance guard, the 64-bit warning and the version check in
// their order. On `accepted` the caller sets the caption, records the
// temporary folder path and fills the information labels.
GateResult run_platform_gate(GatePlatform& platform);

} // namespace vx
