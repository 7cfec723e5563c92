#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "services/error.h"
#include "services/registry.h"

namespace vx::regscript {

// The kinds of line of a stored registry script ("Windows Registry Editor
// Version 5.00" text as the stored scripts use it).
enum class LineKind {
    header,
    comment,
    blank,
    key,
    key_deletion,
    default_value,
    named_value,
    value_deletion,
    continuation,
};

// One value line (with its continuation lines) of a key section.
struct Value {
    std::wstring name;       // empty for the default value
    bool is_default = false; // written as "@=..."
    bool deletion = false;   // written as "name"=-
    ValueType type = ValueType::none;
    std::vector<std::uint8_t> data; // as the registry receives it (REG_SZ with its terminating zero)
    int line = 0;                   // 1-based line of the value's first line

    // The data of a REG_SZ / REG_EXPAND_SZ value as text, without its zero.
    std::wstring text() const;
};

struct Section {
    RootKey root = RootKey::classes_root;
    std::wstring path;     // below the root, as written
    bool deletion = false; // "[-...]"
    int line = 0;
    std::vector<Value> values;

    // "HKEY_CLASSES_ROOT\..." as written in the script.
    std::wstring full_path() const;
};

// How many lines of each kind a script holds, values split by type.
struct LineCounts {
    int total = 0;
    int header = 0, comment = 0, blank = 0, key = 0, key_deletion = 0;
    int default_sz = 0, default_expand = 0;
    int named_sz = 0, named_dword = 0, named_expand = 0, named_binary = 0, named_none = 0;
    int value_deletion = 0, continuation = 0;
    // Lines that hold an escaped backslash / an escaped quotation mark.
    int escaped_backslash = 0, escaped_quote = 0;
    LineCounts& operator+=(const LineCounts& other);
    bool operator==(const LineCounts&) const = default;
};

struct Script {
    std::vector<Section> sections; // in script order, deletions included
    LineCounts counts;
};

// What the reader says about a malformed line.
namespace reason {
inline constexpr const wchar_t* missing_header = L"the first line is not \"Windows Registry Editor Version 5.00\"";
inline constexpr const wchar_t* unknown_line = L"unknown kind of line";
inline constexpr const wchar_t* too_long = L"line too long";
inline constexpr const wchar_t* stray_continuation = L"continuation line without a continued byte list before it";
inline constexpr const wchar_t* continuation_expected = L"the byte list of the line before is not continued here";
inline constexpr const wchar_t* unfinished_list = L"the script ends inside a continued byte list";
inline constexpr const wchar_t* malformed_byte = L"malformed byte (two hexadecimal digits expected)";
inline constexpr const wchar_t* upper_case_hex = L"upper-case hexadecimal digit";
inline constexpr const wchar_t* malformed_list = L"malformed byte list";
inline constexpr const wchar_t* malformed_dword = L"a dword needs exactly 8 hexadecimal digits";
inline constexpr const wchar_t* malformed_text = L"malformed quoted text";
inline constexpr const wchar_t* unknown_escape = L"unknown escape in quoted text";
inline constexpr const wchar_t* unsupported_type = L"unsupported value type";
inline constexpr const wchar_t* malformed_expand = L"expandable text must be UTF-16LE ending with a zero character";
inline constexpr const wchar_t* value_outside_key = L"value line outside a key section";
inline constexpr const wchar_t* malformed_key = L"malformed key line";
inline constexpr const wchar_t* unknown_root =
    L"key outside HKEY_CLASSES_ROOT, HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE";
inline constexpr const wchar_t* late_deletion = L"key deleted after it or a key below it was written";
} // namespace reason

// Line lengths the reader accepts. A line broken after a comma of a byte list
// ends with the continuation backslash within 79 characters, and the line
// that continues it keeps to 78, as the Registry Editor wraps its exports.
// Quoted texts are never wrapped, so other lines may be longer; 1,024
// characters leaves room for twice the longest stored line.
inline constexpr std::size_t kMaxContinuedLine = 79;
inline constexpr std::size_t kMaxContinuationLine = 78;
inline constexpr std::size_t kMaxLine = 1024;

inline constexpr const wchar_t* kHeader = L"Windows Registry Editor Version 5.00";

// A malformed line: its 1-based number and what is wrong with it.
class ParseError : public Error {
public:
    ParseError(int line, std::wstring reason);
    int line() const noexcept { return line_; }
    const std::wstring& reason() const noexcept { return reason_; }

private:
    int line_;
    std::wstring reason_;
};

// Which values a script may hold. The stored scripts use text, dwords,
// binary and expandable text, and only text as a default value. A backup of
// the registry holds whatever was there: any type as "hex(<type>):" with any
// bytes, as the default value too.
enum class Types { stored, any };

// Reads a script, raising ParseError at the first malformed line.
Script parse(const std::vector<std::wstring>& lines, Types types = Types::stored);

} // namespace vx::regscript
