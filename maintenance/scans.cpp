#include "maintenance/scans.h"

namespace vx {

namespace {

// The tool shows its findings in its own console window; its exit code says
// nothing the user has not seen there. Only a tool that never started is
// reported, so nobody is told a scan ran when none did.
void run_scan(Services& services, const std::wstring& command) {
    if (services.runner.run(command, sw::show) == -1) {
        services.ui.show_message(L"The command \"" + command + L"\" could not be started.", mb::icon_error);
        return;
    }
    services.ui.show_message(L"Done!", mb::icon_information);
}

} // namespace

void run_sfc_scan(Services& services) { run_scan(services, kSfcCommand); }

void run_dism_scan(Services& services) { run_scan(services, kDismCommand); }

} // namespace vx
