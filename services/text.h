#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vx {

// Letter-case folding for the ASCII and Latin-1 letters the program compares
// (registry names, captions, file names); other characters compare as they are.
wchar_t fold_case(wchar_t c);
bool equals_ignore_case(std::wstring_view a, std::wstring_view b);
bool starts_with_ignore_case(std::wstring_view text, std::wstring_view prefix);
std::wstring to_lower(std::wstring_view text);

std::vector<std::wstring> split(std::wstring_view text, wchar_t separator);
// Removes leading and trailing blanks and control characters.
std::wstring trim(std::wstring_view text);

// Splits stored text into lines at CR LF, LF or CR. A final line end does not
// start an extra empty line.
std::vector<std::wstring> split_lines(std::wstring_view text);
// Widens 7-bit text byte for byte.
std::wstring widen_ascii(std::string_view text);

} // namespace vx
