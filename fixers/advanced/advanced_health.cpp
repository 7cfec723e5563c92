#include "fixers/advanced/advanced_health.h"

#include <array>
#include <optional>
#include <utility>

#include "fixers/advanced/advanced_keys.h"
#include "fixers/advanced/file_repairs.h"
#include "services/error.h"
#include "services/text.h"

namespace vx {

namespace {

using namespace advanced_keys;

std::wstring quoted(std::wstring_view text) {
    return L"\"" + std::wstring(text) + L"\"";
}

// The number of a REG_DWORD; nullopt for any other value.
std::optional<std::uint32_t> dword_of(const RegistryValue& value) {
    if (value.type != ValueType::dword || value.data.size() != 4) return std::nullopt;
    std::uint32_t number = 0;
    for (std::size_t i = 4; i-- > 0;)
        number = (number << 8) | value.data[i];
    return number;
}

// Reads the keys and values of one check and writes down what differs.
class StateReader {
public:
    explicit StateReader(Services& services) : backend_(services.registry) {}

    // The value; nullopt when it or its key is missing. A key that cannot be
    // opened for another reason is written down as a difference, and so is
    // read as missing only by callers that treat missing as a difference.
    std::optional<RegistryValue> value(RootKey root, const std::wstring& path, const std::wstring& name,
                                       bool* refused = nullptr) {
        Registry reg(backend_, kKeyRead, root);
        if (!reg.open_key(path, false)) {
            if (reg.last_status() != status::file_not_found) {
                cannot_read(root, path, reg.last_status());
                if (refused) *refused = true;
            }
            return std::nullopt;
        }
        return reg.read_value(name);
    }

    bool key_exists(RootKey root, const std::wstring& path) {
        Registry reg(backend_, kKeyRead, root);
        if (reg.open_key(path, false)) return true;
        if (reg.last_status() != status::file_not_found) cannot_read(root, path, reg.last_status());
        return false;
    }

    // The value must be absent, as the repair deletes it.
    void expect_absent(RootKey root, const std::wstring& path, const std::wstring& name, const std::wstring& line) {
        if (value(root, path, name)) add(line);
    }

    // A REG_DWORD of the given number. `absent_is_fine`: Windows takes a
    // missing value as that number.
    void expect_dword(RootKey root, const std::wstring& path, const std::wstring& name, std::uint32_t want,
                      bool absent_is_fine, const std::wstring& what) {
        bool refused = false;
        const auto got = value(root, path, name, &refused);
        if (refused) return;
        if (!got) {
            if (!absent_is_fine) add(what + L" missing");
            return;
        }
        const auto number = dword_of(*got);
        if (!number)
            add(what + L" is not a number");
        else if (*number != want)
            add(what + L" is " + std::to_wstring(*number) + L", not " + std::to_wstring(want));
    }

    // Text, compared without regard to letter case (paths and class IDs).
    // `expanded`: REG_EXPAND_SZ data is compared with %SystemRoot% put in.
    void expect_text(RootKey root, const std::wstring& path, const std::wstring& name, const std::wstring& want,
                     const std::wstring& what, const std::wstring* windows_folder = nullptr) {
        bool refused = false;
        const auto got = value(root, path, name, &refused);
        if (refused) return;
        if (!got) {
            add(what + L" missing");
            return;
        }
        if (got->type != ValueType::sz && !(windows_folder && got->type == ValueType::expand_sz)) {
            add(what + L" is not text");
            return;
        }
        std::wstring text = registry_string_text(got->data);
        if (got->type == ValueType::expand_sz) text = expand_system_root(text, *windows_folder);
        if (!equals_ignore_case(text, want)) add(what + L" is " + quoted(text) + L", not " + quoted(want));
    }

    // A service's start type must be automatic (2).
    void expect_automatic_start(const std::wstring& service, const std::wstring& display) {
        const std::wstring path = kServices + service;
        bool refused = false;
        const auto got = value(HKLM, path, L"Start", &refused);
        if (refused) return;
        if (!got) {
            add(display + (key_exists(HKLM, path) ? L" service has no start type" : L" service is not installed"));
            return;
        }
        const auto number = dword_of(*got);
        if (number && *number == 2) return;
        add(display + L" service: " + (number ? start_type(*number) : std::wstring(L"unreadable")) +
            L" start, not automatic");
    }

    void add(std::wstring line) { found_.push_back(std::move(line)); }
    Differences take() { return std::move(found_); }

private:
    static std::wstring start_type(std::uint32_t number) {
        switch (number) {
        case 0:
            return L"boot";
        case 1:
            return L"system";
        case 3:
            return L"manual";
        case 4:
            return L"disabled";
        }
        return L"type " + std::to_wstring(number);
    }

    static std::wstring expand_system_root(const std::wstring& text, const std::wstring& windows_folder) {
        constexpr std::wstring_view kVariable = L"%systemroot%";
        if (!starts_with_ignore_case(text, kVariable)) return text;
        return windows_folder + text.substr(kVariable.size());
    }

    void cannot_read(RootKey root, const std::wstring& path, long status) {
        add(L"cannot read " + key_name(root, path) + L": " + backend_.status_text(status));
    }

