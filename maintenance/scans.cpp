#include "maintenance/scans.h"

#include "fixers/advanced/repair_commands.h"

namespace vx {

namespace {

constexpr int kNotStarted = -1;
// ERROR_SUCCESS_REBOOT_REQUIRED: DISM repaired the store and needs a restart.
constexpr int kSuccessRebootRequired = 3010;

bool started(Services& services, const std::wstring& command, int code) {
    if (code != kNotStarted) return true;
    services.ui.show_message(L"The command \"" + command + L"\" could not be started.", mb::icon_error);
    return false;
}

} // namespace

// SFC's exit codes are not documented as Windows error codes: 0 is taken for
// success, and any other code is shown as a failure with its number alone.
void run_sfc_scan(Services& services) {
    const int code = services.runner.run(kSfcCommand, sw::show);
    if (!started(services, kSfcCommand, code)) return;
    if (code == 0) {
        services.ui.show_message(L"Done!", mb::icon_information);
        return;
    }
    services.ui.show_message(L"The command \"" + std::wstring(kSfcCommand) + L"\" failed with exit code " +
                                 exit_code_text(code) + L".",
                             mb::icon_error);
}

// DISM answers a Windows error code: 0 is success, 3010 success that needs a
// restart; any other code is a failure, shown with the system's text for it.
void run_dism_scan(Services& services) {
    const int code = services.runner.run(kDismCommand, sw::show);
    if (!started(services, kDismCommand, code)) return;
    if (code == 0) {
        services.ui.show_message(L"Done!", mb::icon_information);
        return;
    }
    if (code == kSuccessRebootRequired) {
        services.ui.show_message(L"Done! Restart the computer to complete the repair.", mb::icon_information);
        return;
    }
    std::wstring text =
        L"The command \"" + std::wstring(kDismCommand) + L"\" failed with error " + exit_code_text(code);
    const std::wstring reason = services.runner.error_text(static_cast<std::uint32_t>(code));
    text += reason.empty() ? L"." : L": " + reason + L".";
    services.ui.show_message(text, mb::icon_error);
}

} // namespace vx
