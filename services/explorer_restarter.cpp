#include "services/explorer_restarter.h"

#include "services/error.h"
#include "services/staging.h"

namespace vx {

void restart_explorer(Services& services, const std::vector<std::uint8_t>& restarter) {
    // TEMP as it is now, not the path fixed at start-up.
    const std::wstring path = staged_file_path(services.folders.temp_folder(), kRestarterFile);
    if (services.files.file_exists(path)) services.files.delete_file(path);
    services.files.write_binary_file(path, restarter);
    bool started = false;
    if (services.files.file_exists(path)) {
        // Quoted: TEMP usually lies under the user's profile, whose name may hold blanks.
        started = services.runner.run(build_command_line(path, {}), sw::hide) != -1;
    }
    if (services.files.file_exists(path)) services.files.delete_file(path);
    // Explorer was not restarted: the person must not be left thinking it was.
    if (!started) throw Error(L"Explorer could not be restarted: the program \"" + path + L"\" could not be started");
}

} // namespace vx
