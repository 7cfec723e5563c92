#include "services/action_log.h"

#include <cstdio>

#include "services/error.h"
#include "services/ui.h"

namespace vx {

std::wstring format_log_time(const LogTime& t) {
    wchar_t text[32];
    std::swprintf(text, 32, L"%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
    return text;
}

std::wstring one_line(std::wstring_view text) {
    std::wstring line;
    line.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') continue;
        line += (c == L'\r' || c == L'\n' || c == L'\t') ? L' ' : c;
    }
    return line;
}

ActionLog::ActionLog(std::function<LogTime()> clock, std::wstring build)
    : clock_(std::move(clock)), build_(std::move(build)) {}

void ActionLog::command_ran(const std::wstring& command_line, int exit_code) {
    if (exit_code == -1) {
        write(L"could not start: " + command_line);
        return;
    }
    // Exit codes that are Windows or NTSTATUS codes read best in hex.
    wchar_t code[32];
    if (exit_code < 0)
        std::swprintf(code, 32, L"0x%08X", static_cast<unsigned>(exit_code));
    else
        std::swprintf(code, 32, L"%d", exit_code);
    write(L"ran: " + command_line + L" | exit code " + code);
}

void ActionLog::command_started(const std::wstring& command_line, bool started) {
    write((started ? L"started: " : L"could not start: ") + command_line);
}

void ActionLog::box_shown(const std::wstring& text, unsigned flags, int answer) {
    std::wstring kind = L"message";
    switch (flags & 0xF0u) {
    case mb::icon_error: kind = L"error"; break;
    case mb::icon_warning: kind = L"warning"; break;
    case mb::icon_question: kind = L"question"; break;
    case mb::icon_information: kind = L"information"; break;
    default: break;
    }
    std::wstring event = L"shown " + kind + L": \"" + text + L"\"";
    if ((flags & 0x0Fu) == mb::yes_no) event += answer == mb::id_yes ? L" | answered Yes" : L" | answered No";
    write(event);
}

void ActionLog::note(const std::wstring& text) { write(text); }

void ActionLog::write(const std::wstring& event) {
    if (!store_) return;
    try {
        std::string line =
            to_utf8(format_log_time(clock_()) + L" | " + build_ + L" | " + (action_.empty() ? L"-" : action_) +
                    L" | " + one_line(event)) +
            "\r\n";
        if (line.size() > kLogCapacity) {
            // Cut at a character's start, so the file stays valid UTF-8.
            std::size_t cut = kLogCapacity - 2;
            while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0u) == 0x80u) --cut;
            line = line.substr(0, cut) + "\r\n";
        }
        if (store_->size() + line.size() > kLogCapacity) store_->roll();
        store_->append(line);
    } catch (...) {
        // The repair goes on; only its record is missing.
    }
}

int LoggingRunner::run(const std::wstring& command_line, std::uint16_t show) {
    const int code = runner_.run(command_line, show);
    log_.command_ran(command_line, code);
    return code;
}

bool LoggingRunner::start(const std::wstring& command_line, std::uint16_t show) {
    const bool started = runner_.start(command_line, show);
    log_.command_started(command_line, started);
    return started;
}

} // namespace vx
