#include "fixers/advanced/file_repairs.h"

#include <algorithm>

#include "fixers/advanced/advanced_health.h"
#include "fixers/advanced/advanced_keys.h"
#include "fixers/advanced/repair_commands.h"
#include "services/explorer_restarter.h"
#include "services/staging.h"
#include "services/text.h"

namespace vx {

namespace {

using advanced_keys::kHostsText;
constexpr wchar_t kFolderViewScript[] = L"mRESET_FOLDERVIEW";

// The batch's last two lines end Explorer and start it again. Started from
// this elevated program, that Explorer would run with administrator rights,
// and so would everything the person then opens from the desktop. The
// restarter does the same two steps after the batch, starting Explorer with
// the rights of the person's shell.
bool restarts_explorer(const std::wstring& line) {
    const std::wstring command = trim(line);
    return equals_ignore_case(command, L"taskkill /f /im explorer.exe") ||
           equals_ignore_case(command, L"start explorer.exe");
}

constexpr wchar_t kNotADriveLetter[] = L"That is not a drive letter. Enter a single letter from A to Z, such as C.";

} // namespace

std::wstring hosts_file_path(Folders& folders) {
    return folders.windows_folder() + L"\\System32\\drivers\\etc\\hosts";
}

std::vector<std::wstring> folder_view_keys(const TextStore& texts) {
    constexpr std::wstring_view kDelete = L"reg delete \"hkcu\\";
    std::vector<std::wstring> keys;
    for (const auto& line : texts.lines(kFolderViewScript)) {
        const std::wstring text = trim(line);
        if (!starts_with_ignore_case(text, kDelete)) continue;
        const auto end = text.find(L'"', kDelete.size());
        if (end != std::wstring::npos) keys.push_back(text.substr(kDelete.size(), end - kDelete.size()));
    }
    return keys;
}

void reset_hosts_file(Services& services) {
    const std::wstring hosts = hosts_file_path(services.folders);
    // Replaced in one step: if the new text cannot be written the old file
    // stays, so name resolution never runs without a hosts file.
    services.files.replace_text_file(hosts, services.texts.lines(kHostsText));
    finish_checked(services, check_hosts_file);
}

std::optional<wchar_t> parse_drive_letter(std::wstring_view text) {
    if (text.empty() || text.size() > 3) return std::nullopt;
    wchar_t letter = text[0];
    if (letter >= L'a' && letter <= L'z') letter = static_cast<wchar_t>(letter - L'a' + L'A');
    if (letter < L'A' || letter > L'Z') return std::nullopt;
    const std::wstring_view rest = text.substr(1);
    if (rest.empty() || rest == L":" || rest == L":\\") return letter;
    return std::nullopt;
}

void fix_corrupted_recycle_bin(Services& services) {
    const std::wstring typed =
        services.ui.input_box(L"Fix Corrupted Recycle Bin", L"Enter the drive letter (example: C)", L"");
    if (typed.empty()) return;
    const auto letter = parse_drive_letter(typed);
    if (!letter) {
        services.ui.show_message(kNotADriveLetter, mb::icon_warning);
        return;
    }
    // Paths are built from the checked letter alone, never from the typed text.
    const std::wstring drive = std::wstring(1, *letter) + L":\\";
    if (!services.files.directory_exists(drive)) return;
    if (services.ui.message_box(L"All items on the Recycle Bin will be deleted, do you want to continue?",
                                kNoticeCaption, mb::yes_no | mb::icon_question) != mb::id_yes)
        return;
    const std::wstring bin = drive + L"$Recycle.Bin";
    if (services.files.directory_exists(bin)) services.files.delete_tree(bin);
    services.ui.success_notice();
}

std::wstring batch_command_line(const std::wstring& system_folder, const std::wstring& batch_path) {
    // The interpreter is named by its full path, so no cmd.exe found elsewhere
    // runs. /d skips AutoRun commands and /v:off keeps "!" in the path literal.
    // With /s, cmd strips exactly the first and the last quotation mark of the
    // text after /c and runs what is left, here "<path>" in quotation marks of
    // its own: blanks and & ( ) ^ @ | < > in the path stay part of the name.
    // Without /s, cmd would keep or strip the quotation marks depending on
    // what the path holds. A quotation mark cannot occur in a path; "%NAME%"
    // in a path would still be expanded when NAME is set, as on any cmd line.
    return L"\"" + system_folder + L"\\cmd.exe\" /d /v:off /s /c \"\"" + batch_path + L"\"\"";
}

void reset_folder_view_settings(Services& services) {
    const std::wstring batch = staged_file_path(services.temp_path, L"tempbat.bat");
    RepairCommands commands(services);
    {
        // Held unchanged while cmd reads it, and gone before the closing
        // message, however the run ends.
        std::vector<std::wstring> script = services.texts.lines(kFolderViewScript);
        std::erase_if(script, restarts_explorer);
        const auto staged = services.files.stage_text_file(batch, script);
        commands.run(batch_command_line(services.folders.system_folder(), batch), sw::hide);
    }
    // Explorer is ended only now, after the settings are gone, so it cannot
    // write them back; an Explorer that could not be restarted is an error.
    restart_explorer(services, services.texts.program(kRestarterResource));
    commands.finish();
}

} // namespace vx
