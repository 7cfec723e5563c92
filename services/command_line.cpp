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
    while (start < command_line.size() && (command_line[start] == L' ' || command_line[start] == L'\t')) ++start;
    std::wstring token;
    std::size_t end = start;
    if (start < command_line.size() && command_line[start] == L'"') {
        const auto close = command_line.find(L'"', start + 1);
        end = close == std::wstring_view::npos ? command_line.size() : close + 1;
        token = std::wstring(command_line.substr(start + 1, (close == std::wstring_view::npos ? end : close) - start - 1));
    } else {
        end = command_line.find_first_of(L" \t", start);
        if (end == std::wstring_view::npos) end = command_line.size();
        token = std::wstring(command_line.substr(start, end - start));
    }
    if (rest) *rest = std::wstring(command_line.substr(end));
    return token;
}

bool names_path(std::wstring_view program) { return program.find_first_of(L"\\/:") != std::wstring_view::npos; }

bool same_folder(std::wstring_view a, std::wstring_view b) {
    while (!a.empty() && (a.back() == L'\\' || a.back() == L'/')) a.remove_suffix(1);
    while (!b.empty() && (b.back() == L'\\' || b.back() == L'/')) b.remove_suffix(1);
    return equals_ignore_case(a, b);
}

std::optional<std::wstring> find_program(std::wstring_view program, const ProgramSearch& search) {
    if (program.empty()) return std::nullopt;
    if (names_path(program)) return std::wstring(program);

    std::wstring name(program);
    if (name.find(L'.') == std::wstring::npos) name += L".exe";

    std::vector<std::wstring> folders;
    if (!search.system_folder.empty()) folders.push_back(search.system_folder);
    for (auto& entry : split(search.path_variable, L';')) {
        auto folder = trim(entry);
        if (folder.size() >= 2 && folder.front() == L'"' && folder.back() == L'"') folder = folder.substr(1, folder.size() - 2);
        // Only absolute folders count: "." or a relative entry would mean the current folder.
        const bool absolute = (folder.size() >= 3 && folder[1] == L':' && (folder[2] == L'\\' || folder[2] == L'/')) ||
                              folder.starts_with(L"\\\\");
        if (absolute) folders.push_back(folder);
    }
    for (const auto& folder : folders) {
        bool excluded = false;
        for (const auto& skip : search.excluded) excluded = excluded || same_folder(folder, skip);
        if (excluded) continue;
        std::wstring candidate = folder;
        if (candidate.back() != L'\\' && candidate.back() != L'/') candidate += L'\\';
        candidate += name;
        if (search.file_exists && search.file_exists(candidate)) return candidate;
    }
    return std::nullopt;
}

} // namespace vx
