#include "maintenance/restore_point.h"

#include <optional>

#include "services/error.h"
#include "services/registry.h"

namespace vx {

namespace {
constexpr std::uint32_t kApplicationInstall = 0;  // restore point type
constexpr std::uint32_t kBeginSystemChange = 100; // event type

// Puts the creation frequency back as it was: restore() does it and raises
// when the registry refuses; the destructor does it on any other way out of
// the scope, so the value never stays at 0 (neither through an error nor
// while a box waits for the person).
class FrequencyRestorer {
public:
    FrequencyRestorer(Registry& reg, std::optional<RegistryValue> previous)
        : reg_(reg), previous_(std::move(previous)) {}
    ~FrequencyRestorer() {
        if (restored_) return;
        try {
            restore();
        } catch (...) {
            // A destructor must not raise: this is the fall-back of a scope
            // that is already ending with an error of its own.
        }
    }
    FrequencyRestorer(const FrequencyRestorer&) = delete;
    FrequencyRestorer& operator=(const FrequencyRestorer&) = delete;

    void restore() {
        restored_ = true;
        if (previous_)
            reg_.write_value(kCreationFrequencyValue, *previous_);
        else
            reg_.remove_value(kCreationFrequencyValue);
    }

private:
    Registry& reg_;
    std::optional<RegistryValue> previous_;
    bool restored_ = false;
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
    std::optional<std::wstring> not_put_back;
    {
        FrequencyRestorer restorer(reg, previous);
        reg.write_dword(kCreationFrequencyValue, 0);
        try {
            result = request.create(kRestorePointDescription, kApplicationInstall, kBeginSystemChange);
        } catch (const Error& e) {
            failure = e.message();
        }
        // A refused put-back is told after the outcome: the administrator's
        // setting is not as it was.
        try {
            restorer.restore();
        } catch (const Error& e) {
            not_put_back = e.message();
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
    if (not_put_back) services.ui.show_message(*not_put_back, mb::icon_error);
}

} // namespace vx
