#include "fixers/advanced/repair_commands.h"

#include <array>
#include <cwchar>

#include "fixers/advanced/advanced_health.h"
#include "services/command_line.h"
#include "services/text.h"

namespace vx {

namespace {

// The commands whose exit code is not simply "0 or failure".
constexpr std::array kExitCodeRules{
    // net exits 2 when the service is already stopped, the same code as for
    // its real failures, so the code cannot tell them apart; the start that
    // follows in the same repair decides.
    ExitCodeRule{L"net", L"stop", false, 0},
    // 2: the service is already running ("The requested service has already
    // been started"). net gives 2 for its other failures too; each repair
    // opens or configures the service before it starts it, so a service that
    // is not there has failed the repair earlier.
    ExitCodeRule{L"net", L"start", true, 2},
    // Fails for an adapter that has no lease to give back (a fixed address, a
    // cable unplugged); the renewal that follows decides.
    ExitCodeRule{L"ipconfig", L"/release", false, 0},
    // rundll32 does not pass on the result of the function it calls.
    ExitCodeRule{L"rundll32", L"", false, 0},
    // The folder-view batch: cmd answers the code of the batch's last line, a
    // Reg Delete that fails when its key is already gone, as it usually is,
    // with the same code as for a delete that was refused.
    ExitCodeRule{L"cmd", L"/d", false, 0},
};

// The program's file name without folder and ".exe".
std::wstring program_name(std::wstring_view command_line, std::wstring& rest) {
    std::wstring name = program_token(command_line, &rest);
    const auto slash = name.find_last_of(L"\\/");
    if (slash != std::wstring::npos) name.erase(0, slash + 1);
    if (name.size() > 4 && equals_ignore_case(std::wstring_view(name).substr(name.size() - 4), L".exe"))
        name.resize(name.size() - 4);
    return name;
}

std::wstring first_word(std::wstring_view text) {
    const auto start = text.find_first_not_of(L" \t");
    if (start == std::wstring_view::npos) return {};
    const auto end = text.find_first_of(L" \t", start);
    return std::wstring(text.substr(start, end == std::wstring_view::npos ? std::wstring_view::npos : end - start));
}

} // namespace

std::optional<ExitCodeRule> exit_code_rule(std::wstring_view command_line) {
    std::wstring rest;
    const std::wstring program = program_name(command_line, rest);
    const std::wstring argument = first_word(rest);
    for (const auto& rule : kExitCodeRules)
        if (equals_ignore_case(program, rule.program) &&
            (rule.first_argument.empty() || equals_ignore_case(argument, rule.first_argument)))
            return rule;
    return std::nullopt;
}

bool exit_code_succeeded(std::wstring_view command_line, int exit_code) {
    if (exit_code == 0) return true;
    const auto rule = exit_code_rule(command_line);
    return rule && (!rule->examined || (rule->benign != 0 && exit_code == rule->benign));
}

void RepairCommands::run(const std::wstring& command_line, std::uint16_t show) {
    const int code = services_.runner.run(command_line, show);
    if (code == -1)
        not_started_.push_back(command_line);
    else if (!exit_code_succeeded(command_line, code))
        failed_.push_back({command_line, code});
}

void RepairCommands::run(std::span<const RepairCommand> commands) {
    for (const auto& command : commands)
        run(command.command_line, command.show);
}

void RepairCommands::finish(const std::vector<std::wstring>& still_differs) {
    if (not_started_.empty() && failed_.empty() && still_differs.empty()) {
        services_.ui.success_notice();
        return;
    }
    std::wstring text;
    if (!not_started_.empty()) text = not_started_text(not_started_);
    if (!failed_.empty()) text += (text.empty() ? L"" : L"\n\n") + failed_text(failed_);
    if (!still_differs.empty()) text += (text.empty() ? L"" : L"\n\n") + still_differs_text(still_differs);
    services_.ui.show_message(text, mb::icon_error);
}

std::wstring not_started_text(const std::vector<std::wstring>& command_lines) {
    std::wstring text =
        command_lines.size() == 1 ? L"This command could not be started:" : L"These commands could not be started:";
    for (const auto& line : command_lines)
        text += L"\n" + line;
    return text;
}

std::wstring failed_text(const std::vector<RepairCommands::Failure>& failures) {
    std::wstring text = failures.size() == 1 ? L"This command failed:" : L"These commands failed:";
    for (const auto& failure : failures)
        text += L"\n" + failure.command_line + L" (exit code " + exit_code_text(failure.exit_code) + L")";
    return text;
}

std::wstring exit_code_text(int exit_code) {
    const auto code = static_cast<std::uint32_t>(exit_code);
    if (code <= 0xFFFF) return std::to_wstring(code);
    wchar_t hex[16];
    std::swprintf(hex, 16, L"0x%08X", static_cast<unsigned>(code));
    return hex;
}

} // namespace vx
