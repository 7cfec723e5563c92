#include "fixers/advanced/command_repairs.h"

#include "fixers/advanced/advanced_health.h"
#include "fixers/advanced/advanced_keys.h"
#include "fixers/advanced/repair_commands.h"

namespace vx {

namespace {

void run_all(Services& services, std::span<const RepairCommand> list) {
    RepairCommands commands(services);
    commands.run(list);
    commands.finish();
}

} // namespace

void flush_dns_cache(Services& services) {
    // PowerShell lives below the system folder and is named by its full path;
    // -NoProfile keeps the user's profile script from running elevated.
    RepairCommands commands(services);
    commands.run(quote_argument(services.folders.system_folder() + L"\\WindowsPowerShell\\v1.0\\powershell.exe") +
                     L" -NoProfile /c ipconfig /flushdns",
                 sw::show_normal);
    commands.finish();
}

void renew_ip_address(Services& services) {
    static constexpr RepairCommand kCommands[] = {{L"ipconfig /release", sw::show_normal},
                                                  {L"ipconfig /renew", sw::show_normal}};
    run_all(services, kCommands);
}

void reset_firewall(Services& services) {
    static constexpr RepairCommand kCommands[] = {{L"netsh advfirewall reset", sw::show_normal}};
    run_all(services, kCommands);
}

void reset_tcp_ip(Services& services) {
    static constexpr RepairCommand kCommands[] = {{L"netsh int ip reset", sw::show_normal}};
    run_all(services, kCommands);
}

void reset_winsock(Services& services) {
    static constexpr RepairCommand kCommands[] = {{L"netsh winsock reset", sw::show_normal}};
    run_all(services, kCommands);
}

void reset_ie_settings(Services& services) {
    static constexpr RepairCommand kCommands[] = {{L"rundll32.exe inetcpl.cpl,ResetIEtoDefaults", sw::hide}};
    run_all(services, kCommands);
}

void reset_proxy(Services& services) {
    static constexpr RepairCommand kCommands[] = {{L"netsh winhttp reset proxy", sw::show_normal}};
    run_all(services, kCommands);
}

void fix_system_restore(Services& services) {
    static constexpr RepairCommand kServiceCommands[] = {
        {L"SC config \"VSS\" start=Auto", sw::show},
        {L"SC config \"Schedule\" start=Auto", sw::show},
        {L"SC config \"swprv\" start=Auto", sw::show},
        {L"Net Start VSS", sw::show},
        {L"Net Start swprv", sw::show},
        {L"Net Start Schedule", sw::show},
    };
    RepairCommands commands(services);
    // System Restore is enabled for the drive Windows lives on, such as "D:\".
    // wmic lives below the system folder and is named by its full path.
    commands.run(quote_argument(services.folders.system_folder() + L"\\wbem\\wmic.exe") +
                     L" /namespace:\\\\root\\default path SystemRestore Call enable \"" +
                     services.folders.system_drive() + L"\"",
                 sw::show);
    commands.run(kServiceCommands);
    commands.finish(check_system_restore(services));
}

void reset_group_policy(Services& services) {
    const std::wstring system = services.folders.system_folder();
    for (const wchar_t* folder : advanced_keys::kPolicyFolders) {
        const std::wstring path = system + L"\\" + folder;
        if (services.files.directory_exists(path)) services.files.delete_tree(path);
    }
    RepairCommands commands(services);
    commands.run(L"gpupdate /force", sw::show);
    commands.finish();
}

} // namespace vx
