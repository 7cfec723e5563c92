#pragma once

#include <windows.h>

#include <oaidl.h>

#include "maintenance/restore_point.h"

namespace vx {

// The request through "WbemScripting.SWbemLocator", with COM initialised and
// uninitialised around it.
class WmiRestorePointRequest : public RestorePointRequest {
public:
    std::uint32_t create(const std::wstring& description, std::uint32_t restore_point_type,
                         std::uint32_t event_type) override;
};

// The method's return value; raises an error when the answer is empty or is
// not a number.
std::uint32_t restore_point_result(const VARIANT& answer);

void create_restore_point(Services& services);
// Opens System Restore (the system folder's "rstrui.exe") through the shell;
// the result is not looked at.
void open_system_restore(HWND owner);

} // namespace vx
