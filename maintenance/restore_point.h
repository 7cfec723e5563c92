#pragma once

#include <string>

#include "services/services.h"

namespace vx {

inline constexpr wchar_t kRestorePointDescription[] = L"Created by Vantrix";
inline constexpr wchar_t kSystemRestoreKey[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\SystemRestore";
inline constexpr wchar_t kCreationFrequencyValue[] = L"SystemRestorePointCreationFrequency";

// The WMI request for a restore point: "SystemRestore" of "root\DEFAULT",
// reached by late-bound automation. Raises an Error carrying the automation
// failure's text; answers the method's return value.
class RestorePointRequest {
public:
    virtual ~RestorePointRequest() = default;
    virtual std::uint32_t create(const std::wstring& description, std::uint32_t restore_point_type,
                                 std::uint32_t event_type) = 0;
};

// The "Create" button: the frequency value at 0 around the request, "Done!"
// or the reason it failed, and the value put back as it was.
void create_restore_point(Services& services, RestorePointRequest& request);

} // namespace vx
