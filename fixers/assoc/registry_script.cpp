#include "fixers/assoc/registry_script.h"

#include <optional>
#include <string_view>

#include "services/text.h"

namespace vx::regscript {

namespace {

struct RootName {
    const wchar_t* name;
    RootKey root;
};

constexpr RootName kRoots[] = {
    {L"HKEY_CLASSES_ROOT", RootKey::classes_root},
    {L"HKEY_CURRENT_USER", RootKey::current_user},
    {L"HKEY_LOCAL_MACHINE", RootKey::local_machine},
};

const wchar_t* root_name(RootKey root) {
    for (const auto& r : kRoots)
        if (r.root == root) return r.name;
    return L"";
}

[[noreturn]] void fail(int line, const wchar_t* why) {
    throw ParseError(line, why);
}

int hex_digit(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    return -1;
}

bool is_upper_hex_digit(wchar_t c) {
    return c >= L'A' && c <= L'F';
}

// Escapes seen while reading quoted text on the current line.
struct Escapes {
    bool backslash = false;
    bool quote = false;
};

// Reads quoted text that starts at text[pos] == '"'; leaves pos after the
// closing mark and answers the text with its escapes undone.
std::wstring read_quoted(std::wstring_view text, std::size_t& pos, Escapes& escapes, int line) {
    std::wstring out;
    ++pos;
    while (pos < text.size()) {
        const wchar_t c = text[pos++];
        if (c == L'"') return out;
        if (c != L'\\') {
            out += c;
            continue;
        }
        if (pos >= text.size()) break;
        const wchar_t escaped = text[pos++];
        if (escaped == L'\\') {
            escapes.backslash = true;
        } else if (escaped == L'"') {
            escapes.quote = true;
        } else {
            fail(line, reason::unknown_escape);
        }
        out += escaped;
    }
    fail(line, reason::malformed_text);
}

// Reads the bytes of one line of a byte list. Answers whether the list goes
// on on the next line (the line ends with a comma and a backslash).
bool read_bytes(std::wstring_view text, std::vector<std::uint8_t>& bytes, bool allow_empty, int line) {
    bool continued = false;
    if (!text.empty() && text.back() == L'\\') {
        continued = true;
        text.remove_suffix(1);
        if (text.empty() || text.back() != L',') fail(line, reason::malformed_list);
        text.remove_suffix(1);
    }
    if (text.empty()) {
        if (continued || !allow_empty) fail(line, reason::malformed_list);
        return false;
    }
    for (std::size_t start = 0;;) {
        const std::size_t comma = text.find(L',', start);
        const std::wstring_view token =
            text.substr(start, comma == std::wstring_view::npos ? text.npos : comma - start);
        if (token.size() == 2 && hex_digit(token[0]) >= 0 && hex_digit(token[1]) >= 0) {
            bytes.push_back(static_cast<std::uint8_t>(hex_digit(token[0]) * 16 + hex_digit(token[1])));
        } else {
            for (wchar_t c : token)
                if (is_upper_hex_digit(c)) fail(line, reason::upper_case_hex);
            fail(line, reason::malformed_byte);
        }
        if (comma == std::wstring_view::npos) break;
        start = comma + 1;
    }
    return continued;
}

std::optional<RootKey> parse_root(std::wstring_view name) {
    for (const auto& r : kRoots)
        if (name == r.name) return r.root;
    return std::nullopt;
}

// A key path of a "[...]" line, checked and split into root and path.
Section parse_key_line(std::wstring_view text, int line) {
    Section section;
    section.line = line;
    if (text.size() < 2 || text.back() != L']') fail(line, reason::malformed_key);
    std::wstring_view path = text.substr(1, text.size() - 2);
    if (!path.empty() && path.front() == L'-') {
        section.deletion = true;
        path.remove_prefix(1);
    }
    const std::size_t slash = path.find(L'\\');
    const auto root = parse_root(path.substr(0, slash));
    if (!root) fail(line, reason::unknown_root);
    if (slash == std::wstring_view::npos) fail(line, reason::malformed_key);
    const std::wstring_view below = path.substr(slash + 1);
    // Every name of the path must be there: no empty name between two
    // backslashes, none at the end.
    if (below.empty() || below.back() == L'\\' || below.find(L"\\\\") != std::wstring_view::npos ||
        below.find_first_of(L"[]") != std::wstring_view::npos)
        fail(line, reason::malformed_key);
    section.root = *root;
    section.path = std::wstring(below);
    return section;
}

std::wstring folded_full_path(const Section& section) {
    return to_lower(section.full_path());
}

class Reader {
public:
    explicit Reader(Types types) : any_(types == Types::any) {}

