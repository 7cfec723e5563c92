#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "fixers/assoc/assoc_catalogue.h"
#include "fixers/assoc/registry_script.h"
#include "services/error.h"
#include "services/text.h"
#include "tests/fakes/fake_system.h"

namespace vx {
namespace {

using Box = test::ScriptedUi::Box;

struct Row {
    const wchar_t* type_name;
    const wchar_t* description;
    const wchar_t* button;
    const wchar_t* memo;
    const wchar_t* import_name;
};

// The page as the product's design lays it out.
const Row kPage[] = {
    {L"BAT", L"Windows Batch File", L"btnFIXBATFILE", L"mFIX_BAT_W10", L"BAT"},
    {L"CAB", L"Cabinet File", L"btnFIXCABFILE", L"mFIX_CAB_W10", L"CAB"},
    {L"CMD", L"Windows Command Script", L"btnFIXCMDFILE", L"mFIX_CMD_W10", L"CMD"},
    {L"COM", L"MS-DOS Application", L"btnFIXCOMFILE", L"mFIX_COM_W10", L"COM"},
    {L"EXE", L"Application", L"btnFIXEXEFILE", L"mFIX_EXE_W10", L"EXE"},
    {L"IMG", L"Disc Image File", L"btnFIXIMGFILE", L"mFIX_IMG_W10", L"IMG"},
    {L"INF", L"Setup Information", L"btnFIXINFFILE", L"mFIX_INF_W10", L"INF"},
    {L"INI", L"Configuration Settings", L"btnFIXINIFILE", L"mFIX_INI_W10", L"INI"},
    {L"ISO", L"Disc Image File", L"btnFIXISOFILE", L"mFIX_ISO_W10", L"ISO"},
    {L"LNK", L"Shortcut", L"btnFIXLNKFILE", L"mFIX_LNK_W10", L"LNK"},
    {L"MSC", L"Microsoft Common Console Document", L"btnFIXMSCFILE", L"mFIX_MSC_W10", L"MSC"},
    {L"MSI", L"Windows Installer Package", L"btnFIXMSIFILE", L"mFIX_MSI_W10", L"MSI"},
    {L"MSP", L"Windows Installer Patch", L"btnFIXMSPFILE", L"mFIX_MSP_W10", L"MSP"},
    {L"SCR", L"Screen Saver", L"btnFIXSCRFILE", L"mFIX_SCR_W10", L"SCR"},
    {L"MSU", L"Microsoft Update Standalone Package", L"btnFIXMSUFILE", L"mFIX_MSU_W10", L"MSU"},
    {L"REG", L"Registration Entries", L"btnFIXREGFILE", L"mFIX_REG_W10", L"REG"},
    {L"THEME", L"Windows Theme File", L"btnFIXTHEMEFILE", L"mFIX_THEME_W10", L"THEME"},
    {L"THEMEPACK", L"Windows Theme Pack File", L"btnFIXTHEMEPACKFILE", L"mFIX_THEMEPACK_W10", L"THEMEPACK"},
    {L"TXT", L"Text Document", L"btnFIXTXTFILE", L"mFIX_TXT_W10", L"TXT"},
    {L"VBS", L"VBScript Script File", L"btnFIXVBSFILE", L"mFIX_VBS_W10", L"VBS"},
    {L"VHD", L"Hard Disk Image File", L"btnFIXVHDFILE", L"mFIX_VHD_W10", L"VHD"},
    {L"VHDX", L"Hard Disk Image File", L"btnFIXVHDXFILE", L"mFIX_VHDX_W10", L"VHDX"},
    {L"ZIP", L"Compressed (zipped) Folder", L"btnFIXZIPFILE", L"mFIX_ZIP_W10", L"ZIP"},
    {L"DRIVE", L"Drive", L"btnFIXDRIVE", L"mFIX_DRIVE_W10", L"DRIVE"},
    {L"DIRECTORY", L"Directory", L"btnFIXDIR", L"mFIX_DIRECTORY_W10", L"DIR"},
    {L"FOLDER", L"Folder", L"btnFIXFOLDER", L"mFIX_FOLDER_W10", L"FOLDER"},
};

TEST(AssociationCatalogue, RowsInPageOrderWithTheirScriptsAndImportNames) {
    static_assert(kAssociations.size() == std::size(kPage));
    for (std::size_t i = 0; i < kAssociations.size(); ++i) {
        const auto& entry = kAssociations[i];
        const auto& row = kPage[i];
        SCOPED_TRACE(to_utf8(row.type_name));
        EXPECT_STREQ(entry.type_name, row.type_name);
        EXPECT_STREQ(entry.description, row.description);
        EXPECT_STREQ(entry.button, row.button);
        EXPECT_STREQ(entry.memo, row.memo);
        EXPECT_STREQ(entry.import_name, row.import_name);
    }
}

TEST(AssociationCatalogue, PairsShareADescriptionButNotAScript) {
    for (auto [a, b] : {std::pair{5, 8}, std::pair{20, 21}}) {
        const auto& first = kAssociations[static_cast<std::size_t>(a)];
        const auto& second = kAssociations[static_cast<std::size_t>(b)];
        SCOPED_TRACE(to_utf8(first.type_name) + "/" + to_utf8(second.type_name));
        EXPECT_STREQ(first.description, second.description);
        EXPECT_STRNE(first.memo, second.memo);
        EXPECT_STRNE(first.import_name, second.import_name);
        EXPECT_NE(test::DiskTextStore().lines(first.memo), test::DiskTextStore().lines(second.memo));
    }
}

// The class key a type's script registers: the ProgID its extension key names,
// or the shell class itself.
std::wstring class_key(const regscript::Script& script, const AssociationEntry& entry) {
    const std::wstring extension = L"." + to_lower(entry.type_name);
    for (const auto& section : script.sections) {
        if (section.deletion || section.root != RootKey::classes_root || !equals_ignore_case(section.path, extension))
            continue;
        for (const auto& value : section.values)
            if (value.is_default) return value.text();
    }
    return entry.type_name; // DRIVE, DIRECTORY, FOLDER
}

std::optional<std::wstring> default_icon(const regscript::Script& script, const std::wstring& progid) {
    for (const auto& section : script.sections) {
        if (section.deletion || !equals_ignore_case(section.path, progid + L"\\DefaultIcon")) continue;
        for (const auto& value : section.values)
            if (value.is_default) return value.text();
    }
    return std::nullopt;
}

// Every memo loads and reads cleanly, and each row's picture is the icon its
// own script registers, apart from the types whose files carry their own icon.
TEST(AssociationCatalogue, EachRowsScriptLoadsAndItsPictureIsTheRegisteredIcon) {
    std::set<std::wstring> drawn_elsewhere;
    for (const auto& entry : kAssociations) {
        SCOPED_TRACE(to_utf8(entry.memo));
        regscript::Script script;
        try {
            script = regscript::parse(test::DiskTextStore().lines(entry.memo));
        } catch (const Error& e) {
            ADD_FAILURE() << e.what();
            continue;
        }
        ASSERT_FALSE(script.sections.empty());
        const auto icon = default_icon(script, class_key(script, entry));
        if (icon && *icon != L"%1")
            EXPECT_TRUE(equals_ignore_case(*icon, entry.icon)) << to_utf8(*icon) << " vs " << to_utf8(entry.icon);
        else
            drawn_elsewhere.insert(entry.type_name);
        EXPECT_NE(std::wstring(entry.icon), L"");
    }
    EXPECT_EQ(drawn_elsewhere, (std::set<std::wstring>{L"EXE", L"LNK", L"MSC", L"SCR"}));
}

TEST(AssociationCatalogue, RowsThatShareAPictureShareOneLocation) {
    std::set<std::set<std::wstring>> expected = {
        {L"BAT", L"CMD"}, {L"COM", L"EXE", L"SCR"}, {L"IMG", L"ISO"},          {L"INF", L"INI"},
        {L"MSI", L"MSP"}, {L"VHD", L"VHDX"},        {L"DIRECTORY", L"FOLDER"},
    };
    // Every other row has a picture of its own.
    for (const auto& entry : kAssociations) {
        const bool grouped = std::any_of(expected.begin(), expected.end(),
                                         [&](const auto& group) { return group.count(entry.type_name) != 0; });
        if (!grouped) expected.insert({entry.type_name});
    }
    std::map<std::wstring, std::set<std::wstring>> by_icon;
    for (const auto& entry : kAssociations)
        by_icon[entry.icon].insert(entry.type_name);
    std::set<std::set<std::wstring>> actual;
    for (const auto& [icon, types] : by_icon)
        actual.insert(types);
    EXPECT_EQ(actual, expected);
    EXPECT_EQ(by_icon.size(), 18u);
}

TEST(ExeHelp, ExplainsTheRenameInFourPlainLines) {
    test::ScriptedUi ui;
    show_exe_help(ui);
    const std::wstring text = L"If the exe file association is an error, please rename the program file and change "
                              L"the extension to \".com\" to be able to run the Vantrix program.\r\n"
                              L"\r\n"
                              L"Example:\r\n"
                              L"From \"Vantrix.exe\" to be \"Vantrix.com\".";
    EXPECT_EQ(ui.boxes, (std::vector<Box>{{text, L"Vantrix", 0x40}}));
    for (wchar_t c : ui.boxes.at(0).text)
        EXPECT_TRUE(c >= 0x20 || c == L'\r' || c == L'\n') << "control character " << static_cast<int>(c);
}

} // namespace
} // namespace vx
