#include "services/command_line.h"

#include "services/error.h"
#include "services/text.h"

namespace vx {

std::wstring quote_argument(std::wstring_view argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring_view::npos)
        return std::wstring(argument);
    std::wstring out = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        if (c == L'"') {
            // Backslashes before a quotation mark are doubled, and the mark escaped.
            out.append(backslashes * 2 + 1, L'\\');
        } else {
            out.append(backslashes, L'\\');
        }
        backslashes = 0;
        out += c;
    }
    // Backslashes before the closing mark are doubled so it stays a closing mark.
    out.append(backslashes * 2, L'\\');
    out += L'"';
    return out;
}

std::wstring build_command_line(std::wstring_view program, const std::vector<std::wstring>& arguments) {
    std::wstring line = quote_argument(program);
    for (const auto& argument : arguments) {
        line += L' ';
        line += quote_argument(argument);
    }
    return line;
}

void check_command_line(std::wstring_view command_line) {
    if (command_line.size() > kMaxCommandLine)
        throw Error(L"The command line is too long to run (" + std::to_wstring(command_line.size()) +
                    L" characters, at most " + std::to_wstring(kMaxCommandLine) + L")");
}

std::wstring program_token(std::wstring_view command_line, std::wstring* rest) {
    std::size_t start = 0;
    while (start < command_line.size() && (command_line[start] == L' ' || command_line[start] == L'\t'))
        ++start;
    std::wstring token;
    std::size_t end = start;
    if (start < command_line.size() && command_line[start] == L'"') {
        const auto close = command_line.find(L'"', start + 1);
        end = close == std::wstring_view::npos ? command_line.size() : close + 1;
        token =
            std::wstring(command_line.substr(start + 1, (close == std::wstring_view::npos ? end : close) - start - 1));
    } else {
        end = command_line.find_first_of(L" \t", start);
        if (end == std::wstring_view::npos) end = command_line.size();
        token = std::wstring(command_line.substr(start, end - start));
    }
    if (rest) *rest = std::wstring(command_line.substr(end));
    return token;
}

bool names_path(std::wstring_view program) {
    return program.find_first_of(L"\\/:") != std::wstring_view::npos;
}

bool is_absolute_path(std::wstring_view path) {
    const bool drive_root = path.size() >= 3 && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/');
    return drive_root || path.starts_with(L"\\\\");
}

std::optional<std::wstring> find_program(std::wstring_view program, const ProgramSearch& search) {
    if (program.empty()) return std::nullopt;
    if (names_path(program)) {
        if (!is_absolute_path(program)) return std::nullopt;
        return std::wstring(program);
    }
    if (search.system_folder.empty() || !search.file_exists) return std::nullopt;

    std::wstring candidate = search.system_folder;
    if (candidate.back() != L'\\' && candidate.back() != L'/') candidate += L'\\';
    candidate += program;
    if (program.find(L'.') == std::wstring_view::npos) candidate += L".exe";
    if (!search.file_exists(candidate)) return std::nullopt;
    return candidate;
}

std::wstring environment_block(const std::vector<std::wstring>& entries, std::wstring_view name,
                               std::wstring_view value) {
    std::wstring block;
    for (const auto& entry : entries) {
        if (entry.empty()) continue;
        // The name ends at the first "=" after the first character: entries
        // such as "=C:=C:\\Work" begin with one.
        const auto equals = entry.find(L'=', 1);
        const std::wstring_view entry_name = std::wstring_view(entry).substr(0, equals);
        if (equals != std::wstring::npos && equals_ignore_case(entry_name, name)) continue;
        block += entry;
        block += L'\0';
    }
    block += name;
    block += L'=';
    block += value;
    block += L'\0';
    block += L'\0';
    return block;
}

} // namespace vx
