#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "services/command_line.h"

namespace vx {

// Starts programs. A bare program name is looked up in the system folder alone
// (never in PATH, beside the program or in the current folder); any other
// program is named by its full path. Every child starts in the system folder.
class CommandRunner {
public:
    virtual ~CommandRunner() = default;

    // Runs a command line whose first token names the program, waits for it
    // while the window keeps handling messages, and answers its exit code, or
    // -1 when it could not be started. A line over kMaxCommandLine units
    // raises an error.
    virtual int run(const std::wstring& command_line, std::uint16_t show) = 0;

    // Starts a command line and returns at once; answers whether it started.
    virtual bool start(const std::wstring& command_line, std::uint16_t show) = 0;

    // The system's text for an exit code that is a Windows error code, to
    // stand inside a sentence; empty when there is none.
    virtual std::wstring error_text(std::uint32_t /*code*/) { return {}; }

    // The same with the program and its arguments given apart, each argument
    // quoted by the Windows rules: the way to pass file paths.
    int run(const std::wstring& program, const std::vector<std::wstring>& arguments, std::uint16_t show) {
        return run(build_command_line(program, arguments), show);
    }
};

} // namespace vx
