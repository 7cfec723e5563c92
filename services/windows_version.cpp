#include "services/windows_version.h"

namespace vx {

bool is_windows8(std::uint32_t major, std::uint32_t minor, std::uint32_t platform_id) {
    return major == 6 && minor == 2 && platform_id == kPlatformWin32Nt;
}

bool is_windows81(std::uint32_t major, std::uint32_t minor, std::uint32_t platform_id) {
    return major == 6 && minor == 3 && platform_id == kPlatformWin32Nt;
}

bool is_windows10(std::uint32_t major, std::uint32_t, std::uint32_t platform_id) {
    return major >= 10 && platform_id == kPlatformWin32Nt;
}

WindowsVersion classify_windows(std::uint32_t major, std::uint32_t minor, std::uint32_t platform_id) {
    if (is_windows10(major, minor, platform_id)) return WindowsVersion::windows10;
    if (is_windows81(major, minor, platform_id)) return WindowsVersion::windows81;
    if (is_windows8(major, minor, platform_id)) return WindowsVersion::windows8;
    return WindowsVersion::unsupported;
}

std::wstring windows_name(WindowsVersion version) {
    switch (version) {
    case WindowsVersion::windows8:
        return L"Windows 8";
    case WindowsVersion::windows81:
        return L"Windows 8.1";
    case WindowsVersion::windows10:
        return L"Windows 10";
    case WindowsVersion::unsupported:
        break;
    }
    return L"Unknown";
}

} // namespace vx
