#include "fixers/assoc/exe_repair.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "services/error.h"

namespace vx {

namespace {

// What Explorer runs for a program file: the file itself with all the arguments.
constexpr wchar_t kRunItself[] = L"\"%1\" %*";
constexpr wchar_t kFileInfo[] =
    L"prop:System.FileDescription;System.Company;System.FileVersion;System.DateCreated;System.Size";

struct ExeValue {
    std::wstring key; // below HKEY_CLASSES_ROOT
    std::wstring name;
    RegistryValue value;
};

RegistryValue text(std::wstring_view value, ValueType type = ValueType::sz) {
    return {type, registry_string_bytes(value)};
}

// The values in the order they are written.
std::vector<ExeValue> exe_values() {
    return {
        {L".exe\\PersistentHandler", L"", text(L"{098f2470-bae0-11cd-b579-08002b30bfeb}")},
        {L"exefile", L"", text(L"Application")},
        {L"exefile", L"EditFlags", {ValueType::binary, {0x38, 0x07, 0x00, 0x00}}},
        {L"exefile", L"FriendlyTypeName", text(L"@%SystemRoot%\\System32\\shell32.dll,-10156", ValueType::expand_sz)},
        {L"exefile\\DefaultIcon", L"", text(L"%1")},
        {L"exefile\\shell\\open", L"EditFlags", {ValueType::binary, {0x00, 0x00, 0x00, 0x00}}},
        {L"exefile\\shell\\open\\command", L"", text(kRunItself)},
        {L"exefile\\shell\\open\\command", L"IsolatedCommand", text(kRunItself)},
        {L"exefile\\shell\\runas", L"HasLUAShield", text(L"")},
        {L"exefile\\shell\\runas\\command", L"", text(kRunItself)},
        {L"exefile\\shell\\runas\\command", L"IsolatedCommand", text(kRunItself)},
        {L"exefile\\shell\\runasuser", L"", text(L"@shell32.dll,-50944")},
        {L"exefile\\shell\\runasuser", L"Extended", text(L"")},
        {L"exefile\\shell\\runasuser", L"SuppressionPolicyEx", text(L"{F211AA05-D4DF-4370-A2A0-9F19C09756A7}")},
        {L"exefile\\shell\\runasuser\\command", L"DelegateExecute", text(L"{ea72d00e-4960-42fa-ba92-7792a7944c1d}")},
        {L"exefile\\shellex\\ContextMenuHandlers", L"", text(L"Compatibility")},
        {L"exefile\\shellex\\ContextMenuHandlers\\Compatibility", L"", text(L"{1d27f844-3a1f-4410-85ac-14651078412d}")},
        {L"exefile\\shellex\\ContextMenuHandlers\\NvAppShExt", L"", text(L"{A929C4CE-FD36-4270-B4F5-34ECAC5BD63C}")},
        {L"exefile\\shellex\\ContextMenuHandlers\\OpenGLShExt", L"", text(L"{E97DEC16-A50D-49bb-AE24-CF682282E08D}")},
        {L"exefile\\shellex\\ContextMenuHandlers\\PintoStartScreen", L"",
         text(L"{470C0EBD-5D73-4d58-9CED-E91E22E23282}")},
        {L"exefile\\shellex\\DropHandler", L"", text(L"{86C86720-42A0-1069-A2E8-08002B30309D}")},
        {L"SystemFileAssociations\\.exe", L"InfoTip", text(kFileInfo)},
        {L"SystemFileAssociations\\.exe", L"TileInfo", text(kFileInfo)},
    };
}

// The keys and values as they were before the repair, so a failure part way
// can put them back.
struct Snapshot {
    // Every key the writes may create, parents included, with whether it was there.
    std::vector<std::pair<std::wstring, bool>> keys;
    // The value each write replaces; nullopt where there was none.
    std::vector<std::optional<RegistryValue>> values;
};

Snapshot take_snapshot(Registry& reg, RegistryBackend& backend, const std::vector<ExeValue>& values) {
    Snapshot snapshot;
    for (const auto& value : values) {
        reg.close_key(); // existence is asked relative to the root
        for (std::size_t end = 0; end != std::wstring::npos;) {
            end = value.key.find(L'\\', end + 1);
            const std::wstring key = value.key.substr(0, end);
            bool known = false;
            for (const auto& entry : snapshot.keys)
                known = known || entry.first == key;
            if (!known) snapshot.keys.emplace_back(key, reg.key_exists(key));
        }
        if (!reg.open_key(value.key, false) && reg.last_status() != status::file_not_found)
            throw Error(L"Cannot read the key \"" + reg.current_name() + L"\": " +
                        backend.status_text(reg.last_status()) + L". Nothing was changed");
        snapshot.values.push_back(reg.read_value(value.name));
    }
    reg.close_key();
    return snapshot;
}

// Puts back the first `count` values and deletes the keys the writes made.
// Answers the values that could not be put back.
std::vector<std::wstring> roll_back(Registry& reg, const std::vector<ExeValue>& values, const Snapshot& snapshot,
                                    std::size_t count) {
    std::vector<std::wstring> not_restored;
    for (std::size_t i = count; i-- > 0;) {
        const auto& value = values[i];
        const auto& before = snapshot.values[i];
        bool restored = reg.open_key(value.key, false);
        if (restored && before) {
            try {
                reg.write_value(value.name, *before);
            } catch (const Error&) {
                restored = false;
            }
        } else if (restored) {
            restored = reg.delete_value(value.name) || reg.last_status() == status::file_not_found;
        } else {
            // The key is gone: only a value that was not there before may be missing.
            restored = !before && reg.last_status() == status::file_not_found;
        }
        if (!restored) not_restored.push_back(key_name(RootKey::classes_root, value.key) + L"\\" + value.name);
    }
    reg.close_key();
    // Deepest first, so each made key goes after the keys made below it.
    for (std::size_t i = snapshot.keys.size(); i-- > 0;) {
        const auto& [key, existed] = snapshot.keys[i];
        if (existed || !reg.key_exists(key)) continue;
        if (!reg.delete_key(key)) not_restored.push_back(key_name(RootKey::classes_root, key));
    }
    return not_restored;
}

} // namespace

void repair_exe_association(Services& services) {
    Registry reg(services.registry, kKeyAllAccess, RootKey::classes_root);
    const auto values = exe_values();
    const Snapshot snapshot = take_snapshot(reg, services.registry, values);

    // Each key is opened with creation allowed; a key that cannot be opened
    // leaves none current, so its first write raises.
    std::wstring open_key;
    for (std::size_t i = 0; i < values.size(); ++i) {
        const auto& value = values[i];
        try {
            if (value.key != open_key || !reg.has_current_key()) {
                open_key = value.key;
                reg.open_key(value.key, true);
            }
            reg.write_value(value.name, value.value);
        } catch (const Error&) {
            reg.close_key();
            const auto not_restored = roll_back(reg, values, snapshot, i);
            std::wstring message = L"Failed to set data for '" + value.name + L"' in \"" +
                                   key_name(RootKey::classes_root, value.key) + L"\"";
            if (not_restored.empty()) {
                message += L". Nothing was changed";
            } else {
                message += L". These could not be put back as they were:";
                for (const auto& name : not_restored)
                    message += L"\n" + name;
            }
            throw Error(message);
        }
    }

    // The per-user keys are only made to exist; nothing is written to them,
    // so a key that cannot be opened here passes silently.
    reg.set_root(RootKey::current_user);
    reg.open_key(L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.exe", true);
    reg.open_key(L"SOFTWARE\\Microsoft\\Windows\\Roaming\\OpenWith\\FileExts\\.exe", true);
}

} // namespace vx
