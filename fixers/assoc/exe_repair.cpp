#include "fixers/assoc/exe_repair.h"

#include <cstdint>
#include <vector>

namespace vx {

namespace {

// What Explorer runs for a program file: the file itself with all the arguments.
constexpr wchar_t kRunItself[] = L"\"%1\" %*";
constexpr wchar_t kFileInfo[] =
    L"prop:System.FileDescription;System.Company;System.FileVersion;System.DateCreated;System.Size";

const std::vector<std::uint8_t> kClassEditFlags = {0x38, 0x07, 0x00, 0x00};
const std::vector<std::uint8_t> kOpenEditFlags = {0x00, 0x00, 0x00, 0x00};

} // namespace

void repair_exe_association(Services& services) {
    Registry reg(services.registry, kKeyAllAccess, RootKey::classes_root);

    // Each key is opened with creation allowed; a key that cannot be opened
    // leaves none current, so its first write raises and ends the repair.
    reg.open_key(L".exe\\PersistentHandler", true);
    reg.write_string(L"", L"{098f2470-bae0-11cd-b579-08002b30bfeb}");

    reg.open_key(L"exefile", true);
    reg.write_string(L"", L"Application");
    reg.write_binary(L"EditFlags", kClassEditFlags);
    reg.write_expand_string(L"FriendlyTypeName", L"@%SystemRoot%\\System32\\shell32.dll,-10156");

    reg.open_key(L"exefile\\DefaultIcon", true);
    reg.write_string(L"", L"%1");

    reg.open_key(L"exefile\\shell\\open", true);
    reg.write_binary(L"EditFlags", kOpenEditFlags);

    reg.open_key(L"exefile\\shell\\open\\command", true);
    reg.write_string(L"", kRunItself);
    reg.write_string(L"IsolatedCommand", kRunItself);

    reg.open_key(L"exefile\\shell\\runas", true);
    reg.write_string(L"HasLUAShield", L"");

    reg.open_key(L"exefile\\shell\\runas\\command", true);
    reg.write_string(L"", kRunItself);
    reg.write_string(L"IsolatedCommand", kRunItself);

    reg.open_key(L"exefile\\shell\\runasuser", true);
    reg.write_string(L"", L"@shell32.dll,-50944");
    reg.write_string(L"Extended", L"");
    reg.write_string(L"SuppressionPolicyEx", L"{F211AA05-D4DF-4370-A2A0-9F19C09756A7}");

    reg.open_key(L"exefile\\shell\\runasuser\\command", true);
    reg.write_string(L"DelegateExecute", L"{ea72d00e-4960-42fa-ba92-7792a7944c1d}");

    reg.open_key(L"exefile\\shellex\\ContextMenuHandlers", true);
    reg.write_string(L"", L"Compatibility");

    reg.open_key(L"exefile\\shellex\\ContextMenuHandlers\\Compatibility", true);
    reg.write_string(L"", L"{1d27f844-3a1f-4410-85ac-14651078412d}");

    reg.open_key(L"exefile\\shellex\\ContextMenuHandlers\\NvAppShExt", true);
    reg.write_string(L"", L"{A929C4CE-FD36-4270-B4F5-34ECAC5BD63C}");

    reg.open_key(L"exefile\\shellex\\ContextMenuHandlers\\OpenGLShExt", true);
    reg.write_string(L"", L"{E97DEC16-A50D-49bb-AE24-CF682282E08D}");

    reg.open_key(L"exefile\\shellex\\ContextMenuHandlers\\PintoStartScreen", true);
    reg.write_string(L"", L"{470C0EBD-5D73-4d58-9CED-E91E22E23282}");

    reg.open_key(L"exefile\\shellex\\DropHandler", true);
    reg.write_string(L"", L"{86C86720-42A0-1069-A2E8-08002B30309D}");

    reg.open_key(L"SystemFileAssociations\\.exe", true);
    reg.write_string(L"InfoTip", kFileInfo);
    reg.write_string(L"TileInfo", kFileInfo);

    // The per-user keys are only made to exist; nothing is written to them,
    // so a key that cannot be opened here passes silently.
    reg.set_root(RootKey::current_user);
    reg.open_key(L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.exe", true);
    reg.open_key(L"SOFTWARE\\Microsoft\\Windows\\Roaming\\OpenWith\\FileExts\\.exe", true);
}

} // namespace vx
