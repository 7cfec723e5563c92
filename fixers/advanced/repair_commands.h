#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "services/services.h"

namespace vx {

// One command of a repair: its command line and the show-window value of its console.
struct RepairCommand {
    const wchar_t* command_line;
    std::uint16_t show;
};

// What a command's exit code means. By default 0 is success and anything else
// a failure: the repair did not happen. The catalogue of exceptions names the
// program (file name without ".exe", letter case ignored) and, where it
// matters, its first argument.
struct ExitCodeRule {
    std::wstring_view program;
    std::wstring_view first_argument; // empty: any
    // False when the code says nothing about the repair.
    bool examined;
    // A code other than 0 that still means the command did its part; 0 for none.
    int benign;
};

// The rule for a command line; nullopt when 0 alone is success.
std::optional<ExitCodeRule> exit_code_rule(std::wstring_view command_line);
// Whether the command line's exit code means it did its part.
bool exit_code_succeeded(std::wstring_view command_line, int exit_code);

// Runs the commands of one repair and ends it with its closing message. A
// command that could not be started did nothing, and a command that ended with
// a failing exit code did not do its part: the repair then does not claim
// success. All the commands run whatever the earlier ones answered.
class RepairCommands {
public:
    explicit RepairCommands(Services& services) : services_(services) {}

    // Runs the command and waits for it to end.
    void run(const std::wstring& command_line, std::uint16_t show);
    void run(std::span<const RepairCommand> commands);

    const std::vector<std::wstring>& not_started() const { return not_started_; }
    struct Failure {
        std::wstring command_line;
        int exit_code;
        bool operator==(const Failure&) const = default;
    };
    const std::vector<Failure>& failed() const { return failed_; }

    // The success notice, or an error box naming the commands that could not
    // be started, those that failed with their exit codes, and what of the
    // state the repair sets still differs (`still_differs`, from its check).
    void finish(const std::vector<std::wstring>& still_differs = {});

private:
    Services& services_;
    std::vector<std::wstring> not_started_;
    std::vector<Failure> failed_;
};

// The text of the error box for commands that could not be started.
std::wstring not_started_text(const std::vector<std::wstring>& command_lines);
// The text of the error box for commands that failed.
std::wstring failed_text(const std::vector<RepairCommands::Failure>& failures);
// An exit code as the error box shows it: decimal, or hexadecimal for the
// large codes that are status or HRESULT values.
std::wstring exit_code_text(int exit_code);

} // namespace vx
