#include "fixers/assoc/assoc_catalogue.h"

#include <algorithm>
#include <string_view>

#include "fixers/assoc/exe_repair.h"
#include "fixers/assoc/script_import.h"

namespace vx {

namespace {

constexpr wchar_t kBatchIcon[] = L"%SystemRoot%\\System32\\imageres.dll,-68";
// The plain program picture stands for COM, EXE and SCR alike: EXE and SCR
// files take their icons from themselves ("%1", or no DefaultIcon at all).
constexpr wchar_t kProgramIcon[] = L"%SystemRoot%\\System32\\shell32.dll,2";
constexpr wchar_t kDiscImageIcon[] = L"%SystemRoot%\\System32\\imageres.dll,-5205";
constexpr wchar_t kSettingsIcon[] = L"%SystemRoot%\\System32\\imageres.dll,-69";
constexpr wchar_t kInstallerIcon[] = L"C:\\Windows\\System32\\msiexec.exe,0";
constexpr wchar_t kHardDiskImageIcon[] = L"%SystemRoot%\\System32\\imageres.dll,-32";
constexpr wchar_t kFolderIcon[] = L"%SystemRoot%\\System32\\shell32.dll,3";

constexpr wchar_t kExeImportName[] = L"EXE";

} // namespace

// The icon locations are the DefaultIcon data of each type's script, except
// where noted.
const std::array<AssociationEntry, 26> kAssociations = {{
    {L"BAT", L"Windows Batch File", L"btnFIXBATFILE", L"mFIX_BAT_W10", L"BAT", kBatchIcon},
    {L"CAB", L"Cabinet File", L"btnFIXCABFILE", L"mFIX_CAB_W10", L"CAB", L"%SystemRoot%\\system32\\cabview.dll,0"},
    {L"CMD", L"Windows Command Script", L"btnFIXCMDFILE", L"mFIX_CMD_W10", L"CMD", kBatchIcon},
    {L"COM", L"MS-DOS Application", L"btnFIXCOMFILE", L"mFIX_COM_W10", L"COM", kProgramIcon},
    {L"EXE", L"Application", L"btnFIXEXEFILE", L"mFIX_EXE_W10", kExeImportName, kProgramIcon},
    {L"IMG", L"Disc Image File", L"btnFIXIMGFILE", L"mFIX_IMG_W10", L"IMG", kDiscImageIcon},
    {L"INF", L"Setup Information", L"btnFIXINFFILE", L"mFIX_INF_W10", L"INF", kSettingsIcon},
    // INI's script spells the folder "system32"; the picture is INF's.
    {L"INI", L"Configuration Settings", L"btnFIXINIFILE", L"mFIX_INI_W10", L"INI", kSettingsIcon},
    {L"ISO", L"Disc Image File", L"btnFIXISOFILE", L"mFIX_ISO_W10", L"ISO", kDiscImageIcon},
    // Shortcuts have no DefaultIcon (each shows its target's icon); the row
    // shows the shortcut arrow that Windows draws over them.
    {L"LNK", L"Shortcut", L"btnFIXLNKFILE", L"mFIX_LNK_W10", L"LNK", L"%SystemRoot%\\System32\\shell32.dll,29"},
    // Console documents take their icons from themselves ("%1"); the row
    // shows the console's own icon.
    {L"MSC", L"Microsoft Common Console Document", L"btnFIXMSCFILE", L"mFIX_MSC_W10", L"MSC",
     L"%SystemRoot%\\System32\\mmc.exe,0"},
    {L"MSI", L"Windows Installer Package", L"btnFIXMSIFILE", L"mFIX_MSI_W10", L"MSI", kInstallerIcon},
    {L"MSP", L"Windows Installer Patch", L"btnFIXMSPFILE", L"mFIX_MSP_W10", L"MSP", kInstallerIcon},
    {L"SCR", L"Screen Saver", L"btnFIXSCRFILE", L"mFIX_SCR_W10", L"SCR", kProgramIcon},
    {L"MSU", L"Microsoft Update Standalone Package", L"btnFIXMSUFILE", L"mFIX_MSU_W10", L"MSU",
     L"\"%systemroot%\\system32\\wusa.exe\",-101"},
    {L"REG", L"Registration Entries", L"btnFIXREGFILE", L"mFIX_REG_W10", L"REG", L"%SystemRoot%\\regedit.exe,1"},
    {L"THEME", L"Windows Theme File", L"btnFIXTHEMEFILE", L"mFIX_THEME_W10", L"THEME",
     L"%SystemRoot%\\system32\\themeui.dll,-701"},
    {L"THEMEPACK", L"Windows Theme Pack File", L"btnFIXTHEMEPACKFILE", L"mFIX_THEMEPACK_W10", L"THEMEPACK",
     L"%SystemRoot%\\system32\\themeui.dll,-704"},
    {L"TXT", L"Text Document", L"btnFIXTXTFILE", L"mFIX_TXT_W10", L"TXT", L"%SystemRoot%\\system32\\imageres.dll,-102"},
    {L"VBS", L"VBScript Script File", L"btnFIXVBSFILE", L"mFIX_VBS_W10", L"VBS",
     L"%SystemRoot%\\System32\\WScript.exe,2"},
    {L"VHD", L"Hard Disk Image File", L"btnFIXVHDFILE", L"mFIX_VHD_W10", L"VHD", kHardDiskImageIcon},
    {L"VHDX", L"Hard Disk Image File", L"btnFIXVHDXFILE", L"mFIX_VHDX_W10", L"VHDX", kHardDiskImageIcon},
    {L"ZIP", L"Compressed (zipped) Folder", L"btnFIXZIPFILE", L"mFIX_ZIP_W10", L"ZIP",
     L"%SystemRoot%\\system32\\zipfldr.dll"},
    {L"DRIVE", L"Drive", L"btnFIXDRIVE", L"mFIX_DRIVE_W10", L"DRIVE", L"%SystemRoot%\\System32\\shell32.dll,8"},
    // The row shows "DIRECTORY" but its temporary script is DIR.reg.
    {L"DIRECTORY", L"Directory", L"btnFIXDIR", L"mFIX_DIRECTORY_W10", L"DIR", kFolderIcon},
    {L"FOLDER", L"Folder", L"btnFIXFOLDER", L"mFIX_FOLDER_W10", L"FOLDER", kFolderIcon},
}};

void repair_association(Services& services, const AssociationEntry& entry) {
    // Written directly first, so programs start again even if the import
    // cannot run; a failure here stops the repair before any import.
    if (std::wstring_view(entry.import_name) == kExeImportName) repair_exe_association(services);
    import_registry_script(services, services.texts.lines(entry.memo), entry.import_name);
}

namespace {

// How much a difference tells a person about what went wrong, most first: a
// command someone added, then a command changed or gone, a program chosen
// over the type, a key gone, and last any other value.
int weight(const RegistryDifference& d) {
    using Kind = RegistryDifference::Kind;
    const std::wstring summary = difference_summary(d);
    if (d.kind == Kind::extra_key && summary.starts_with(L"extra command")) return 0;
    if (summary.ends_with(L" command changed") || summary.ends_with(L" command missing")) return 1;
    if (d.kind == Kind::user_choice) return 2;
    if (d.kind == Kind::key_missing || d.kind == Kind::unreadable_script) return 3;
    return 4;
}

} // namespace

std::wstring AssociationHealth::summary() const {
    if (differences.empty()) return L"intact";
    // The row has room for one line: the most telling difference, the first
    // of its kind in script order.
    const auto first = std::min_element(differences.begin(), differences.end(),
                                        [](const auto& a, const auto& b) { return weight(a) < weight(b); });
    std::wstring text = difference_summary(*first);
    if (differences.size() > 1) text += L" (+" + std::to_wstring(differences.size() - 1) + L" more)";
    return text;
}

AssociationHealth check_association(RegistryBackend& registry, const TextStore& texts, const AssociationEntry& entry) {
    AssociationHealth health;
    health.entry = &entry;
    try {
        health.differences = compare_with_script(registry, regscript::parse(texts.lines(entry.memo)));
    } catch (const regscript::ParseError& e) {
        health.differences = {{RegistryDifference::Kind::unreadable_script, RootKey::classes_root, {}, e.message()}};
    }
    return health;
}

std::vector<AssociationHealth> check_associations(RegistryBackend& registry, const TextStore& texts) {
    std::vector<AssociationHealth> all;
    all.reserve(kAssociations.size());
    for (const auto& entry : kAssociations) all.push_back(check_association(registry, texts, entry));
    return all;
}

void show_exe_help(Ui& ui) {
    ui.show_message(L"If the exe file association is an error, please rename the program file and change the "
                    L"extension to \".com\" to be able to run the Vantrix program.\r\n"
                    L"\r\n"
                    L"Example:\r\n"
                    L"From \"Vantrix.exe\" to be \"Vantrix.com\".",
                    mb::icon_information);
}

} // namespace vx
