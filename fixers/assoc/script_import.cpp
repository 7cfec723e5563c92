#include "fixers/assoc/script_import.h"

#include <exception>

#include "services/staging.h"

namespace vx {

namespace {

constexpr wchar_t kDone[] = L"Done!";
constexpr wchar_t kFailed[] = L"Error!";

// Writes and imports the script; answers whether reg.exe applied it.
bool write_and_import(Services& services, const std::vector<std::wstring>& script, const std::wstring& path) {
    const std::wstring regedit = services.folders.windows_folder() + L"\\Regedit.exe";
    // Staged: held so that no other program can change the script while
    // reg.exe reads it, and deleted when this scope ends, however it ends.
    const auto staged = services.files.stage_text_file(path, script);
    // The import goes ahead only where the Registry Editor is in the Windows
    // folder; without it the registry tools are missing or were taken away,
    // and that is reported as a failure rather than passed over.
    if (!services.files.file_exists(regedit)) return false;
    // reg.exe is found by the runner's safe lookup, and the path is quoted
    // because the temporary folder may hold blanks. reg.exe answers 0 only
    // when it read the file; -1 means it could not be started at all.
    return services.runner.run(L"reg.exe", {L"import", path}, sw::hide) == 0;
}

} // namespace

void import_registry_script(Services& services, const std::vector<std::wstring>& script,
                            const std::wstring& import_name) {
    // Without TEMP nothing is staged: the error reaches the user as it is.
    const std::wstring path = staged_file_path(services.temp_path, import_name + L".reg");
    bool imported = false;
    try {
        imported = write_and_import(services, script, path);
    } catch (const std::exception&) {
        // The file could not be written or the command could not be built:
        // the registry is unchanged and the user is told so below.
        imported = false;
    }
    // By now the temporary script is gone, whatever happened.
    services.ui.show_message(imported ? kDone : kFailed, imported ? mb::icon_information : mb::icon_error);
}

} // namespace vx
