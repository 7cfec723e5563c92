#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "services/services.h"

namespace vx {

// One command of a repair: its command line and the show-window value of its console.
struct RepairCommand {
    const wchar_t* command_line;
    std::uint16_t show;
};

// Runs the commands of one repair and ends it with its closing message. The
// exit codes of commands that ran are not examined (a reset that "fails"
// often only means there was nothing to reset), but a command that could not
// be started at all did nothing, so the repair must not claim success for it.
class RepairCommands {
public:
    explicit RepairCommands(Services& services) : services_(services) {}

    // Runs the command and waits for it to end.
    void run(const std::wstring& command_line, std::uint16_t show);
    void run(std::span<const RepairCommand> commands);
    // Starts the command and returns at once.
    void start(const std::wstring& command_line, std::uint16_t show);

    const std::vector<std::wstring>& not_started() const { return not_started_; }

    // The success notice, or, when some command could not be started, an
    // error box naming those commands.
    void finish();

private:
    Services& services_;
    std::vector<std::wstring> not_started_;
};

// The text of the error box for commands that could not be started.
std::wstring not_started_text(const std::vector<std::wstring>& command_lines);

} // namespace vx
