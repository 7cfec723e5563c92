#pragma once

#include <windows.h>

#include <functional>

#include "services/command_runner.h"
#include "services/handles_win.h"

namespace vx {

// Runs programs with CreateProcessW, each in a console of its own. While it
// waits, it lets the window handle its messages as they arrive, so the
// program stays responsive, and returns as soon as the child ends.
class Win32CommandRunner : public CommandRunner {
public:
    explicit Win32CommandRunner(std::function<void()> process_messages);

    int run(const std::wstring& command_line, std::uint16_t show) override;
    bool start(const std::wstring& command_line, std::uint16_t show) override;
    std::wstring error_text(std::uint32_t code) override;
    using CommandRunner::run;

    // The full path of the program a command line names, found the safe way;
    // empty when it is found nowhere.
    static std::wstring resolve(const std::wstring& command_line);

private:
    struct Child {
        // Declared in this order so the process handle is closed first.
        UniqueHandle thread;
        UniqueHandle process;
    };
    // Starts the process; an empty Child when it could not be started.
    static Child create(const std::wstring& command_line, std::uint16_t show);

    std::function<void()> process_messages_;
};

} // namespace vx