    RegistryBackend& backend_;
    Differences found_;
};

std::wstring hidden_by_policy(const wchar_t* icon) {
    return std::wstring(icon) + L" icon hidden by policy (NonEnum)";
}

// Whether a hosts line maps a name: anything but blanks before a comment.
bool is_entry(const std::wstring& line) {
    const std::wstring text = trim(line);
    return !text.empty() && text.front() != L'#';
}

struct RowCheck {
    std::wstring_view button;
    HealthCheck check;
};

constexpr std::array kRowChecks{
    RowCheck{L"btnFIXEXPLOREREXE", check_explorer_shell},
    RowCheck{L"btnFIXDESKTOPICON", check_desktop_icon_settings},
    RowCheck{L"btnFIXRECYCLEBINICON", check_recycle_bin_shown},
    RowCheck{L"btnFIXICONRECYCLEBIN", check_recycle_bin_icon},
    RowCheck{L"btnFIXTHUMBNAILSFOLDER", check_thumbnails},
    RowCheck{L"btnFIXFILEFOLDERPROPERTIES", check_property_sheet_pages},
    RowCheck{L"btnFIXDRIVEICON", check_drive_icons},
    RowCheck{L"btnFIXFILEHOST", check_hosts_file},
    RowCheck{L"btnFIXWINSEARCH", check_windows_search},
    RowCheck{L"btnFIXHIBERNATE", check_hibernate_option},
    RowCheck{L"btnFIXPLUGPLAY", check_plug_and_play},
    RowCheck{L"btnFIXWINSCRIPTHOST", check_windows_script_host},
    RowCheck{L"btnFIXSYSRESTORE", check_system_restore},
};

} // namespace

Differences check_explorer_shell(Services& services) {
    StateReader state(services);
    state.expect_text(HKLM, kWinlogon, L"Shell", L"explorer.exe", L"Winlogon Shell");
    return state.take();
}

Differences check_desktop_icon_settings(Services& services) {
    StateReader state(services);
    for (const auto& icon : kDesktopIcons)
        state.expect_absent(HKCU, kNonEnum, icon.clsid, hidden_by_policy(icon.name));
    return state.take();
}

Differences check_recycle_bin_shown(Services& services) {
    StateReader state(services);
    state.expect_absent(HKCU, kNonEnum, kRecycleBinClsid, hidden_by_policy(L"Recycle Bin"));
    // Desktop Icon Settings writes 0 here when the person ticks the Recycle
    // Bin: that shows it as well as a missing value does.
    if (const auto hidden = state.value(HKCU, kHideDesktopIcons, kRecycleBinClsid)) {
        if (dword_of(*hidden) != 0u) state.add(L"Recycle Bin icon hidden from the desktop (HideDesktopIcons)");
    }
    return state.take();
}

Differences check_recycle_bin_icon(Services& services) {
    StateReader state(services);
    const std::wstring windows = services.folders.windows_folder();
    const std::wstring empty = windows + L"\\System32\\imageres.dll,-55";
    const std::wstring full = windows + L"\\System32\\imageres.dll,-54";
    if (!state.key_exists(HKCU, kRecycleBinIcon)) {
        Differences found = state.take();
        if (found.empty()) found.push_back(L"Recycle Bin icons not set");
        return found;
    }
    state.expect_text(HKCU, kRecycleBinIcon, L"empty", empty, L"empty Recycle Bin icon", &windows);
    state.expect_text(HKCU, kRecycleBinIcon, L"full", full, L"full Recycle Bin icon", &windows);
    // Explorer sets the default value to the empty or the full icon as the
    // bin empties and fills; either is right.
    StateReader shown(services);
    shown.expect_text(HKCU, kRecycleBinIcon, L"", empty, L"Recycle Bin icon", &windows);
    Differences as_empty = shown.take();
    if (!as_empty.empty()) {
        StateReader as_full(services);
        as_full.expect_text(HKCU, kRecycleBinIcon, L"", full, L"Recycle Bin icon", &windows);
        if (!as_full.take().empty()) state.add(as_empty.front());
    }
    return state.take();
}

Differences check_thumbnails(Services& services) {
    StateReader state(services);
    // Without the value Explorer shows thumbnails.
    state.expect_dword(HKCU, kExplorerAdvanced, L"IconsOnly", 0, true, L"IconsOnly (icons instead of thumbnails)");
    return state.take();
}

Differences check_property_sheet_pages(Services& services) {
    StateReader state(services);
    state.expect_absent(HKCU, kPoliciesExplorer, L"NoSecurityTab", L"Security tab hidden by policy (NoSecurityTab)");
    state.expect_absent(HKLM, kAppCompat, L"DisablePropPage", L"Compatibility page hidden by policy (DisablePropPage)");
    state.expect_text(HKCR, kSummaryPage, L"", kSummaryPageName, L"Details page handler");
    state.expect_absent(HKCU, kPoliciesExplorer, L"NoCustomizeThisFolder",
                        L"Customize tab hidden by policy (NoCustomizeThisFolder)");
    for (const wchar_t* handlers : kPreviousVersionsHandlers)
        for (const wchar_t* owner : kPreviousVersionsOwners) {
            const std::wstring path = std::wstring(owner) + L"\\shellex\\" + handlers + L"\\" + kPreviousVersions;
            if (!state.key_exists(HKCR, path)) state.add(L"Previous Versions handler missing: " + path);
        }
    for (const wchar_t* path : kSharingHandlers)
        state.expect_text(HKCR, path, L"", kSharing, std::wstring(L"Sharing handler ") + path);
    return state.take();
}

Differences check_drive_icons(Services& services) {
    StateReader state(services);
    if (state.key_exists(HKLM, std::wstring(kExplorer) + L"\\DriveIcons"))
        state.add(L"drive icons replaced (DriveIcons key present)");
    return state.take();
}

Differences check_hosts_file(Services& services) {
    const std::wstring path = hosts_file_path(services.folders);
    // The stored text is ASCII: its file bytes are its characters, each line
    // ended by CR LF.
    std::string expected;
    for (wchar_t c : join_lines_crlf(services.texts.lines(kHostsText)))
        expected.push_back(static_cast<char>(c));
    if (!services.files.file_exists(path)) return {L"hosts file missing"};
    std::string content;
    try {
        const auto bytes = services.files.read_file(path);
        content.assign(bytes.begin(), bytes.end());
    } catch (const Error&) {
        return {L"cannot read the hosts file " + path};
    }
    if (content == expected) return {};
    std::size_t entries = 0;
    for (const auto& line : split_lines(widen_ascii(content)))
        if (is_entry(line)) ++entries;
    if (entries == 0) return {L"hosts file differs from the default text"};
    return {L"hosts file maps " + std::to_wstring(entries) + (entries == 1 ? L" name" : L" names") + L" of its own"};
}

Differences check_windows_search(Services& services) {
    // SetupCompletedSuccessfully is left out: the service sets it again as
    // soon as it has rebuilt its setup after the repair.
    StateReader state(services);
    state.expect_automatic_start(L"WSearch", L"Windows Search");
    return state.take();
}

Differences check_hibernate_option(Services& services) {
    StateReader state(services);
    state.expect_dword(HKLM, kFlyoutMenu, L"ShowHibernateOption", 1, false, L"ShowHibernateOption");
    // What "powercfg -h on" turns on.
    bool refused = false;
    const auto enabled = state.value(HKLM, kPower, L"HibernateEnabled", &refused);
    const auto number = enabled ? dword_of(*enabled) : std::nullopt;
    if (!refused && !(number && *number != 0)) state.add(L"hibernation is off (HibernateEnabled)");
    return state.take();
}

Differences check_plug_and_play(Services& services) {
    StateReader state(services);
    state.expect_automatic_start(L"PlugPlay", L"Plug and Play");
    return state.take();
}

Differences check_windows_script_host(Services& services) {
    StateReader state(services);
    // Without the value Script Host is enabled.
    bool refused = false;
    const auto got = state.value(HKLM, kScriptHost, L"Enabled", &refused);
    if (!refused && got) {
        const auto number = dword_of(*got);
        const bool on =
            (number && *number != 0) || (got->type == ValueType::sz && registry_string_text(got->data) == L"1");
        if (!on) state.add(L"Windows Script Host disabled (Enabled)");
    }
    return state.take();
}

Differences check_system_restore(Services& services) {
    StateReader state(services);
    // Either policy value turns System Restore off, whatever the services do.
    for (const wchar_t* name : {L"DisableSR", L"DisableConfig"}) {
        const auto got = state.value(HKLM, kSystemRestorePolicy, name);
        if (got && dword_of(*got) != 0u) state.add(std::wstring(L"System Restore blocked by policy (") + name + L")");
    }
    state.expect_automatic_start(L"VSS", L"Volume Shadow Copy");
    state.expect_automatic_start(L"Schedule", L"Task Scheduler");
    state.expect_automatic_start(L"swprv", L"Shadow Copy Provider");
    return state.take();
}

HealthCheck health_check_of(std::wstring_view button) {
    for (const auto& row : kRowChecks)
        if (row.button == button) return row.check;
    return nullptr;
}

std::wstring AdvancedHealth::summary() const {
    if (!readable) return {};
    if (differences.empty()) return L"intact";
    std::wstring text = differences.front();
    if (differences.size() > 1) text += L" (+" + std::to_wstring(differences.size() - 1) + L" more)";
    return text;
}

AdvancedHealth check_advanced_row(Services& services, std::wstring_view button) {
    const HealthCheck check = health_check_of(button);
    if (!check) return {};
    return {true, check(services)};
}

std::wstring still_differs_text(const Differences& differences) {
    std::wstring text = L"After the repair the system still differs from what it sets:";
    for (const auto& line : differences)
        text += L"\n" + line;
    return text;
}

void finish_checked(Services& services, HealthCheck check) {
    const Differences differences = check(services);
    if (differences.empty()) {
        services.ui.success_notice();
        return;
    }
    services.ui.show_message(still_differs_text(differences), mb::icon_error);
}

} // namespace vx
