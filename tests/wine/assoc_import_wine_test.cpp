// The association scripts imported for real: the product's import routine
// with the real file layer, runner and reg.exe of the prefix, and the registry
// compared afterwards with what the script reader says each script does.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <map>
#include <ostream>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "fixers/assoc/assoc_catalogue.h"
#include "fixers/assoc/assoc_health.h"
#include "fixers/assoc/registry_script.h"
#include "fixers/assoc/script_import.h"
#include "services/command_runner_win.h"
#include "services/error.h"
#include "services/file_system_win.h"
#include "services/registry_win.h"
#include "services/resources_win.h"
#include "services/text.h"
#include "tests/fakes/fake_registry.h"
#include "tests/fakes/fake_system.h"
#include "tests/wine/wine_support.h"

namespace vx {

// Test names and failure messages show the row by its type.
static void PrintTo(const AssociationEntry& entry, std::ostream* out) {
    *out << to_utf8(entry.type_name);
}

namespace {

using regscript::Script;
using regscript::Section;

HKEY api_root(RootKey root) {
    return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(root));
}

std::wstring root_text(RootKey root) {
    switch (root) {
    case RootKey::classes_root:
        return L"HKCR";
    case RootKey::current_user:
        return L"HKCU";
    case RootKey::local_machine:
        return L"HKLM";
    }
    return L"?";
}

// A key of the registry by root and path, compared without regard to case.
struct KeyName {
    RootKey root;
    std::wstring path;
    std::wstring folded() const { return root_text(root) + L"\\" + to_lower(path); }
    bool operator<(const KeyName& other) const { return folded() < other.folded(); }
    bool contains(const KeyName& other) const {
        const auto mine = folded() + L"\\";
        return other.folded() == folded() || other.folded().starts_with(mine);
    }
};

// ---------------------------------------------------------------- the real registry

struct Tree {
    std::vector<std::pair<std::wstring, RegistryValue>> values;
    std::vector<std::pair<std::wstring, Tree>> subkeys;
};

class OpenKey {
public:
    OpenKey(const KeyName& name, REGSAM access) {
        if (RegOpenKeyExW(api_root(name.root), name.path.c_str(), 0, access, &key_) != ERROR_SUCCESS) key_ = nullptr;
    }
    ~OpenKey() {
        if (key_) RegCloseKey(key_);
    }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;
    explicit operator bool() const { return key_ != nullptr; }
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

bool key_exists(const KeyName& name) {
    return static_cast<bool>(OpenKey(name, KEY_READ));
}

std::vector<std::pair<std::wstring, RegistryValue>> read_values(HKEY key) {
    std::vector<std::pair<std::wstring, RegistryValue>> values;
    for (DWORD i = 0;; ++i) {
        wchar_t name[16384];
        DWORD name_size = 16384, type = 0, data_size = 0;
        if (RegEnumValueW(key, i, name, &name_size, nullptr, &type, nullptr, &data_size) != ERROR_SUCCESS) break;
        std::vector<std::uint8_t> data(data_size);
        name_size = 16384;
        RegEnumValueW(key, i, name, &name_size, nullptr, &type, data.data(), &data_size);
        data.resize(data_size);
        values.emplace_back(std::wstring(name, name_size), RegistryValue{static_cast<ValueType>(type), data});
    }
    return values;
}

std::vector<std::wstring> read_subkeys(HKEY key) {
    std::vector<std::wstring> names;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD size = 256;
        if (RegEnumKeyExW(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, size);
    }
    return names;
}

Tree read_tree(const KeyName& name) {
    Tree tree;
    OpenKey key(name, KEY_READ);
    if (!key) return tree;
    tree.values = read_values(key.get());
    for (const auto& sub : read_subkeys(key.get()))
        tree.subkeys.emplace_back(sub, read_tree({name.root, name.path + L"\\" + sub}));
    return tree;
}

void write_value(const KeyName& name, const std::wstring& value_name, const RegistryValue& value) {
    HKEY key = nullptr;
    ASSERT_EQ(
        RegCreateKeyExW(api_root(name.root), name.path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
        ERROR_SUCCESS)
        << to_utf8(name.folded());
    RegSetValueExW(key, value_name.c_str(), 0, static_cast<DWORD>(value.type), value.data.data(),
                   static_cast<DWORD>(value.data.size()));
    RegCloseKey(key);
}

void write_tree(const KeyName& name, const Tree& tree) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(api_root(name.root), name.path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return;
    for (const auto& [value_name, value] : tree.values)
        RegSetValueExW(key, value_name.c_str(), 0, static_cast<DWORD>(value.type), value.data.data(),
                       static_cast<DWORD>(value.data.size()));
    RegCloseKey(key);
    for (const auto& [sub, subtree] : tree.subkeys)
        write_tree({name.root, name.path + L"\\" + sub}, subtree);
}

std::wstring parent_path(const std::wstring& path) {
    const auto slash = path.find_last_of(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

// Puts keys back as they were before the test: each key the script touches is
// saved with its whole subtree, or, when it is missing, its highest missing
// parent is noted so that whatever the import made there goes again.
class RegistryRestorer {
public:
    explicit RegistryRestorer(const std::set<KeyName>& keys) {
        for (const auto& key : keys) {
            Saved saved{key, key_exists(key), {}, {}};
            if (saved.existed) {
                saved.tree = read_tree(key);
            } else {
                KeyName missing = key;
                for (auto up = parent_path(missing.path); !up.empty() && !key_exists({key.root, up});
                     up = parent_path(up))
                    missing.path = up;
                saved.remove = missing.path;
            }
            saved_.push_back(std::move(saved));
        }
    }
    ~RegistryRestorer() {
        for (const auto& saved : saved_) {
            test::delete_registry_tree(api_root(saved.key.root), saved.existed ? saved.key.path : saved.remove);
            if (saved.existed) write_tree(saved.key, saved.tree);
        }
    }
    RegistryRestorer(const RegistryRestorer&) = delete;
    RegistryRestorer& operator=(const RegistryRestorer&) = delete;

private:
    struct Saved {
        KeyName key;
        bool existed;
        Tree tree;
        std::wstring remove;
    };
    std::vector<Saved> saved_;
};

// ---------------------------------------------------------------- what the script should leave

// Wine's reg.exe reads the bytes of a hex(2) list in a file without the FF FE
// mark as ANSI text and stores each byte as one character: the UTF-16LE bytes
// 25,00,53,00 become the four characters "%", NUL, "S", NUL, with no zero added.
// Windows stores the bytes themselves. The scripts are written for Windows;
// the expected data is turned into what Wine stores.
RegistryValue as_stored(const RegistryValue& value) {
    if (!test::running_on_wine() || value.type != ValueType::expand_sz || value.data.empty()) return value;
    const std::string ansi(value.data.begin(), value.data.end());
    std::wstring wide(ansi.size(), L'\0');
    const int n = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(),
                                      static_cast<int>(wide.size()));
    wide.resize(static_cast<std::size_t>(n));
    RegistryValue stored{value.type, {}};
    for (wchar_t c : wide) {
        stored.data.push_back(static_cast<std::uint8_t>(c & 0xFF));
        stored.data.push_back(static_cast<std::uint8_t>((c >> 8) & 0xFF));
    }
    return stored;
}

// Turns the expandable values of a fake registry tree into what Wine's reg.exe stores.
void store_as_wine_does(test::FakeRegistry& registry, RootKey root, const std::wstring& path) {
    for (const auto& name : registry.value_names(root, path)) {
        const auto value = *registry.get(root, path, name);
        if (value.type == ValueType::expand_sz) registry.put(root, path, name, as_stored(value));
    }
    for (const auto& child : registry.subkeys(root, path)) store_as_wine_does(registry, root, path + L"\\" + child);
}

bool covered_by_deletion(const Script& script, const Section& section) {
    const KeyName name{section.root, section.path};
    return std::any_of(script.sections.begin(), script.sections.end(), [&](const Section& other) {
        return other.deletion && KeyName{other.root, other.path}.contains(name);
    });
}

constexpr wchar_t kPlanted[] = L"VantrixPlanted";
constexpr wchar_t kKept[] = L"VantrixKept";

bool ends_with_ignore_case(const std::wstring& text, const std::wstring& tail) {
    return text.size() >= tail.size() && equals_ignore_case(text.substr(text.size() - tail.size()), tail);
}

// The keys and values planted before the import: what malware or another
// program might have added.
struct Planting {
    std::vector<std::tuple<KeyName, std::wstring, RegistryValue>> values;
};

Planting plan_planting(const Script& script) {
    Planting plan;
    const RegistryValue planted = test::string_value(L"planted");
    for (const auto& section : script.sections) {
        const KeyName key{section.root, section.path};
        if (section.deletion) {
            // Under a key the script deletes: a stray value, and a program
            // choice or an extra verb below it. All of it must go.
            plan.values.emplace_back(key, kPlanted, planted);
            if (section.path.find(L"FileExts") != std::wstring::npos) {
                const KeyName choice{key.root, key.path + L"\\UserChoice"};
                plan.values.emplace_back(choice, L"ProgId", test::string_value(kPlanted));
                plan.values.emplace_back(choice, L"Hash", planted);
            } else {
                const std::wstring shell =
                    ends_with_ignore_case(key.path, L"\\shell") ? key.path : key.path + L"\\shell";
                plan.values.emplace_back(KeyName{key.root, shell + L"\\vantrixverb\\command"}, L"",
                                         test::string_value(L"C:\\planted.exe \"%1\""));
            }
            continue;
        }
        if (covered_by_deletion(script, section)) continue;
        // A key the script writes without deleting it first keeps what it had:
        // an extra value, a verb under a shell key, and the neighbours of a
        // value the script deletes.
        plan.values.emplace_back(key, kKept, test::string_value(L"kept"));
        if (ends_with_ignore_case(key.path, L"\\shell"))
            plan.values.emplace_back(KeyName{key.root, key.path + L"\\vantrixverb\\command"}, L"",
                                     test::string_value(L"C:\\other.exe \"%1\""));
        for (const auto& value : section.values)
            if (value.deletion) plan.values.emplace_back(key, value.name, planted);
    }
    return plan;
}

// Applies the script the way the format defines it, to an in-memory registry,
// with the data as the prefix's reg.exe stores it.
void apply(const Script& script, test::FakeRegistry& model) {
    for (const auto& section : script.sections) {
        if (section.deletion) {
            model.remove_key(section.root, section.path);
            continue;
        }
        model.create_key(section.root, section.path);
        Registry reg(model, kKeyAllAccess, section.root);
        ASSERT_TRUE(reg.open_key(section.path, false));
        for (const auto& value : section.values) {
            if (value.deletion)
                reg.delete_value(value.name);
            else
                reg.write_value(value.name, as_stored({value.type, value.data}));
        }
    }
}

void expect_key_matches(const test::FakeRegistry& model, const KeyName& key) {
    SCOPED_TRACE(to_utf8(root_text(key.root) + L"\\" + key.path));
    OpenKey real(key, KEY_READ);
    const bool expected = model.has_key(key.root, key.path);
    ASSERT_EQ(static_cast<bool>(real), expected) << (expected ? "key missing" : "key still there");
    if (!expected) return;
    std::map<std::wstring, RegistryValue> actual;
    for (auto& [name, value] : read_values(real.get()))
        actual[to_lower(name)] = value;
    std::set<std::wstring> wanted;
    for (const auto& name : model.value_names(key.root, key.path)) {
        wanted.insert(to_lower(name));
        const auto found = actual.find(to_lower(name));
        if (found == actual.end()) {
            ADD_FAILURE() << "value \"" << to_utf8(name) << "\" missing";
            continue;
        }
        const RegistryValue want = *model.get(key.root, key.path, name);
        EXPECT_EQ(found->second.type, want.type) << to_utf8(name);
        EXPECT_EQ(found->second.data, want.data) << to_utf8(name);
    }
    for (const auto& [name, value] : actual)
        EXPECT_TRUE(wanted.count(name)) << "value \"" << to_utf8(name) << "\" should not be there";
}

// ---------------------------------------------------------------- the test

class AssocImportOnWine : public ::testing::TestWithParam<AssociationEntry> {};

TEST_P(AssocImportOnWine, LeavesTheRegistryAsTheScriptSays) {
    const AssociationEntry& entry = GetParam();
    ResourceTextStore texts;
    const auto lines = texts.lines(entry.memo);
    const Script script = regscript::parse(lines);

    // Every key the script names, and every key planted below them.
    const Planting plan = plan_planting(script);
    std::set<KeyName> touched, compared;
    for (const auto& section : script.sections) {
        touched.insert({section.root, section.path});
        compared.insert({section.root, section.path});
    }
    for (const auto& [key, name, value] : plan.values)
        compared.insert(key);
    RegistryRestorer restorer(touched);

    // The model starts from what the keys hold now, plus the planted values.
    test::FakeRegistry model;
    for (const auto& key : compared) {
        OpenKey real(key, KEY_READ);
        if (!real) continue;
        model.create_key(key.root, key.path);
        for (const auto& [name, value] : read_values(real.get()))
            model.put(key.root, key.path, name, value);
    }
    for (const auto& [key, name, value] : plan.values) {
        write_value(key, name, value);
        model.put(key.root, key.path, name, value);
    }
    apply(script, model);

    // The product's import, with the real file layer, runner and reg.exe. The
    // temporary folder has a blank in its name, as many users' folders do.
    test::ScratchFolder temp(L"vx assoc");
    Win32Registry registry;
    Win32CommandRunner runner(test::pump_messages);
    Win32FileSystem files;
    Win32Folders folders;
    test::ScriptedUi ui;
    Services services{registry, runner, files, folders, texts, ui, temp.path() + L"\\"};
    import_registry_script(services, lines, entry.import_name);

    // The check after the import finds on the real registry what it finds
    // on the fake after the fake reg.exe: nothing where reg.exe stores what
    // Windows stores, and on Wine exactly the expandable values (see
    // as_stored), which is why Wine's import ends in the error box.
    test::FakeRegistry expected_state;
    test::import_into(expected_state, lines);
    for (RootKey root : {RootKey::classes_root, RootKey::current_user, RootKey::local_machine})
        for (const auto& top : expected_state.subkeys(root, L"")) store_as_wine_does(expected_state, root, top);
    const auto expected = compare_with_script(expected_state, script);
    EXPECT_EQ(compare_with_script(registry, script), expected);
    ASSERT_EQ(ui.boxes.size(), 1u);
    if (expected.empty())
        EXPECT_EQ(ui.boxes[0].text, L"Done!");
    else
        EXPECT_TRUE(ui.boxes[0].text.starts_with(L"Error!") &&
                    ui.boxes[0].text.find(difference_detail(expected.front())) != std::wstring::npos)
            << to_utf8(ui.boxes[0].text);
    EXPECT_FALSE(test::exists(temp / (std::wstring(entry.import_name) + L".reg")));
    for (const auto& key : compared)
        expect_key_matches(model, key);
}

std::string row_name(const ::testing::TestParamInfo<AssociationEntry>& info) {
    return to_utf8(info.param.type_name);
}

INSTANTIATE_TEST_SUITE_P(AllRows, AssocImportOnWine, ::testing::ValuesIn(kAssociations), row_name);

} // namespace
} // namespace vx
