#pragma once

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
    std::wstring name;          // empty for the default value
    bool is_default = false;    // written as "@=..."
    bool deletion = false;      // written as "name"=-
    ValueType type = ValueType::none;
    std::vector<std::uint8_t> data; // as the registry receives it (REG_SZ with its terminating zero)
    int line = 0;               // 1-based line of the value's first line

    // The data of a REG_SZ / REG_EXPAND_SZ value as text, without its zero.
    std::wstring text() const;
};

struct Section {
    RootKey root = RootKey::classes_root;
    std::wstring path;          // below the root, as written
    bool deletion = false;      // "[-...]"
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

// Reads a script, raising ParseError at the first malformed line.
Script parse(const std::vector<std::wstring>& lines);

} // namespace vx::regscript
