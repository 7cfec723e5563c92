#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "services/command_runner.h"

namespace vx {

// Where the log's lines go: one file that grows by appends, and one previous
// file that takes its place when it is full.
class LogStore {
public:
    virtual ~LogStore() = default;
    // The size of the current file in bytes; 0 when there is none.
    virtual std::uint64_t size() = 0;
    // Appends the bytes at the end of the current file, creating it when
    // missing; raises an error when they could not be written.
    virtual void append(const std::string& bytes) = 0;
    // The current file becomes the previous one (an older previous one is
    // replaced), so that the next append starts a new file.
    virtual void roll() = 0;
};

// The current file never grows beyond this; a longer line is cut.
inline constexpr std::uint64_t kLogCapacity = 1024 * 1024;

// A moment of local time, as the log shows it.
struct LogTime {
    int year, month, day, hour, minute, second;
};
// "2026-12-11 02:30:05"
std::wstring format_log_time(const LogTime& time);

// The record of what the person did and what they were told: one line per
// event, each with the local time, the build and the action it belongs to.
// The lines are UTF-8 and are only ever appended. A log that cannot be
// written never stops a repair: it is a record, not part of the repair.
class ActionLog {
public:
    ActionLog(std::function<LogTime()> clock, std::wstring build);

    // Without a store (the folder could not be made safe) nothing is written.
    void set_store(LogStore* store) { store_ = store; }

    // The action the following events belong to, until end_action().
    void begin_action(std::wstring action) { action_ = std::move(action); }
    void end_action() { action_.clear(); }
    const std::wstring& action() const { return action_; }

    // A program that was run to its end, with its exit code (-1: it could not
    // be started), or one that was only started.
    void command_ran(const std::wstring& command_line, int exit_code);
    void command_started(const std::wstring& command_line, bool started);
    // A box the person was shown, with the button they pressed when it asked.
    void box_shown(const std::wstring& text, unsigned flags, int answer);
    // Any other event, in its own words.
    void note(const std::wstring& text);

private:
    void write(const std::wstring& event);

    std::function<LogTime()> clock_;
    std::wstring build_;
    std::wstring action_;
    LogStore* store_ = nullptr;
};

// The runner of the repairs with every command line and its outcome logged.
class LoggingRunner : public CommandRunner {
public:
    LoggingRunner(CommandRunner& runner, ActionLog& log) : runner_(runner), log_(log) {}

    int run(const std::wstring& command_line, std::uint16_t show) override;
    bool start(const std::wstring& command_line, std::uint16_t show) override;
    std::wstring error_text(std::uint32_t code) override { return runner_.error_text(code); }
    using CommandRunner::run;

private:
    CommandRunner& runner_;
    ActionLog& log_;
};

// Line breaks and tabs inside a logged text become blanks, so that each event
// stays on one line.
std::wstring one_line(std::wstring_view text);

} // namespace vx
