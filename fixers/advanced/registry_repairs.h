#pragma once

#include "services/services.h"

namespace vx {

// The Advanced page's repairs that change the registry themselves. Each ends
// with the success notice when every step went through and the state it sets
// reads back (fixers/advanced/advanced_health.h); otherwise the error box
// names what still differs.

// Explorer does not start: Winlogon's shell is explorer.exe again.
void fix_explorer_shell(Services& services);
// The Desktop Icon Settings options are locked by NonEnum policy values.
void fix_desktop_icon_settings(Services& services);
// The Recycle Bin icon is hidden from the desktop.
void show_recycle_bin_icon(Services& services);
// The Recycle Bin shows the wrong icon.
void restore_recycle_bin_icon(Services& services);
// Explorer shows icons instead of thumbnails.
void fix_thumbnails(Services& services);
// Security, Details, Previous Versions and sharing pages are missing from file and folder properties.
void fix_property_sheet_pages(Services& services);
// Drives show icons set under DriveIcons.
void fix_drive_icons(Services& services);
// Windows Search does not work: its service starts automatically and sets itself up again.
void fix_windows_search(Services& services);
// Hibernate is missing from the shutdown menu.
void fix_hibernate_option(Services& services);
// New devices are not detected: the Plug and Play service starts automatically.
void fix_plug_and_play(Services& services);
// Windows Script Host is disabled.
void fix_windows_script_host(Services& services);

} // namespace vx
