#include "maintenance/scans.h"

#include <optional>

#include "fixers/advanced/repair_commands.h"

namespace vx {

namespace {

constexpr int kNotStarted = -1;
// ERROR_SUCCESS_REBOOT_REQUIRED: DISM repaired the store and needs a restart.
constexpr int kSuccessRebootRequired = 3010;
// STATUS_CONTROL_C_EXIT: the tool, or the console around it, was ended by
// Ctrl+C or by closing the window. The tool's own answer is then unknown.
constexpr auto kStoppedByConsole = static_cast<int>(0xC000013Au);

struct Tool {
    const wchar_t* command;   // as the person sees it in a message
    const wchar_t* file;      // the program in the system folder
    const wchar_t* arguments;
};

constexpr Tool kSfc{kSfcCommand, L"sfc.exe", L"/scannow"};
constexpr Tool kDism{kDismCommand, L"Dism.exe", L"/Online /Cleanup-Image /RestoreHealth"};

std::wstring quoted(const wchar_t* command) { return L"\"" + std::wstring(command) + L"\""; }

// Runs the tool with its console kept open; answers its exit code, or nothing
// once the person has been told why there is none.
std::optional<int> run_tool(Services& services, const Tool& tool) {
    const std::wstring folder = services.folders.system_folder();
    const std::wstring program = folder + L"\\" + tool.file;
    const int code = services.files.file_exists(program)
                         ? services.runner.run(console_kept_open(folder, program, tool.arguments), sw::show)
                         : kNotStarted;
    if (code == kNotStarted) {
        services.ui.show_message(L"The command " + quoted(tool.command) + L" could not be started.",
                                 mb::icon_error);
        return std::nullopt;
    }
    if (code == kStoppedByConsole) {
        services.ui.show_message(L"The command " + quoted(tool.command) +
                                     L" was stopped before it ended (its window was closed or Ctrl+C was pressed), "
                                     L"so its result is not known.",
                                 mb::icon_error);
        return std::nullopt;
    }
    return code;
}

} // namespace

// cmd names the program by its full path, so nothing found in PATH runs; /d
// skips AutoRun commands. With /s, cmd strips the first and the last quotation
// mark after /c and runs the rest. /v:on reads the tool's exit code when the
// tool has ended, not when the line is read; the pause cannot change it, and
// "exit" hands it on as cmd's own. A "!" in the system folder's path would be
// taken for a variable, and no Windows folder has one.
std::wstring console_kept_open(const std::wstring& system_folder, const std::wstring& program,
                               const std::wstring& arguments) {
    return L"\"" + system_folder + L"\\cmd.exe\" /d /v:on /s /c \"\"" + program + L"\" " + arguments +
           L" & set VX_EXIT=!errorlevel! & echo. & echo " + kReadTheResult + L" & pause >nul & exit !VX_EXIT!\"";
}

// SFC's exit codes are not documented as Windows error codes: 0 is taken for
// success, and any other code is shown as a failure with its number alone.
void run_sfc_scan(Services& services) {
    const auto code = run_tool(services, kSfc);
    if (!code) return;
    if (*code == 0) {
        services.ui.show_message(L"Done!", mb::icon_information);
        return;
    }
    services.ui.show_message(L"The command " + quoted(kSfcCommand) + L" failed with exit code " +
                                 exit_code_text(*code) + L".",
                             mb::icon_error);
}

// DISM answers a Windows error code: 0 is success, 3010 success that needs a
// restart; any other code is a failure, shown with the system's text for it.
void run_dism_scan(Services& services) {
    const auto code = run_tool(services, kDism);
    if (!code) return;
    if (*code == 0) {
        services.ui.show_message(L"Done!", mb::icon_information);
        return;
    }
    if (*code == kSuccessRebootRequired) {
        services.ui.show_message(L"Done! Restart the computer to complete the repair.", mb::icon_information);
        return;
    }
    std::wstring text = L"The command " + quoted(kDismCommand) + L" failed with error " + exit_code_text(*code);
    const std::wstring reason = services.runner.error_text(static_cast<std::uint32_t>(*code));
    text += reason.empty() ? L"." : L": " + reason + L".";
    services.ui.show_message(text, mb::icon_error);
}

} // namespace vx
