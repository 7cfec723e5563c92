#include "services/explorer_restarter.h"

#include "services/error.h"
#include "services/staging.h"

namespace vx {

void restart_explorer(Services& services, const std::vector<std::uint8_t>& restarter) {
    // TEMP as it is now, not the path fixed at start-up.
    const std::wstring path = staged_file_path(services.folders.temp_folder(), kRestarterFile);
    int code = -1;
    {
        // Held unchanged from its writing until the restarter has ended, then deleted.
        const auto staged = services.files.stage_binary_file(path, restarter);
        // Quoted: TEMP usually lies under the user's profile, whose name may hold blanks.
        code = services.runner.run(build_command_line(path, {}), sw::hide);
    }
    const bool started = code != -1;
    if (code == kRestarterLeftExplorerRunning) throw Error(kExplorerNotRestartedUnelevated);
    // Explorer was not restarted: the person must not be left thinking it was.
    if (!started) throw Error(L"Explorer could not be restarted: the program \"" + path + L"\" could not be started");
}

} // namespace vx
