#include "fixers/advanced/registry_repairs.h"

#include <array>

#include "fixers/advanced/advanced_health.h"
#include "fixers/advanced/advanced_keys.h"
#include "fixers/advanced/repair_commands.h"
#include "services/error.h"

namespace vx {

namespace {

using namespace advanced_keys;

// Opens (creating when needed) a key and writes its default value.
void write_default(Registry& reg, RootKey root, const std::wstring& path, const std::wstring& text) {
    reg.set_root(root);
    reg.open_key(path, true);
    reg.write_string(L"", text);
    reg.close_key();
}

void create_key(Registry& reg, RootKey root, const std::wstring& path) {
    reg.set_root(root);
    reg.open_key(path, true);
    reg.close_key();
}

[[noreturn]] void fail_open(const Registry& reg, RegistryBackend& backend) {
    throw Error(L"Cannot open the key \"" + reg.current_name() + L"\": " + backend.status_text(reg.last_status()));
}

// Deletes one value. A key or value that is not there is what the repair
// wants; a key that cannot be opened or a delete that is refused is an error
// naming the key and the value. A missing key is not created just to delete
// from it.
void delete_value(Registry& reg, RegistryBackend& backend, RootKey root, const std::wstring& path,
                  const std::wstring& name) {
    reg.set_root(root);
    if (!reg.open_key(path, false)) {
        if (reg.last_status() == status::file_not_found) return;
        throw Error(L"Cannot delete the value \"" + name + L"\" of the key \"" + reg.current_name() + L"\": " +
                    backend.status_text(reg.last_status()));
    }
    reg.remove_value(name);
    reg.close_key();
}

} // namespace

void fix_explorer_shell(Services& services) {
    {
        Registry reg(services.registry, kKeyAllAccess, HKLM);
        reg.open_key(kWinlogon, true);
        reg.write_string(L"Shell", L"explorer.exe");
    }
    finish_checked(services, check_explorer_shell);
}

void fix_desktop_icon_settings(Services& services) {
    {
        Registry reg(services.registry, kKeyAllAccess, HKCU);
        // Each value hides one desktop icon from Desktop Icon Settings.
        for (const auto& icon : kDesktopIcons)
            delete_value(reg, services.registry, HKCU, kNonEnum, icon.clsid);
    }
    finish_checked(services, check_desktop_icon_settings);
}

void show_recycle_bin_icon(Services& services) {
    {
        Registry reg(services.registry, kKeyWrite, HKCU);
        delete_value(reg, services.registry, HKCU, kNonEnum, kRecycleBinClsid);
        delete_value(reg, services.registry, HKCU, kHideDesktopIcons, kRecycleBinClsid);
    }
    finish_checked(services, check_recycle_bin_shown);
}

void restore_recycle_bin_icon(Services& services) {
    // The Windows folder as it is on this machine, written out in full
    // (REG_SZ, not an expandable string).
    const std::wstring imageres = services.folders.windows_folder() + L"\\System32\\imageres.dll";
    {
        Registry reg(services.registry, kKeyWrite, HKCU);
        reg.open_key(kRecycleBinIcon, true);
        reg.write_string(L"", imageres + L",-55");
        reg.write_string(L"empty", imageres + L",-55");
        reg.write_string(L"full", imageres + L",-54");
    }
    finish_checked(services, check_recycle_bin_icon);
}

void fix_thumbnails(Services& services) {
    {
        Registry reg(services.registry, kKeyWrite, HKCU);
        reg.open_key(kExplorerAdvanced, true);
        reg.write_dword(L"IconsOnly", 0);
    }
    finish_checked(services, check_thumbnails);
}

void fix_property_sheet_pages(Services& services) {
    {
        Registry reg(services.registry, kKeyAllAccess, HKCU);
        delete_value(reg, services.registry, HKCU, kPoliciesExplorer, L"NoSecurityTab");
        delete_value(reg, services.registry, HKLM, kAppCompat, L"DisablePropPage");
        write_default(reg, HKCR, kSummaryPage, kSummaryPageName);
        delete_value(reg, services.registry, HKCU, kPoliciesExplorer, L"NoCustomizeThisFolder");
        for (const wchar_t* handlers : kPreviousVersionsHandlers)
            for (const wchar_t* owner : kPreviousVersionsOwners)
                create_key(reg, HKCR, std::wstring(owner) + L"\\shellex\\" + handlers + L"\\" + kPreviousVersions);
        for (const wchar_t* path : kSharingHandlers)
            write_default(reg, HKCR, path, kSharing);
    }
    finish_checked(services, check_property_sheet_pages);
}

void fix_drive_icons(Services& services) {
    {
        Registry reg(services.registry, kKeyAllAccess, HKLM);
        // Only below Explorer's key: with no key open the lookup would be
        // relative to the root and could delete an unrelated HKLM\DriveIcons.
        const std::wstring explorer = kExplorer;
        if (!reg.open_key(explorer, false)) {
            // Without Explorer's key there are no drive icons to remove.
            if (reg.last_status() != status::file_not_found) fail_open(reg, services.registry);
        } else if (reg.key_exists(L"DriveIcons") && !reg.delete_key(L"DriveIcons") &&
                   reg.last_status() != status::file_not_found) {
            throw Error(L"Cannot delete the key \"" + key_name(HKLM, explorer + L"\\DriveIcons") + L"\": " +
                        services.registry.status_text(reg.last_status()));
        }
    }
    finish_checked(services, check_drive_icons);
}

void fix_windows_search(Services& services) {
    // Both keys belong to an installed Windows Search and are not created.
    // They are opened before the service is stopped, so a missing one ends
    // the repair with the service left running.
    Registry service_key(services.registry, kKeyWrite, HKLM);
    if (!service_key.open_key(kWindowsSearchService, false))
        fail_open(service_key, services.registry);
    Registry search_key(services.registry, kKeyWrite, HKLM);
    if (!search_key.open_key(L"SOFTWARE\\Microsoft\\Windows Search", false)) fail_open(search_key, services.registry);

    RepairCommands commands(services);
    commands.run(L"net stop WSearch /Y", sw::show_normal);
    const auto start_again = [&] {
        // Give the stopped service time to let go before it is started again.
        services.ui.process_messages();
        services.ui.sleep(4000);
        commands.run(L"net start WSearch", sw::show_normal);
    };
    try {
        service_key.write_dword(L"Start", 2);                     // automatic start
        search_key.write_dword(L"SetupCompletedSuccessfully", 0); // rebuilds its setup at the next start
    } catch (...) {
        // The service was stopped above: it runs again whatever failed here.
        start_again();
        throw;
    }
    start_again();
    commands.finish(check_windows_search(services));
}

void fix_hibernate_option(Services& services) {
    {
        Registry reg(services.registry, kKeyWrite, HKLM);
        reg.open_key(kFlyoutMenu, true);
        reg.write_dword(L"ShowHibernateOption", 1);
    }
    // Waited for: the notice comes only once hibernation is really on
    // (powercfg fails where the firmware does not support it).
    RepairCommands commands(services);
    commands.run(L"powercfg -h on", sw::show);
    commands.finish(check_hibernate_option(services));
}

void fix_plug_and_play(Services& services) {
    {
        Registry reg(services.registry, kKeyWrite, HKLM);
        reg.open_key(kPlugPlayService, true);
        reg.write_dword(L"Start", 2); // automatic start
    }
    services.ui.process_messages();
    services.ui.sleep(200);
    RepairCommands commands(services);
    // Waited for, so its exit code can be read.
    commands.run(L"net Start PlugPlay", sw::show);
    commands.finish(check_plug_and_play(services));
}

void fix_windows_script_host(Services& services) {
    {
        Registry reg(services.registry, kKeyAllAccess, HKLM);
        reg.open_key(kScriptHost, true);
        reg.write_dword(L"Enabled", 1);
    }
    finish_checked(services, check_windows_script_host);
}

} // namespace vx
