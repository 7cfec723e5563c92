#include "fixers/advanced/repair_commands.h"

namespace vx {

void RepairCommands::run(const std::wstring& command_line, std::uint16_t show) {
    if (services_.runner.run(command_line, show) == -1) not_started_.push_back(command_line);
}

void RepairCommands::run(std::span<const RepairCommand> commands) {
    for (const auto& command : commands)
        run(command.command_line, command.show);
}

void RepairCommands::start(const std::wstring& command_line, std::uint16_t show) {
    if (!services_.runner.start(command_line, show)) not_started_.push_back(command_line);
}

void RepairCommands::finish() {
    if (not_started_.empty())
        services_.ui.success_notice();
    else
        services_.ui.show_message(not_started_text(not_started_), mb::icon_error);
}

std::wstring not_started_text(const std::vector<std::wstring>& command_lines) {
    std::wstring text =
        command_lines.size() == 1 ? L"This command could not be started:" : L"These commands could not be started:";
    for (const auto& line : command_lines)
        text += L"\n" + line;
    return text;
}

} // namespace vx
