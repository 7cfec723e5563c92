#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "services/services.h"

namespace vx {

// How the system differs from the state a repair of the Advanced page leaves,
// one line per difference in a person's words ("Winlogon Shell is "evil.exe",
// not "explorer.exe""); empty when the system is in that state. A state that
// cannot be read (a key refused) is a difference too: a check never says
// "intact" about what it could not see. Nothing is written.
using Differences = std::vector<std::wstring>;
using HealthCheck = Differences (*)(Services&);

Differences check_explorer_shell(Services& services);
Differences check_desktop_icon_settings(Services& services);
Differences check_recycle_bin_shown(Services& services);
Differences check_recycle_bin_icon(Services& services);
Differences check_thumbnails(Services& services);
Differences check_property_sheet_pages(Services& services);
Differences check_drive_icons(Services& services);
Differences check_hosts_file(Services& services);
Differences check_windows_search(Services& services);
Differences check_hibernate_option(Services& services);
Differences check_plug_and_play(Services& services);
Differences check_windows_script_host(Services& services);
Differences check_system_restore(Services& services);

// The check of the repair behind a button of the Advanced page, or null when
// that repair's effect cannot be read back: the network resets and the DNS
// flush (their state lives in the network stack, not in anything readable),
// the Internet Explorer reset, the emptied Recycle Bin, the folder views
// (Explorer writes them again at once) and the Group Policy reset (gpupdate
// makes its folders again).
HealthCheck health_check_of(std::wstring_view button);

// One row of the Advanced page after a check.
struct AdvancedHealth {
    bool readable = false;
    Differences differences;
    bool intact() const { return readable && differences.empty(); }
    // "intact", or the first difference with how many more there are; empty
    // for a row whose state cannot be read.
    std::wstring summary() const;
};
AdvancedHealth check_advanced_row(Services& services, std::wstring_view button);

// The lines of an error box that names what still differs after a repair.
std::wstring still_differs_text(const Differences& differences);

// The closing message of a repair whose state can be read: the success
// notice when the check finds the state the repair leaves, else an error box
// naming what still differs.
void finish_checked(Services& services, HealthCheck check);

} // namespace vx