    Script read(const std::vector<std::wstring>& lines) {
        script_.counts.total = static_cast<int>(lines.size());
        if (lines.empty() || lines.front() != kHeader) fail(1, reason::missing_header);
        script_.counts.header = 1;
        for (std::size_t i = 1; i < lines.size(); ++i)
            read_line(lines[i], static_cast<int>(i + 1));
        if (open_list_) fail(static_cast<int>(lines.size()), reason::unfinished_list);
        return std::move(script_);
    }

private:
    void read_line(std::wstring_view text, int line) {
        if (open_list_) {
            continue_list(text, line);
            return;
        }
        if (text.empty()) {
            ++script_.counts.blank;
            return;
        }
        if (text.size() > kMaxLine) fail(line, reason::too_long);
        switch (text.front()) {
        case L';':
            ++script_.counts.comment;
            return;
        case L'[':
            read_key(text, line);
            return;
        case L'@':
        case L'"':
            read_value(text, line);
            return;
        case L' ':
            if (text.size() > 1 && text[1] == L' ') fail(line, reason::stray_continuation);
            break;
        default:
            break;
        }
        fail(line, reason::unknown_line);
    }

    void read_key(std::wstring_view text, int line) {
        Section section = parse_key_line(text, line);
        const std::wstring folded = folded_full_path(section);
        if (section.deletion) {
            // A deletion must come before everything that writes the key or
            // a key below it, or it would undo the script's own work.
            for (const auto& written : written_)
                if (written == folded ||
                    (written.size() > folded.size() && written.starts_with(folded) && written[folded.size()] == L'\\'))
                    fail(line, reason::late_deletion);
            ++script_.counts.key_deletion;
        } else {
            written_.push_back(folded);
            ++script_.counts.key;
        }
        script_.sections.push_back(std::move(section));
    }

    void read_value(std::wstring_view text, int line) {
        if (script_.sections.empty() || script_.sections.back().deletion) fail(line, reason::value_outside_key);
        Escapes escapes;
        Value value;
        value.line = line;
        std::size_t pos = 0;
        if (text.front() == L'@') {
            value.is_default = true;
            pos = 1;
        } else {
            value.name = read_quoted(text, pos, escapes, line);
        }
        if (pos >= text.size() || text[pos] != L'=') fail(line, reason::unknown_line);
        const std::wstring_view data = text.substr(pos + 1);
        auto& counts = script_.counts;

        if (data == L"-") {
            value.deletion = true;
            ++counts.value_deletion;
        } else if (!data.empty() && data.front() == L'"') {
            std::size_t end = 0;
            const std::wstring content = read_quoted(data, end, escapes, line);
            if (end != data.size()) fail(line, reason::malformed_text);
            value.type = ValueType::sz;
            value.data = registry_string_bytes(content);
            ++(value.is_default ? counts.default_sz : counts.named_sz);
        } else if (data.starts_with(L"dword:")) {
            if (value.is_default && !any_) fail(line, reason::unsupported_type);
            read_dword(data.substr(6), value, line);
            ++counts.named_dword;
        } else if (!read_list_start(data, value, line)) {
            fail(line, data.starts_with(L"hex") ? reason::unsupported_type : reason::unknown_line);
        }
        if (escapes.backslash) ++counts.escaped_backslash;
        if (escapes.quote) ++counts.escaped_quote;

        script_.sections.back().values.push_back(std::move(value));
        if (!open_list_)
            finish_value(script_.sections.back().values.back());
        else if (text.size() > kMaxContinuedLine)
            fail(line, reason::too_long);
    }

    static void read_dword(std::wstring_view digits, Value& value, int line) {
        for (wchar_t c : digits)
            if (is_upper_hex_digit(c)) fail(line, reason::upper_case_hex);
        if (digits.size() != 8) fail(line, reason::malformed_dword);
        std::uint32_t number = 0;
        for (wchar_t c : digits) {
            const int digit = hex_digit(c);
            if (digit < 0) fail(line, reason::malformed_dword);
            number = number * 16 + static_cast<std::uint32_t>(digit);
        }
        value.type = ValueType::dword;
        for (int shift = 0; shift < 32; shift += 8)
            value.data.push_back(static_cast<std::uint8_t>(number >> shift));
    }

