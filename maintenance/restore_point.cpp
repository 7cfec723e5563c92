#include "maintenance/restore_point.h"

#include <optional>

#include "services/error.h"
#include "services/registry.h"

namespace vx {

namespace {
constexpr std::uint32_t kApplicationInstall = 0;  // restore point type
constexpr std::uint32_t kBeginSystemChange = 100; // event type

// Puts the creation frequency back as it was when the scope ends, however it
// ends, so the value never stays at 0 (neither through an error nor while a
// box waits for the person).
class FrequencyRestorer {
public:
    FrequencyRestorer(Registry& reg, std::optional<RegistryValue> previous)
        : reg_(reg), previous_(std::move(previous)) {}
    ~FrequencyRestorer() {
        try {
            if (previous_)
                reg_.write_value(kCreationFrequencyValue, *previous_);
            else
                reg_.delete_value(kCreationFrequencyValue);
        } catch (...) {
            // A destructor must not raise; nothing more can be done here.
        }
    }
    FrequencyRestorer(const FrequencyRestorer&) = delete;
    FrequencyRestorer& operator=(const FrequencyRestorer&) = delete;

private:
    Registry& reg_;
    std::optional<RegistryValue> previous_;
};

} // namespace

void create_restore_point(Services& services, RestorePointRequest& request) {
    Registry reg(services.registry, kKeyAllAccess, RootKey::local_machine);
    reg.open_key(kSystemRestoreKey, true);
    // System Restore refuses a second restore point within its creation
    // frequency; the value at 0 lifts that for this request. The
    // administrator's own setting is kept and put back as soon as the request
    // returns.
    const auto previous = reg.read_value(kCreationFrequencyValue);

    std::uint32_t result = 0;
    std::optional<std::wstring> failure;
    {
        FrequencyRestorer restorer(reg, previous);
        reg.write_dword(kCreationFrequencyValue, 0);
        try {
            result = request.create(kRestorePointDescription, kApplicationInstall, kBeginSystemChange);
        } catch (const Error& e) {
            failure = e.message();
        }
    }

    if (failure) {
        services.ui.show_message(*failure, mb::icon_error);
    } else if (result == 0) {
        services.ui.show_message(L"Done!", mb::icon_information);
    } else {
        services.ui.show_message(L"The restore point could not be created: System Restore answered with code " +
                                     std::to_wstring(result) + L".",
                                 mb::icon_error);
    }
}

} // namespace vx
