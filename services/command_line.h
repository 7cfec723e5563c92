#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vx {

// The longest command line the runner accepts, in UTF-16 units.
inline constexpr std::size_t kMaxCommandLine = 512;

// Quotes one argument by the rules the Windows C runtime and
// CommandLineToArgvW use to split a command line: blanks, tabs and quotation
// marks force quoting; backslashes are doubled only before a quotation mark.
std::wstring quote_argument(std::wstring_view argument);

// The program name followed by its arguments, each quoted when it needs it.
std::wstring build_command_line(std::wstring_view program, const std::vector<std::wstring>& arguments);

// Raises an error when the line is longer than kMaxCommandLine.
void check_command_line(std::wstring_view command_line);

// The first token of a command line, the way process creation reads it: up to
// the first blank or tab, or the text inside a leading pair of quotation marks.
// `rest` receives the remainder, including its leading blank.
std::wstring program_token(std::wstring_view command_line, std::wstring* rest = nullptr);

// True when a program token names a file by path (it holds a folder separator
// or a drive colon) rather than by bare name.
bool names_path(std::wstring_view program);

// Where a bare program name is found: in the system folder alone. Neither
// PATH nor the program's own folder nor the current folder is searched, so an
// elevated program never runs a reg.exe that someone left in a folder a user
// can write to. Programs that live elsewhere in the system are named by their
// full path.
struct ProgramSearch {
    std::wstring system_folder;
    std::function<bool(const std::wstring&)> file_exists;
};

// True when a path is absolute: a drive with its root ("C:\") or a UNC path.
bool is_absolute_path(std::wstring_view path);

// The full path of `program`, or nothing when it is not there. A bare name
// without an extension gets ".exe", as process creation does, and is looked
// for in the system folder. An absolute path is taken as it is; a relative
// one ("tools\reg.exe", "C:reg.exe") is refused, since it would be read
// against the current folder.
std::optional<std::wstring> find_program(std::wstring_view program, const ProgramSearch& search);

// An environment block for process creation: the entries ("NAME=value") in
// their order with `name` set to `value` (an entry of that name, in any case,
// is replaced), each ended by a zero and the block by one more.
std::wstring environment_block(const std::vector<std::wstring>& entries, std::wstring_view name,
                               std::wstring_view value);

} // namespace vx
