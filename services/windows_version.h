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

} // namespace vx