    // "hex:", "hex(0):" and "hex(2):" lists; answers false for other data.
    bool read_list_start(std::wstring_view data, Value& value, int line) {
        struct ListType {
            std::wstring_view prefix;
            ValueType type;
        };
        constexpr ListType kLists[] = {
            {L"hex:", ValueType::binary},
            {L"hex(0):", ValueType::none},
            {L"hex(2):", ValueType::expand_sz},
        };
        if (any_ && data.starts_with(L"hex(")) {
            // "hex(<type>):" with the type in lower-case hexadecimal digits.
            const std::size_t close = data.find(L"):");
            if (close == std::wstring_view::npos || close < 5 || close > 12) fail(line, reason::malformed_list);
            std::uint32_t type = 0;
            for (wchar_t c : data.substr(4, close - 4)) {
                if (is_upper_hex_digit(c)) fail(line, reason::upper_case_hex);
                if (hex_digit(c) < 0) fail(line, reason::malformed_list);
                type = type * 16 + static_cast<std::uint32_t>(hex_digit(c));
            }
            value.type = static_cast<ValueType>(type);
            open_list_ = read_bytes(data.substr(close + 2), value.data, true, line);
            count_list_value(value);
            return true;
        }
        for (const auto& list : kLists) {
            if (!data.starts_with(list.prefix)) continue;
            value.type = list.type;
            // A list may be empty on its first line (a value of length 0); expandable text
            // still needs its zero character, which finish_value checks.
            open_list_ = read_bytes(data.substr(list.prefix.size()), value.data, true, line);
            count_list_value(value);
            return true;
        }
        return false;
    }

    void count_list_value(const Value& value) {
        auto& counts = script_.counts;
        switch (value.type) {
        case ValueType::expand_sz:
            ++(value.is_default ? counts.default_expand : counts.named_expand);
            return;
        case ValueType::binary:
            if (value.is_default && !any_) fail(value.line, reason::unsupported_type);
            ++counts.named_binary;
            return;
        default:
            if (value.is_default && !any_) fail(value.line, reason::unsupported_type);
            ++counts.named_none;
            return;
        }
    }

    void continue_list(std::wstring_view text, int line) {
        if (!text.starts_with(L"  ")) fail(line, reason::continuation_expected);
        if (text.size() > kMaxContinuationLine) fail(line, reason::too_long);
        ++script_.counts.continuation;
        Value& value = script_.sections.back().values.back();
        open_list_ = read_bytes(text.substr(2), value.data, false, line);
        if (!open_list_) finish_value(value);
    }

    // Expandable text of a stored script must be well formed; a backup keeps
    // the bytes the registry held, whatever they were.
    void finish_value(const Value& value) const {
        if (value.type != ValueType::expand_sz || any_) return;
        const auto& d = value.data;
        if (d.size() < 2 || d.size() % 2 != 0 || d[d.size() - 2] != 0 || d[d.size() - 1] != 0)
            fail(value.line, reason::malformed_expand);
    }

    bool any_;
    Script script_;
    std::vector<std::wstring> written_; // keys written so far, folded to lower case
    bool open_list_ = false;
};

} // namespace

std::wstring Value::text() const {
    return registry_string_text(data);
}

std::wstring Section::full_path() const {
    return std::wstring(root_name(root)) + L"\\" + path;
}

LineCounts& LineCounts::operator+=(const LineCounts& other) {
    total += other.total;
    header += other.header;
    comment += other.comment;
    blank += other.blank;
    key += other.key;
    key_deletion += other.key_deletion;
    default_sz += other.default_sz;
    default_expand += other.default_expand;
    named_sz += other.named_sz;
    named_dword += other.named_dword;
    named_expand += other.named_expand;
    named_binary += other.named_binary;
    named_none += other.named_none;
    value_deletion += other.value_deletion;
    continuation += other.continuation;
    escaped_backslash += other.escaped_backslash;
    escaped_quote += other.escaped_quote;
    return *this;
}

ParseError::ParseError(int line, std::wstring reason)
    : Error(L"Line " + std::to_wstring(line) + L": " + reason), line_(line), reason_(std::move(reason)) {}

Script parse(const std::vector<std::wstring>& lines, Types types) {
    return Reader(types).read(lines);
}

} // namespace vx::regscript
