#include "fixers/assoc/script_import.h"

#include <exception>

#include "fixers/assoc/assoc_health.h"
#include "services/staging.h"

namespace vx {

namespace {

constexpr wchar_t kDone[] = L"Done!";
constexpr wchar_t kFailed[] = L"Error!";
constexpr wchar_t kStillDiffers[] = L"Error! After the import the registry still differs from the stored data:\n";

// What still differs after the import. A script the reader refuses cannot be
// compared, and its first bad line is named instead.
std::vector<RegistryDifference> script_differences(RegistryBackend& registry, const std::vector<std::wstring>& script) {
    try {
        return compare_with_script(registry, regscript::parse(script));
    } catch (const regscript::ParseError& e) {
        return {{RegistryDifference::Kind::unreadable_script, RootKey::classes_root, {}, e.message()}};
    }
}

// Writes and imports the script; answers reg.exe's exit code, or kNotRun
// when reg.exe was not started.
constexpr int kNotRun = -1;
int write_and_import(Services& services, const std::vector<std::wstring>& script, const std::wstring& path) {
    const std::wstring regedit = services.folders.windows_folder() + L"\\Regedit.exe";
    // Staged: held so that no other program can change the script while
    // reg.exe reads it, and deleted when this scope ends, however it ends.
    const auto staged = services.files.stage_text_file(path, script);
    // The import goes ahead only where the Registry Editor is in the Windows
    // folder; without it the registry tools are missing or were taken away,
    // and that is reported as a failure rather than passed over.
    if (!services.files.file_exists(regedit)) return kNotRun;
    // reg.exe is found by the runner's safe lookup, and the path is quoted
    // because the temporary folder may hold blanks. reg.exe answers 0 only
    // when it read the file; -1 means it could not be started at all.
    return services.runner.run(L"reg.exe", {L"import", path}, sw::hide);
}

} // namespace

void import_registry_script(Services& services, const std::vector<std::wstring>& script,
                            const std::wstring& import_name) {
    // Without TEMP nothing is staged: the error reaches the user as it is.
    const std::wstring path = staged_file_path(services.temp_path, import_name + L".reg");
    int exit_code = kNotRun;
    try {
        exit_code = write_and_import(services, script, path);
    } catch (const std::exception&) {
        // The file could not be written or the command could not be built:
        // the registry is unchanged and the user is told so below.
        exit_code = kNotRun;
    }
    // By now the temporary script is gone, whatever happened.
    if (exit_code == kNotRun) {
        services.ui.show_message(kFailed, mb::icon_error);
        return;
    }
    // reg.exe answers 0 also when it skipped lines or wrote nothing, and it
    // answers 1 when a key's permissions refuse administrators: only the
    // registry itself tells whether the repair took and what it missed.
    auto differences = script_differences(services.registry, script);
    // A text that is no registry script was refused by reg.exe as well when
    // it reported a failure: "Error!" says all there is.
    if (exit_code != 0 && differences.size() == 1 &&
        differences.front().kind == RegistryDifference::Kind::unreadable_script)
        differences.clear();
    if (!differences.empty()) {
        services.ui.show_message(std::wstring(kStillDiffers) + difference_list(differences), mb::icon_error);
        return;
    }
    services.ui.show_message(exit_code == 0 ? kDone : kFailed, exit_code == 0 ? mb::icon_information : mb::icon_error);
}

} // namespace vx
