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

// Where a bare program name may be found. The program's own folder and the
// current folder are never searched: an elevated program must not run a
// reg.exe someone left beside it.
struct ProgramSearch {
    std::wstring system_folder;           // searched first
    std::wstring path_variable;           // then each folder of PATH, in order
    std::vector<std::wstring> excluded;   // the program's own and the current folder
    std::function<bool(const std::wstring&)> file_exists;
};

// The full path of `program`, or nothing when it is found nowhere. A name
// without an extension gets ".exe", as process creation does. A name that
// already holds a path is taken as it is.
std::optional<std::wstring> find_program(std::wstring_view program, const ProgramSearch& search);

// Case-insensitive comparison of folder paths, ignoring a trailing backslash.
bool same_folder(std::wstring_view a, std::wstring_view b);

} // namespace vx
