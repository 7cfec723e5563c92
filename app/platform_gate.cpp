#include "app/platform_gate.h"

#include "services/ui.h"

namespace vx {

GateResult run_platform_gate(GatePlatform& platform) {
    if (platform.another_copy_running()) {
        platform.exit_now();
        return GateResult::exited;
    }
    // The 64-bit warning does not stop the gate: the version check follows.
    if (platform.is_wow64()) {
        platform.message_box(k64BitMessage, mb::ok | mb::icon_warning);
        platform.request_end();
    }
    if (platform.windows_version() == WindowsVersion::unsupported) {
        platform.message_box(kUnsupportedMessage, mb::ok | mb::icon_error);
        platform.request_end();
        return GateResult::refused;
    }
    return GateResult::accepted;
}

} // namespace vx
