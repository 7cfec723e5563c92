#include "fixers/undo/registry_backup.h"

#include <algorithm>

#include "services/error.h"
#include "services/text.h"

namespace vx {

namespace {

using regscript::kMaxContinuationLine;
using regscript::kMaxContinuedLine;
using regscript::kMaxLine;

std::wstring folded(RootKey root, std::wstring_view path) { return to_lower(key_name(root, path)); }

bool is_within(const std::wstring& key, const std::wstring& top) {
    return key == top || (key.size() > top.size() && key.starts_with(top) && key[top.size()] == L'\\');
}

std::wstring parent_of(const std::wstring& path) {
    const auto slash = path.find_last_of(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

[[noreturn]] void cannot_save(RootKey root, const std::wstring& path, const std::wstring& why) {
    throw Error(L"The key \"" + key_name(root, path) + L"\" cannot be backed up: " + why);
}

// A key line names the key as it is; the script has no way to write a key
// name holding brackets or line breaks, or an empty name.
void check_key_name(RootKey root, const std::wstring& path) {
    const bool bad = path.empty() || path.back() == L'\\' || path.find(L"\\\\") != std::wstring::npos ||
                     std::any_of(path.begin(), path.end(), [](wchar_t c) { return c < 0x20 || c == L'[' || c == L']'; });
    if (bad) cannot_save(root, path, L"its name cannot be written in a registry script");
}

std::wstring quoted(std::wstring_view text) {
    std::wstring out = L"\"";
    for (wchar_t c : text) {
        if (c == L'\\' || c == L'"') out += L'\\';
        out += c;
    }
    return out + L"\"";
}

std::wstring value_prefix(RootKey root, const std::wstring& path, const std::wstring& name) {
    if (name.empty()) return L"@=";
    if (std::any_of(name.begin(), name.end(), [](wchar_t c) { return c < 0x20; }))
        cannot_save(root, path, L"the name of one of its values cannot be written in a registry script");
    return quoted(name) + L"=";
}

// The text of REG_SZ data when quoting it gives back exactly the same bytes:
// whole UTF-16 units, one terminating zero at the end and nowhere else, and
// no control characters (which a quoted text cannot hold).
bool quotable_text(const std::vector<std::uint8_t>& data, std::wstring& text) {
    if (data.size() < 2 || data.size() % 2 != 0 || data[data.size() - 1] != 0 || data[data.size() - 2] != 0)
        return false;
    text.clear();
    for (std::size_t i = 0; i + 2 < data.size(); i += 2) {
        const auto c = static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
        if (c < 0x20) return false;
        text += c;
    }
    return true;
}

wchar_t hex_digit(unsigned v) { return static_cast<wchar_t>(v < 10 ? L'0' + v : L'a' + (v - 10)); }

std::wstring hex_byte(std::uint8_t b) { return {hex_digit(b >> 4u), hex_digit(b & 0xFu)}; }

std::wstring type_prefix(ValueType type) {
    switch (type) {
    case ValueType::binary:
        return L"hex:";
    default: {
        std::wstring digits;
        for (auto t = static_cast<std::uint32_t>(type); digits.empty() || t != 0; t >>= 4)
            digits.insert(digits.begin(), hex_digit(t & 0xFu));
        return L"hex(" + digits + L"):";
    }
    }
}

// A byte list, broken after a comma with a backslash where the line would
// grow too long, each following line indented by two blanks.
void add_byte_list(std::vector<std::wstring>& lines, RootKey root, const std::wstring& path, std::wstring line,
                   const std::vector<std::uint8_t>& bytes) {
    std::wstring single = line;
    for (std::size_t i = 0; i < bytes.size(); ++i) single += (i ? L"," : L"") + hex_byte(bytes[i]);
    if (single.size() <= kMaxContinuedLine) {
        lines.push_back(std::move(single));
        return;
    }
    // The first line must hold at least one byte before it is continued.
    if (line.size() + 4 > kMaxContinuedLine) {
        if (single.size() > kMaxLine) cannot_save(root, path, L"one of its values is too long for a registry script");
        lines.push_back(std::move(single));
        return;
    }
    std::size_t limit = kMaxContinuedLine;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const bool last = i + 1 == bytes.size();
        std::wstring token = hex_byte(bytes[i]) + (last ? L"" : L",");
        // Room for the token and, unless it is the last, the backslash.
        if (line.size() + token.size() + (last ? 0 : 1) > limit) {
            lines.push_back(line + L"\\");
            line = L"  ";
            limit = kMaxContinuationLine;
        }
        line += token;
    }
    lines.push_back(std::move(line));
}

void add_value(std::vector<std::wstring>& lines, RootKey root, const std::wstring& path, const std::wstring& name,
               const RegistryValue& value) {
    const std::wstring prefix = value_prefix(root, path, name);
    std::wstring text;
    if (value.type == ValueType::sz && quotable_text(value.data, text)) {
        // Quoted text is never wrapped: longer text goes as a byte list.
        std::wstring line = prefix + quoted(text);
        if (line.size() <= kMaxLine) {
            lines.push_back(std::move(line));
            return;
        }
    }
    if (value.type == ValueType::dword && value.data.size() == 4) {
        std::wstring line = prefix + L"dword:";
        for (int i = 3; i >= 0; --i) line += hex_byte(value.data[static_cast<std::size_t>(i)]);
        lines.push_back(std::move(line));
        return;
    }
    add_byte_list(lines, root, path, prefix + type_prefix(value.type), value.data);
}

class Exporter {
public:
    explicit Exporter(RegistryBackend& backend) : backend_(backend), reg_(backend, kKeyRead) {}

    std::vector<std::wstring> run(const std::vector<BackupKey>& requested) {
        const auto keys = normalised(requested);
        for (const auto& key : keys) {
            check_key_name(key.root, key.path);
            reg_.set_root(key.root);
            if (!reg_.open_key(key.path, false)) {
                if (reg_.last_status() != status::file_not_found) unreadable(key.root, key.path);
                delete_line(key.root, highest_missing(key.path));
                continue;
            }
            reg_.close_key();
            if (key.values.empty()) {
                delete_line(key.root, key.path);
                save_tree(key.root, key.path);
            } else {
                save_values(key);
            }
        }
        std::vector<std::wstring> lines{regscript::kHeader, L""};
        for (const auto& line : deletions_) {
            lines.push_back(line);
            lines.emplace_back();
        }
        lines.insert(lines.end(), writes_.begin(), writes_.end());
        return lines;
    }

private:
    // Keys saved whole swallow every other key below them; keys named twice
    // for values are merged.
    static std::vector<BackupKey> normalised(const std::vector<BackupKey>& keys) {
        std::vector<std::wstring> whole;
        for (const auto& key : keys)
            if (key.values.empty()) whole.push_back(folded(key.root, key.path));
        std::vector<BackupKey> out;
        for (const auto& key : keys) {
            const std::wstring id = folded(key.root, key.path);
            const bool inside = std::any_of(whole.begin(), whole.end(), [&](const std::wstring& top) {
                return is_within(id, top) && (id != top || !key.values.empty());
            });
            if (inside) continue;
            auto same = std::find_if(out.begin(), out.end(),
                                     [&](const BackupKey& k) { return folded(k.root, k.path) == id; });
            if (same == out.end()) {
                out.push_back(key);
            } else {
                for (const auto& name : key.values)
                    if (std::none_of(same->values.begin(), same->values.end(),
                                     [&](const std::wstring& n) { return equals_ignore_case(n, name); }))
                        same->values.push_back(name);
            }
        }
        return out;
    }

    [[noreturn]] void unreadable(RootKey root, const std::wstring& path) {
        cannot_save(root, path, backend_.status_text(reg_.last_status()));
    }

    std::wstring highest_missing(std::wstring path) {
        for (std::wstring up = parent_of(path); !up.empty(); up = parent_of(up)) {
            if (reg_.key_exists(up)) break;
            path = up;
        }
        return path;
    }

    void delete_line(RootKey root, const std::wstring& path) {
        std::wstring line = L"[-" + key_name(root, path) + L"]";
        if (std::find(deletions_.begin(), deletions_.end(), line) == deletions_.end()) deletions_.push_back(line);
    }

    void save_tree(RootKey root, const std::wstring& path) {
        check_key_name(root, path);
        if (!reg_.open_key(path, false)) unreadable(root, path);
        const auto names = reg_.value_names();
        const auto subkeys = reg_.subkey_names();
        if (!names || !subkeys) unreadable(root, path);
        writes_.push_back(L"[" + key_name(root, path) + L"]");
        for (const auto& name : *names) {
            const auto value = reg_.read_value(name);
            if (!value) unreadable(root, path);
            add_value(writes_, root, path, name, *value);
        }
        writes_.emplace_back();
        reg_.close_key();
        for (const auto& subkey : *subkeys) save_tree(root, path + L"\\" + subkey);
    }

    void save_values(const BackupKey& key) {
        if (!reg_.open_key(key.path, false)) unreadable(key.root, key.path);
        writes_.push_back(L"[" + key_name(key.root, key.path) + L"]");
        for (const auto& name : key.values) {
            const auto value = reg_.read_value(name);
            if (value)
                add_value(writes_, key.root, key.path, name, *value);
            else
                writes_.push_back(value_prefix(key.root, key.path, name) + L"-");
        }
        writes_.emplace_back();
        reg_.close_key();
    }

    RegistryBackend& backend_;
    Registry reg_;
    std::vector<std::wstring> deletions_;
    std::vector<std::wstring> writes_;
};

} // namespace

std::vector<std::wstring> export_registry(RegistryBackend& backend, const std::vector<BackupKey>& keys) {
    return Exporter(backend).run(keys);
}

std::vector<std::wstring> apply_registry_script(RegistryBackend& backend, const regscript::Script& script) {
    std::vector<std::wstring> refused;
    Registry reg(backend, kKeyAllAccess);
    for (const auto& section : script.sections) {
        if (!section.deletion) continue;
        reg.set_root(section.root);
        if (!reg.delete_key(section.path) && reg.last_status() != status::file_not_found)
            refused.push_back(L"Cannot delete the key \"" + key_name(section.root, section.path) + L"\": " +
                              backend.status_text(reg.last_status()));
    }
    for (const auto& section : script.sections) {
        if (section.deletion) continue;
        reg.set_root(section.root);
        if (!reg.open_key(section.path, true)) {
            refused.push_back(L"Cannot create the key \"" + key_name(section.root, section.path) + L"\": " +
                              backend.status_text(reg.last_status()));
            continue;
        }
        for (const auto& value : section.values) {
            try {
                if (value.deletion)
                    reg.remove_value(value.name);
                else
                    reg.write_value(value.name, RegistryValue{value.type, value.data});
            } catch (const Error& e) {
                refused.push_back(key_name(section.root, section.path) + L": " + e.message());
            }
        }
    }
    return refused;
}

std::vector<std::uint8_t> utf16_file_bytes(const std::vector<std::wstring>& lines) {
    std::vector<std::uint8_t> bytes{0xFF, 0xFE};
    for (const auto& line : lines) {
        for (wchar_t c : line) {
            bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
            bytes.push_back(static_cast<std::uint8_t>((c >> 8) & 0xFF));
        }
        bytes.insert(bytes.end(), {0x0D, 0x00, 0x0A, 0x00});
    }
    return bytes;
}

std::vector<std::wstring> utf16_file_lines(const std::vector<std::uint8_t>& bytes) {
    if (bytes.size() < 2 || bytes[0] != 0xFF || bytes[1] != 0xFE || bytes.size() % 2 != 0)
        throw Error(L"The file is not UTF-16LE text with a byte-order mark");
    std::wstring text;
    text.reserve(bytes.size() / 2);
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
        text += static_cast<wchar_t>(bytes[i] | (bytes[i + 1] << 8));
    return split_lines(text);
}

} // namespace vx
