#pragma once

#include <cstdint>
#include <string>

namespace vx {

inline constexpr std::uint32_t kPlatformWin32Nt = 2;

enum class WindowsVersion { unsupported, windows8, windows81, windows10 };

// Classifies what GetVersionExW reports. Only major, minor and platform id
// count: server editions with the same numbers pass as well.
WindowsVersion classify_windows(std::uint32_t major, std::uint32_t minor, std::uint32_t platform_id);

bool is_windows8(std::uint32_t major, std::uint32_t minor, std::uint32_t platform_id);
bool is_windows81(std::uint32_t major, std::uint32_t minor, std::uint32_t platform_id);
bool is_windows10(std::uint32_t major, std::uint32_t minor, std::uint32_t platform_id);

// "Windows 8", "Windows 8.1", "Windows 10" or "Unknown".
std::wstring windows_name(WindowsVersion version);

inline constexpr wchar_t kSemaphoreName[] = L"MyAppVantrix";
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
