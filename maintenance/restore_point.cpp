#include "maintenance/restore_point.h"

#include "services/error.h"
#include "services/registry.h"

namespace vx {

namespace {
constexpr std::uint32_t kApplicationInstall = 0;  // restore point type
constexpr std::uint32_t kBeginSystemChange = 100; // event type
} // namespace

void create_restore_point(Services& services, RestorePointRequest& request) {
    Registry reg(services.registry, kKeyAllAccess, RootKey::local_machine);
    reg.open_key(kSystemRestoreKey, true);
    // System Restore refuses a second restore point within its creation
    // frequency; the value at 0 lifts that for this request. The
    // administrator's own setting is kept and put back afterwards.
    const auto previous = reg.read_value(kCreationFrequencyValue);
    reg.write_dword(kCreationFrequencyValue, 0);

    try {
        const std::uint32_t result = request.create(kRestorePointDescription, kApplicationInstall, kBeginSystemChange);
        if (result == 0) {
            services.ui.show_message(L"Done!", mb::icon_information);
        } else {
            services.ui.show_message(L"The restore point could not be created: System Restore answered with code " +
                                         std::to_wstring(result) + L".",
                                     mb::icon_error);
        }
    } catch (const Error& e) {
        services.ui.show_message(e.message(), mb::icon_error);
    }

    if (previous) {
        reg.write_value(kCreationFrequencyValue, *previous);
    } else {
        reg.delete_value(kCreationFrequencyValue);
    }
}

} // namespace vx
