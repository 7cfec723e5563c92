#pragma once

#include <string>

#include "services/windows_version.h"
#include "services/registry.h"

namespace vx {

// The running system's version as GetVersionExW reports it to this program
// (its manifest declares Windows 8.1 and 10, so those report 6.3 and 10.0).
WindowsVersion query_windows_version();
// True only for a 32-bit process under WOW64 on 64-bit Windows; a 64-bit
// process is never under WOW64.
bool running_under_wow64();

// The four probes of the Home page.
std::wstring processor_name(RegistryBackend& registry);
std::wstring memory_size(); // the installed memory, formatted
// The base board's maker and product from the firmware's SMBIOS tables, or
// from WMI where the system hands out none (raises an error when WMI fails).
std::wstring motherboard();
std::wstring os_name();

} // namespace vx
