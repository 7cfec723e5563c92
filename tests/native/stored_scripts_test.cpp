#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "fixers/assoc/registry_script.h"
#include "services/error.h"
#include "services/text.h"
#include "tests/fakes/fake_system.h"

// Checks the stored association scripts against the facts of their design:
// what each one deletes and writes, in which order, the values that make a
// type open and show its icon, and the line counts of every kind.
namespace vx::regscript {
namespace {

using Lines = std::vector<std::wstring>;

const Lines& stored_lines(const std::wstring& memo) {
    static std::map<std::wstring, Lines> cache;
    auto found = cache.find(memo);
    if (found == cache.end()) found = cache.emplace(memo, test::DiskTextStore().lines(memo)).first;
    return found->second;
}

// The parsed script; a script the reader rejects fails the calling test with
// the line and the reason.
const Script& stored(const std::wstring& memo) {
    static std::map<std::wstring, Script> cache;
    auto found = cache.find(memo);
    if (found != cache.end()) return found->second;
    Script script;
    try {
        script = parse(stored_lines(memo));
    } catch (const Error& e) {
        ADD_FAILURE() << to_utf8(memo) << ": " << e.what();
    }
    return cache.emplace(memo, std::move(script)).first->second;
}

const wchar_t* const kAllScripts[] = {
    L"mFIX_BAT_W10",    L"mFIX_CAB_W10",   L"mFIX_CMD_W10",       L"mFIX_COM_W10",   L"mFIX_EXE_W10",
    L"mFIX_IMG_W10",    L"mFIX_INF_W10",   L"mFIX_INI_W10",       L"mFIX_ISO_W10",   L"mFIX_LNK_W10",
    L"mFIX_MSC_W10",    L"mFIX_MSI_W10",   L"mFIX_MSP_W10",       L"mFIX_SCR_W10",   L"mFIX_MSU_W10",
    L"mFIX_REG_W10",    L"mFIX_THEME_W10", L"mFIX_THEMEPACK_W10", L"mFIX_TXT_W10",   L"mFIX_VBS_W10",
    L"mFIX_VHD_W10",    L"mFIX_VHDX_W10",  L"mFIX_ZIP_W10",       L"mFIX_DRIVE_W10", L"mFIX_DIRECTORY_W10",
    L"mFIX_FOLDER_W10",
};

const Section* find_section(const Script& script, const std::wstring& full_path) {
    for (const auto& s : script.sections)
        if (!s.deletion && s.full_path() == full_path) return &s;
    return nullptr;
}

const Section* find_section_ignoring_case(const Script& script, const std::wstring& full_path) {
    for (const auto& s : script.sections)
        if (!s.deletion && equals_ignore_case(s.full_path(), full_path)) return &s;
    return nullptr;
}

const Value* default_value(const Section* section) {
    if (section == nullptr) return nullptr;
    for (const auto& v : section->values)
        if (v.is_default && !v.deletion) return &v;
    return nullptr;
}

std::wstring hkcr(const std::wstring& path) {
    return L"HKEY_CLASSES_ROOT\\" + path;
}

// ---------------------------------------------------------------- per script

struct ScriptFacts {
    const wchar_t* memo;
    int lines;
    const wchar_t* extension; // the extension key, nullptr for the shell classes
    const wchar_t* prog_id;   // default value of the extension key
    const wchar_t* class_key;
    const wchar_t* description; // default value of the class key
    int hkcr, hkcu, hklm;       // key sections below each root
};

const ScriptFacts kFacts[] = {
    {L"mFIX_BAT_W10", 85, L".bat", L"batfile", L"batfile", L"Windows Batch File", 16, 0, 0},
    {L"mFIX_CAB_W10", 74, L".cab", L"CABFolder", L"CABFolder", L"Cabinet File", 11, 2, 0},
    {L"mFIX_CMD_W10", 83, L".cmd", L"cmdfile", L"cmdfile", L"Windows Command Script", 17, 0, 0},
    {L"mFIX_COM_W10", 47, L".com", L"comfile", L"comfile", L"MS-DOS Application", 8, 0, 0},
    {L"mFIX_EXE_W10", 81, L".exe", L"exefile", L"exefile", L"Application", 17, 0, 0},
    {L"mFIX_IMG_W10", 64, L".img", L"Windows.IsoFile", L"Windows.IsoFile", L"Disc Image File", 10, 0, 0},
    {L"mFIX_INF_W10", 60, L".inf", L"inffile", L"inffile", L"Setup Information", 8, 0, 0},
    {L"mFIX_INI_W10", 46, L".ini", L"inifile", L"inifile", L"Configuration Settings", 6, 0, 0},
    {L"mFIX_ISO_W10", 64, L".iso", L"Windows.IsoFile", L"Windows.IsoFile", L"Disc Image File", 10, 0, 0},
    {L"mFIX_LNK_W10", 106, L".lnk", L"lnkfile", L"lnkfile", L"Shortcut", 25, 0, 1},
    {L"mFIX_MSC_W10", 82, L".msc", L"MSCFile", L"mscfile", L"Microsoft Common Console Document", 14, 2, 0},
    {L"mFIX_MSI_W10", 86, L".msi", L"Msi.Package", L"Msi.Package", L"Windows Installer Package", 14, 0, 0},
    {L"mFIX_MSP_W10", 48, L".msp", L"Msi.Patch", L"Msi.Patch", L"Windows Installer Patch", 6, 0, 0},
    {L"mFIX_SCR_W10", 46, L".scr", L"scrfile", L"scrfile", L"Screen saver", 9, 0, 0},
    {L"mFIX_MSU_W10", 41, L".msu", L"Microsoft.System.Update.1", L"Microsoft.System.Update.1",
     L"Microsoft Update Standalone Package", 5, 0, 0},
    {L"mFIX_REG_W10", 76, L".reg", L"regfile", L"regfile", L"Registration Entries", 9, 4, 0},
    {L"mFIX_THEME_W10", 44, L".theme", L"themefile", L"themefile", L"Windows Theme File", 5, 0, 0},
    {L"mFIX_THEMEPACK_W10", 39, L".themepack", L"themepackfile", L"themepackfile", L"Windows Theme Pack", 4, 0, 0},
    {L"mFIX_TXT_W10", 80, L".txt", L"txtfile", L"txtfile", L"Text Document", 9, 4, 0},
    {L"mFIX_VBS_W10", 85, L".vbs", L"VBSFile", L"VBSFile", L"VBScript Script File", 15, 0, 0},
    {L"mFIX_VHD_W10", 47, L".vhd", L"Windows.VhdFile", L"Windows.VhdFile", L"Disc Image File", 6, 0, 0},
    {L"mFIX_VHDX_W10", 47, L".vhdx", L"Windows.VhdFile", L"Windows.VhdFile", L"Disc Image File", 6, 0, 0},
    {L"mFIX_ZIP_W10", 94, L".zip", L"CompressedFolder", L"CompressedFolder", L"Compressed (zipped) Folder", 17, 0, 0},
    {L"mFIX_DRIVE_W10", 213, nullptr, nullptr, L"Drive", L"Drive", 39, 0, 0},
    {L"mFIX_DIRECTORY_W10", 114, nullptr, nullptr, L"Directory", L"File Folder", 30, 0, 0},
    // FOLDER writes the known-folder definitions with the values established
    // from public Windows 10 data: 131 definitions, 11 of them with a
    // PropertyBag. Values it leaves out stay as the machine has them, since
    // the definitions are never deleted; a complete Windows 10 export holds
    // more of them (localized names, tips, icons: about 1,560 lines, with 37
    // PropertyBags).
    {L"mFIX_FOLDER_W10", 1038, nullptr, nullptr, L"Folder", L"Folder", 23, 0, 142},
};

TEST(StoredScripts, HaveTheirLineCountsClassKeysAndKeySectionsPerRoot) {
    for (const auto& f : kFacts) {
        SCOPED_TRACE(to_utf8(f.memo));
        const Script& script = stored(f.memo);
        EXPECT_EQ(script.counts.total, f.lines);
        int roots[3] = {0, 0, 0};
        for (const auto& s : script.sections) {
            if (s.deletion) continue;
            if (s.root == RootKey::classes_root) ++roots[0];
            if (s.root == RootKey::current_user) ++roots[1];
            if (s.root == RootKey::local_machine) ++roots[2];
        }
        EXPECT_EQ(roots[0], f.hkcr);
        EXPECT_EQ(roots[1], f.hkcu);
        EXPECT_EQ(roots[2], f.hklm);
        if (f.extension != nullptr) {
            const Value* prog_id = default_value(find_section(script, hkcr(f.extension)));
            ASSERT_NE(prog_id, nullptr) << "no default value on " << to_utf8(f.extension);
            EXPECT_EQ(prog_id->type, ValueType::sz);
            EXPECT_EQ(prog_id->text(), f.prog_id);
        }
        const Value* description = default_value(find_section(script, hkcr(f.class_key)));
        ASSERT_NE(description, nullptr) << "no default value on " << to_utf8(f.class_key);
        EXPECT_EQ(description->type, ValueType::sz);
        EXPECT_EQ(description->text(), f.description);
    }
}

TEST(StoredScripts, ArePlainAsciiWithTheHeaderAndThreeCommentsFirst) {
    for (const wchar_t* memo : kAllScripts) {
        SCOPED_TRACE(to_utf8(memo));
        const Lines& lines = stored_lines(memo);
        ASSERT_GE(lines.size(), 5u);
        EXPECT_EQ(lines[0], kHeader);
        EXPECT_EQ(lines[1], L"");
        for (int i = 2; i < 5; ++i)
            EXPECT_TRUE(lines[static_cast<std::size_t>(i)].starts_with(L";")) << "line " << i + 1;
        for (std::size_t i = 0; i < lines.size(); ++i)
            for (wchar_t c : lines[i])
                if (c < 0x20 || c > 0x7E) {
                    ADD_FAILURE() << "line " << i + 1 << " holds character " << static_cast<unsigned>(c);
                    break;
                }
    }
}

// ---------------------------------------------------------- section order

// "+key": the deletion of the key, followed at once by its re-creation;
// "-key": a key that is only deleted; "*": the per-user family. Paths are
// below HKEY_CLASSES_ROOT unless they name their root.
struct SectionList {
    const wchar_t* memo;
    const wchar_t* per_user;            // the name of the type's keys below FileExts
    std::vector<const wchar_t*> first;  // re-created below the Explorer FileExts key
    std::vector<const wchar_t*> second; // re-created below the roaming OpenWith key
    std::vector<const wchar_t*> entries;
};

const SectionList kSectionLists[] = {
    {L"mFIX_BAT_W10",
     LR"(.bat)",
     {},
     {},
     {LR"(+.bat)", LR"(.bat\PersistentHandler)", LR"(batfile)", LR"(batfile\DefaultIcon)", LR"(-batfile\shell)",
      LR"(batfile\shell\edit\command)", LR"(batfile\shell\open)", LR"(batfile\shell\open\command)",
      LR"(batfile\shell\print\command)", LR"(batfile\shell\runas)", LR"(batfile\shell\runas\command)",
      LR"(batfile\shell\runasuser)", LR"(batfile\shell\runasuser\command)", LR"(+batfile\shellex\ContextMenuHandlers)",
      LR"(batfile\shellex\ContextMenuHandlers\Compatibility)", LR"(batfile\shellex\DropHandler)",
      LR"(batfile\shellex\{8895b1c6-b41f-4c1c-a562-0d564250836f})", LR"(-SystemFileAssociations\.bat)", LR"(*)"}},
    {L"mFIX_CAB_W10",
     LR"(.cab)",
     {LR"(OpenWithList)", LR"(OpenWithProgids)"},
     {},
     {LR"(+.cab)", LR"(.cab\OpenWithProgids)", LR"(.cab\PersistentHandler)", LR"(+CABFolder)", LR"(CABFolder\CLSID)",
      LR"(CABFolder\DefaultIcon)", LR"(CABFolder\Shell\find)", LR"(CABFolder\Shell\find\command)",
      LR"(CABFolder\Shell\Open)", LR"(CABFolder\Shell\Open\Command)", LR"(-SystemFileAssociations\.cab)",
      LR"(SystemFileAssociations\.cab\CLSID)", LR"(*)"}},
    {L"mFIX_CMD_W10",
     LR"(.cmd)",
     {},
     {},
     {LR"(+.cmd)", LR"(.cmd\PersistentHandler)", LR"(cmdfile)", LR"(cmdfile\DefaultIcon)",
      LR"(cmdfile\shell\edit\command)", LR"(cmdfile\shell\open)", LR"(cmdfile\shell\open\command)",
      LR"(cmdfile\shell\print)", LR"(cmdfile\shell\print\command)", LR"(cmdfile\shell\runas)",
      LR"(cmdfile\shell\runas\command)", LR"(cmdfile\shell\runasuser)", LR"(cmdfile\shell\runasuser\command)",
      LR"(cmdfile\shellex\ContextMenuHandlers)", LR"(cmdfile\shellex\ContextMenuHandlers\Compatibility)",
      LR"(cmdfile\shellex\DropHandler)", LR"(cmdfile\shellex\{8895b1c6-b41f-4c1c-a562-0d564250836f})",
      LR"(-SystemFileAssociations\.cmd)", LR"(*)"}},
    {L"mFIX_COM_W10",
     LR"(.com)",
     {},
     {},
     {LR"(+.com)", LR"(.com\PersistentHandler)", LR"(+comfile)", LR"(comfile\DefaultIcon)", LR"(comfile\shell\open)",
      LR"(comfile\shell\open\command)", LR"(comfile\shellex\ContextMenuHandlers\OpenGLShExt)",
      LR"(comfile\shellex\DropHandler)", LR"(-SystemFileAssociations\.com)", LR"(*)"}},
    {L"mFIX_EXE_W10",
     LR"(.exe)",
     {},
     {},
     {LR"(+.exe)", LR"(.exe\PersistentHandler)", LR"(exefile)", LR"(exefile\DefaultIcon)", LR"(-exefile\shell)",
      LR"(exefile\shell\open)", LR"(exefile\shell\open\command)", LR"(exefile\shell\runas)",
      LR"(exefile\shell\runas\command)", LR"(exefile\shell\runasuser)", LR"(exefile\shell\runasuser\command)",
      LR"(+exefile\shellex\ContextMenuHandlers)", LR"(exefile\shellex\ContextMenuHandlers\Compatibility)",
      LR"(exefile\shellex\ContextMenuHandlers\NvAppShExt)", LR"(exefile\shellex\ContextMenuHandlers\OpenGLShExt)",
      LR"(exefile\shellex\ContextMenuHandlers\PintoStartScreen)", LR"(exefile\shellex\DropHandler)",
      LR"(+SystemFileAssociations\.exe)", LR"(*)"}},
    {L"mFIX_IMG_W10",
     LR"(.img)",
     {},
     {},
     {LR"(+.img)", LR"(.img\OpenWithProgids)", LR"(-SystemFileAssociations\.img)", LR"(+Windows.IsoFile)",
      LR"(Windows.IsoFile\DefaultIcon)", LR"(Windows.IsoFile\shell)", LR"(Windows.IsoFile\shell\burn)",
      LR"(Windows.IsoFile\shell\burn\command)", LR"(Windows.IsoFile\shell\mount)",
      LR"(Windows.IsoFile\shell\mount\command)", LR"(Windows.IsoFile\tabsets)", LR"(*)"}},
    {L"mFIX_INF_W10",
     LR"(.inf)",
     {},
     {},
     {LR"(+.inf)", LR"(.inf\PersistentHandler)", LR"(+inffile)", LR"(inffile\DefaultIcon)", LR"(inffile\shell\Install)",
      LR"(inffile\shell\Install\command)", LR"(inffile\shell\open\command)", LR"(inffile\shell\print\command)",
      LR"(-SystemFileAssociations\.inf)", LR"(*)"}},
    {L"mFIX_INI_W10",
     LR"(.ini)",
     {},
     {},
     {LR"(+.ini)", LR"(.ini\PersistentHandler)", LR"(+inifile)", LR"(inifile\DefaultIcon)",
      LR"(inifile\shell\open\command)", LR"(inifile\shell\print\command)", LR"(-SystemFileAssociations\.ini)",
      LR"(*)"}},
    {L"mFIX_ISO_W10",
     LR"(.iso)",
     {},
     {},
     {LR"(+.iso)", LR"(.iso\OpenWithProgids)", LR"(-SystemFileAssociations\.iso)", LR"(+Windows.IsoFile)",
      LR"(Windows.IsoFile\DefaultIcon)", LR"(Windows.IsoFile\shell)", LR"(Windows.IsoFile\shell\burn)",
      LR"(Windows.IsoFile\shell\burn\command)", LR"(Windows.IsoFile\shell\mount)",
      LR"(Windows.IsoFile\shell\mount\command)", LR"(Windows.IsoFile\tabsets)", LR"(*)"}},
    {L"mFIX_LNK_W10",
     LR"(.lnk)",
     {},
     {},
     {LR"(Application.Reference)",
      LR"(IE.AssocFile.URL)",
      LR"(IE.AssocFile.WEBSITE)",
      LR"(InternetShortcut)",
      LR"(+.lnk)",
      LR"(.lnk\ShellEx\{000214EE-0000-0000-C000-000000000046})",
      LR"(.lnk\ShellEx\{000214F9-0000-0000-C000-000000000046})",
      LR"(.lnk\ShellEx\{00021500-0000-0000-C000-000000000046})",
      LR"(.lnk\ShellEx\{BB2E617C-0920-11d1-9A0B-00C04FC2D6C1})",
      LR"(.lnk\ShellEx\{E357FCCD-A995-4576-B01F-234630154E96})",
      LR"(.lnk\ShellNew)",
      LR"(.lnk\ShellNew\Config)",
      LR"(lnkfile)",
      LR"(lnkfile\CLSID)",
      LR"(-lnkfile\shellex\ContextMenuHandlers)",
      LR"(lnkfile\shellex\ContextMenuHandlers\NvAppShExt)",
      LR"(lnkfile\shellex\ContextMenuHandlers\OpenContainingFolderMenu)",
      LR"(lnkfile\shellex\ContextMenuHandlers\OpenGLShExt)",
      LR"(lnkfile\shellex\ContextMenuHandlers\{00021401-0000-0000-C000-000000000046})",
      LR"(lnkfile\shellex\DropHandler)",
      LR"(lnkfile\shellex\IconHandler)",
      LR"(lnkfile\tabsets)",
      LR"(Microsoft.Website)",
      LR"(piffile)",
      LR"(+SystemFileAssociations\.lnk)",
      LR"(WSHFile)",
      LR"(*)",
      LR"(HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Explorer\Shell Icons)"}},
    {L"mFIX_MSC_W10",
     LR"(.msc)",
     {LR"(OpenWithList)", LR"(OpenWithProgids)"},
     {},
     {LR"(+.msc)", LR"(+mscfile)", LR"(mscfile\DefaultIcon)", LR"(mscfile\shell\Author)",
      LR"(mscfile\shell\Author\command)", LR"(mscfile\shell\open\command)", LR"(mscfile\shell\RunAs)",
      LR"(mscfile\shell\RunAs\command)", LR"(mscfile\shell\runasuser)", LR"(mscfile\shell\runasuser\command)",
      LR"(mscfile\shellex\ContextMenuHandlers)", LR"(mscfile\shellex\ContextMenuHandlers\OpenGLShExt)",
      LR"(mscfile\shellex\ContextMenuHandlers\PintoStartScreen)", LR"(mscfile\shellex\IconHandler)",
      LR"(-SystemFileAssociations\.msc)", LR"(*)"}},
    {L"mFIX_MSI_W10",
     LR"(.msi)",
     {},
     {},
     {LR"(+.msi)", LR"(Msi.Package)", LR"(Msi.Package\DefaultIcon)", LR"(Msi.Package\shell)",
      LR"(Msi.Package\shell\Open)", LR"(Msi.Package\shell\Open\command)", LR"(Msi.Package\shell\Repair)",
      LR"(Msi.Package\shell\Repair\command)", LR"(Msi.Package\shell\runasuser)",
      LR"(Msi.Package\shell\runasuser\command)", LR"(Msi.Package\shell\Uninstall)",
      LR"(Msi.Package\shell\Uninstall\command)", LR"(Msi.Package\shellex\ContextMenuHandlers)",
      LR"(Msi.Package\shellex\ContextMenuHandlers\Compatibility)", LR"(-SystemFileAssociations\.msi)", LR"(*)"}},
    {L"mFIX_MSP_W10",
     LR"(.msp)",
     {},
     {},
     {LR"(+.msp)", LR"(+Msi.Patch)", LR"(Msi.Patch\DefaultIcon)", LR"(Msi.Patch\shell)", LR"(Msi.Patch\shell\Open)",
      LR"(Msi.Patch\shell\Open\command)", LR"(-SystemFileAssociations\.msp)", LR"(*)"}},
    {L"mFIX_SCR_W10",
     LR"(.scr)",
     {},
     {},
     {LR"(+.scr)", LR"(+scrfile)", LR"(scrfile\shell\config)", LR"(scrfile\shell\config\command)",
      LR"(scrfile\shell\install)", LR"(scrfile\shell\install\command)", LR"(scrfile\shell\open)",
      LR"(scrfile\shell\open\command)", LR"(scrfile\shellex\DropHandler)", LR"(-SystemFileAssociations\.scr)",
      LR"(*)"}},
    {L"mFIX_MSU_W10",
     LR"(.msu)",
     {},
     {},
     {LR"(+.msu)", LR"(+Microsoft.System.Update.1)", LR"(Microsoft.System.Update.1\CurVer)",
      LR"(Microsoft.System.Update.1\DefaultIcon)", LR"(Microsoft.System.Update.1\shell\open\command)",
      LR"(-SystemFileAssociations\.msu)", LR"(*)"}},
    {L"mFIX_REG_W10",
     LR"(.reg)",
     {LR"(OpenWithList)", LR"(OpenWithProgids)", LR"(UserChoice)"},
     {LR"(UserChoice)"},
     {LR"(+.reg)", LR"(.reg\PersistentHandler)", LR"(+regfile)", LR"(regfile\DefaultIcon)",
      LR"(regfile\shell\edit\command)", LR"(regfile\shell\open)", LR"(regfile\shell\open\command)",
      LR"(regfile\shell\print\command)", LR"(regfile\ShellEx\{8895b1c6-b41f-4c1c-a562-0d564250836f})",
      LR"(-SystemFileAssociations\.reg)", LR"(*)"}},
    {L"mFIX_THEME_W10",
     LR"(.theme)",
     {},
     {},
     {LR"(+.theme)", LR"(-SystemFileAssociations\.theme)", LR"(+themefile)", LR"(themefile\DefaultIcon)",
      LR"(themefile\shell\open\command)", LR"(themefile\shellex\{E357FCCD-A995-4576-B01F-234630154E96})", LR"(*)"}},
    {L"mFIX_THEMEPACK_W10",
     LR"(.themepack)",
     {},
     {},
     {LR"(+.themepack)", LR"(-SystemFileAssociations\.themepack)", LR"(+themepackfile)",
      LR"(themepackfile\DefaultIcon)", LR"(themepackfile\shell\open\command)", LR"(*)"}},
    {L"mFIX_TXT_W10",
     LR"(.txt)",
     {LR"(OpenWithList)", LR"(OpenWithProgids)", LR"(UserChoice)"},
     {LR"(UserChoice)"},
     {LR"(+.txt)", LR"(.txt\PersistentHandler)", LR"(.txt\ShellNew)", LR"(+SystemFileAssociations\.txt)",
      LR"(+txtfile)", LR"(txtfile\DefaultIcon)", LR"(txtfile\shell\open\command)", LR"(txtfile\shell\print\command)",
      LR"(txtfile\shell\printto\command)", LR"(*)"}},
    {L"mFIX_VBS_W10",
     LR"(.vbs)",
     {},
     {},
     {LR"(+.vbs)", LR"(.vbs\PersistentHandler)", LR"(-SystemFileAssociations\.vbs)", LR"(+VBSFile)",
      LR"(VBSFile\DefaultIcon)", LR"(VBSFile\ScriptEngine)", LR"(VBSFile\ScriptHostEncode)", LR"(VBSFile\Shell)",
      LR"(VBSFile\Shell\Edit\Command)", LR"(VBSFile\Shell\Open\Command)", LR"(VBSFile\Shell\Open2)",
      LR"(VBSFile\Shell\Open2\Command)", LR"(VBSFile\Shell\Print\Command)",
      LR"(VBSFile\ShellEx\ContextMenuHandlers\OpenGLShExt)", LR"(VBSFile\ShellEx\DropHandler)",
      LR"(VBSFile\ShellEx\PropertySheetHandlers\WSHProps)", LR"(*)"}},
    {L"mFIX_VHD_W10",
     LR"(.vhd)",
     {},
     {},
     {LR"(+.vhd)", LR"(-SystemFileAssociations\.vhd)", LR"(+Windows.VhdFile)", LR"(Windows.VhdFile\DefaultIcon)",
      LR"(Windows.VhdFile\shell\mount)", LR"(Windows.VhdFile\shell\mount\command)", LR"(Windows.VhdFile\tabsets)",
      LR"(*)"}},
    {L"mFIX_VHDX_W10",
     LR"(.vhdx)",
     {},
     {},
     {LR"(+.vhdx)", LR"(-SystemFileAssociations\.vhdx)", LR"(+Windows.VhdFile)", LR"(Windows.VhdFile\DefaultIcon)",
      LR"(Windows.VhdFile\shell\mount)", LR"(Windows.VhdFile\shell\mount\command)", LR"(Windows.VhdFile\tabsets)",
      LR"(*)"}},
    {L"mFIX_ZIP_W10",
     LR"(.zip)",
     {},
     {},
     {LR"(+.ZFSendToTarget)", LR"(.ZFSendToTarget\PersistentHandler)", LR"(+.zip)",
      LR"(.zip\CompressedFolder\ShellNew)", LR"(.zip\OpenWithProgids)", LR"(.zip\PersistentHandler)",
      LR"(+CompressedFolder)", LR"(CompressedFolder\CLSID)", LR"(CompressedFolder\DefaultIcon)",
      LR"(CompressedFolder\shell\find)", LR"(CompressedFolder\shell\find\command)", LR"(CompressedFolder\shell\Open)",
      LR"(CompressedFolder\shell\Open\Command)",
      LR"(CompressedFolder\ShellEx\ContextMenuHandlers\{b8cdcb65-b1bf-4b42-9428-1dfdb7ee92af})",
      LR"(CompressedFolder\ShellEx\DropHandler)", LR"(CompressedFolder\ShellEx\StorageHandler)",
      LR"(-SystemFileAssociations\.zip)", LR"(SystemFileAssociations\.zip\CLSID)", LR"(*)"}},
    {L"mFIX_DRIVE_W10",
     LR"(Drive)",
     {},
     {},
     {LR"(Drive)",
      LR"(Drive\DefaultIcon)",
      LR"(Drive\shell)",
      LR"(Drive\shell\change-passphrase)",
      LR"(Drive\shell\change-passphrase\command)",
      LR"(Drive\shell\change-pin)",
      LR"(Drive\shell\change-pin\command)",
      LR"(Drive\shell\cmd)",
      LR"(Drive\shell\cmd\command)",
      LR"(Drive\shell\encrypt-bde)",
      LR"(Drive\shell\encrypt-bde\command)",
      LR"(Drive\shell\encrypt-bde-elev)",
      LR"(Drive\shell\encrypt-bde-elev\command)",
      LR"(Drive\shell\find)",
      LR"(Drive\shell\find\command)",
      LR"(Drive\shell\manage-bde)",
      LR"(Drive\shell\manage-bde\command)",
      LR"(Drive\shell\resume-bde)",
      LR"(Drive\shell\resume-bde\command)",
      LR"(Drive\shell\resume-bde-elev)",
      LR"(Drive\shell\resume-bde-elev\command)",
      LR"(Drive\shell\unlock-bde)",
      LR"(Drive\shell\unlock-bde\command)",
      LR"(Drive\shellex\ContextMenuHandlers\Sharing)",
      LR"(Drive\shellex\ContextMenuHandlers\{596AB062-B4D2-4215-9F74-E9109B0A8153})",
      LR"(Drive\shellex\ContextMenuHandlers\{D6791A63-E7E2-4fee-BF52-5DED8E86E9B8})",
      LR"(Drive\shellex\ContextMenuHandlers\{fbeb8a05-beee-4442-804e-409d6c4515e9})",
      LR"(Drive\shellex\FolderExtensions\{fbeb8a05-beee-4442-804e-409d6c4515e9})",
      LR"(Drive\shellex\PropertySheetHandlers)",
      LR"(Drive\shellex\PropertySheetHandlers\Sharing)",
      LR"(Drive\shellex\PropertySheetHandlers\{1f2e5c40-9550-11ce-99d2-00aa006e086c})",
      LR"(Drive\shellex\PropertySheetHandlers\{4a7ded0a-ad25-11d0-98a8-0800361b1103})",
      LR"(Drive\shellex\PropertySheetHandlers\{55B3A0BD-4D28-42fe-8CFB-FA3EDFF969B8})",
      LR"(Drive\shellex\PropertySheetHandlers\{596AB062-B4D2-4215-9F74-E9109B0A8153})",
      LR"(Drive\shellex\PropertySheetHandlers\{5F5295E0-429F-1069-A2E2-08002B30309D})",
      LR"(Drive\shellex\PropertySheetHandlers\{7988B573-EC89-11cf-9C00-00AA00A14F56})",
      LR"(Drive\shellex\PropertySheetHandlers\{ef43ecfe-2ab9-4632-bf21-58909dd177f0})",
      LR"(Drive\shellex\PropertySheetHandlers\{fbeb8a05-beee-4442-804e-409d6c4515e9})",
      LR"(Drive\tabsets)",
      LR"(-SystemFileAssociations\Drive)",
      LR"(*)"}},
    {L"mFIX_DIRECTORY_W10",
     LR"(Directory)",
     {},
     {},
     {LR"(Directory)",
      LR"(Directory\Background\shell\cmd)",
      LR"(Directory\Background\shell\cmd\command)",
      LR"(Directory\Background\shellex\ContextMenuHandlers\ FileSyncEx)",
      LR"(Directory\Background\shellex\ContextMenuHandlers\igfxcui)",
      LR"(Directory\Background\shellex\ContextMenuHandlers\igfxDTCM)",
      LR"(Directory\Background\shellex\ContextMenuHandlers\New)",
      LR"(Directory\Background\shellex\ContextMenuHandlers\NvCplDesktopContext)",
      LR"(Directory\Background\shellex\ContextMenuHandlers\Sharing)",
      LR"(Directory\DefaultIcon)",
      LR"(Directory\shell)",
      LR"(Directory\shell\cmd)",
      LR"(Directory\shell\cmd\command)",
      LR"(Directory\shell\find)",
      LR"(Directory\shell\find\command)",
      LR"(Directory\shellex\ContextMenuHandlers\ FileSyncEx)",
      LR"(Directory\shellex\ContextMenuHandlers\EncryptionMenu)",
      LR"(Directory\shellex\ContextMenuHandlers\Offline Files)",
      LR"(Directory\shellex\ContextMenuHandlers\Sharing)",
      LR"(Directory\shellex\ContextMenuHandlers\{596AB062-B4D2-4215-9F74-E9109B0A8153})",
      LR"(Directory\shellex\CopyHookHandlers)",
      LR"(Directory\shellex\CopyHookHandlers\FileSystem)",
      LR"(Directory\shellex\CopyHookHandlers\Sharing)",
      LR"(Directory\shellex\PropertySheetHandlers)",
      LR"(Directory\shellex\PropertySheetHandlers\Offline Files)",
      LR"(Directory\shellex\PropertySheetHandlers\Sharing)",
      LR"(Directory\shellex\PropertySheetHandlers\{1f2e5c40-9550-11ce-99d2-00aa006e086c})",
      LR"(Directory\shellex\PropertySheetHandlers\{4a7ded0a-ad25-11d0-98a8-0800361b1103})",
      LR"(Directory\shellex\PropertySheetHandlers\{596AB062-B4D2-4215-9F74-E9109B0A8153})",
      LR"(Directory\shellex\PropertySheetHandlers\{ef43ecfe-2ab9-4632-bf21-58909dd177f0})",
      LR"(-SystemFileAssociations\Directory)",
      LR"(*)"}},
    {L"mFIX_FOLDER_W10",
     LR"(Folder)",
     {},
     {},
     {LR"(Folder)",
      LR"(Folder\DefaultIcon)",
      LR"(Folder\shell)",
      LR"(Folder\shell\explore)",
      LR"(Folder\shell\explore\command)",
      LR"(Folder\shell\open)",
      LR"(Folder\shell\open\command)",
      LR"(Folder\shell\opennewprocess)",
      LR"(Folder\shell\opennewprocess\command)",
      LR"(Folder\shell\opennewwindow)",
      LR"(Folder\shell\opennewwindow\command)",
      LR"(Folder\shell\pintohome)",
      LR"(Folder\shell\pintohome\command)",
      LR"(Folder\shellex\ContextMenuHandlers\BriefcaseMenu)",
      LR"(Folder\shellex\ContextMenuHandlers\Library Location)",
      LR"(Folder\shellex\ContextMenuHandlers\Offline Files)",
      LR"(Folder\shellex\ContextMenuHandlers\PintoStartScreen)",
      LR"(Folder\shellex\ContextMenuHandlers\{a2a9545d-a0c2-42b4-9708-a0b2badd77c8})",
      LR"(Folder\shellex\DragDropHandlers\{BD472F60-27FA-11cf-B8B4-444553540000})",
      LR"(Folder\shellex\PropertySheetHandlers\BriefcasePage)",
      LR"(Folder\shellex\PropertySheetHandlers\Offline Files)",
      LR"(Folder\ShellNew)",
      LR"(Folder\ShellNew\Config)",
      LR"(-SystemFileAssociations\Folder)",
      LR"(*)"}},
};

struct Expected {
    bool deletion;
    std::wstring path;
    bool per_user; // compared without regard to case: "Software" and "SOFTWARE" both occur
};

std::vector<Expected> expand(const SectionList& list) {
    const std::wstring explorer =
        std::wstring(LR"(HKEY_CURRENT_USER\SOFTWARE\Microsoft\Windows\CurrentVersion\Explorer\FileExts\)") +
        list.per_user;
    const std::wstring roaming =
        std::wstring(LR"(HKEY_CURRENT_USER\SOFTWARE\Microsoft\Windows\Roaming\OpenWith\FileExts\)") + list.per_user;
    std::vector<Expected> out;
    for (const wchar_t* entry : list.entries) {
        std::wstring text = entry;
        if (text == L"*") {
            out.push_back({true, explorer, true});
            for (const wchar_t* sub : list.first)
                out.push_back({false, explorer + L"\\" + sub, true});
            out.push_back({true, roaming, true});
            for (const wchar_t* sub : list.second)
                out.push_back({false, roaming + L"\\" + sub, true});
            continue;
        }
        const wchar_t mark = text.front();
        if (mark == L'+' || mark == L'-') text.erase(0, 1);
        if (!text.starts_with(L"HKEY_")) text = hkcr(text);
        if (mark == L'+' || mark == L'-') out.push_back({true, text, false});
        if (mark != L'-') out.push_back({false, text, false});
    }
    return out;
}

std::wstring describe(bool deletion, const std::wstring& path) {
    return (deletion ? L"[-" : L"[") + path + L"]";
}

TEST(StoredScripts, WriteAndDeleteExactlyTheirKeySectionsInOrder) {
    for (const auto& list : kSectionLists) {
        SCOPED_TRACE(to_utf8(list.memo));
        const Script& script = stored(list.memo);
        const auto expected = expand(list);
        const auto& got = script.sections;
        // FOLDER goes on with its known-folder definitions below HKLM.
        const bool more_allowed = std::wstring(list.memo) == L"mFIX_FOLDER_W10";
        if (more_allowed) {
            EXPECT_GE(got.size(), expected.size());
        } else {
            EXPECT_EQ(got.size(), expected.size());
        }
        const std::size_t n = std::min(got.size(), expected.size());
        for (std::size_t i = 0; i < n; ++i) {
            const auto& e = expected[i];
            const bool same =
                got[i].deletion == e.deletion &&
                (e.per_user ? equals_ignore_case(got[i].full_path(), e.path) : got[i].full_path() == e.path);
            EXPECT_TRUE(same) << "section " << i + 1 << " (line " << got[i].line
                              << "): " << to_utf8(describe(got[i].deletion, got[i].full_path())) << ", expected "
                              << to_utf8(describe(e.deletion, e.path));
        }
        for (std::size_t i = n; more_allowed && i < got.size(); ++i)
            EXPECT_TRUE(!got[i].deletion && got[i].root == RootKey::local_machine &&
                        starts_with_ignore_case(
                            got[i].path, LR"(SOFTWARE\Microsoft\Windows\CurrentVersion\Explorer\FolderDescriptions\)"))
                << "section " << i + 1 << ": " << to_utf8(describe(got[i].deletion, got[i].full_path()));
    }
}

TEST(StoredScripts, DeleteEveryKeyBeforeAnythingWritesItOrBelowIt) {
    // Checked here on the sections themselves, apart from the reader's own check.
    for (const wchar_t* memo : kAllScripts) {
        SCOPED_TRACE(to_utf8(memo));
        const auto& sections = stored(memo).sections;
        for (std::size_t i = 0; i < sections.size(); ++i) {
            if (!sections[i].deletion) continue;
            const std::wstring deleted = to_lower(sections[i].full_path());
            for (std::size_t j = 0; j < i; ++j) {
                if (sections[j].deletion) continue;
                const std::wstring written = to_lower(sections[j].full_path());
                EXPECT_FALSE(written == deleted || written.starts_with(deleted + L"\\"))
                    << "line " << sections[i].line << " deletes what line " << sections[j].line << " wrote";
            }
        }
    }
}

// ------------------------------------------------- open command and icon

struct Decoded {
    ValueType type;
    const wchar_t* text;
};
constexpr ValueType SZ = ValueType::sz;
constexpr ValueType EXPAND = ValueType::expand_sz;

struct OpenAndIcon {
    const wchar_t* memo;
    const wchar_t* class_key;
    const wchar_t* command_key; // below the class key; nullptr: the class has no open command
    Decoded command;
    Decoded icon; // text nullptr: no DefaultIcon key
};

const wchar_t* const kThemeCommand =
    LR"(%SystemRoot%\system32\rundll32.exe %SystemRoot%\system32\themecpl.dll,OpenThemeAction %1)";

const OpenAndIcon kOpenAndIcon[] = {
    {L"mFIX_BAT_W10",
     L"batfile",
     LR"(shell\open\command)",
     {SZ, LR"("%1" %*)"},
     {EXPAND, LR"(%SystemRoot%\System32\imageres.dll,-68)"}},
    {L"mFIX_CAB_W10",
     L"CABFolder",
     LR"(Shell\Open\Command)",
     {EXPAND, LR"(%SystemRoot%\Explorer.exe /idlist,%I,%L)"},
     {EXPAND, LR"(%SystemRoot%\system32\cabview.dll,0)"}},
    {L"mFIX_CMD_W10",
     L"cmdfile",
     LR"(shell\open\command)",
     {SZ, LR"("%1" %*)"},
     {EXPAND, LR"(%SystemRoot%\System32\imageres.dll,-68)"}},
    {L"mFIX_COM_W10",
     L"comfile",
     LR"(shell\open\command)",
     {SZ, LR"("%1" %*)"},
     {EXPAND, LR"(%SystemRoot%\System32\shell32.dll,2)"}},
    {L"mFIX_EXE_W10", L"exefile", LR"(shell\open\command)", {SZ, LR"("%1" %*)"}, {SZ, L"%1"}},
    {L"mFIX_IMG_W10", L"Windows.IsoFile", nullptr, {}, {EXPAND, LR"(%SystemRoot%\System32\imageres.dll,-5205)"}},
    {L"mFIX_ISO_W10", L"Windows.IsoFile", nullptr, {}, {EXPAND, LR"(%SystemRoot%\System32\imageres.dll,-5205)"}},
    {L"mFIX_INF_W10",
     L"inffile",
     LR"(shell\open\command)",
     {EXPAND, LR"(%SystemRoot%\system32\NOTEPAD.EXE %1)"},
     {EXPAND, LR"(%SystemRoot%\System32\imageres.dll,-69)"}},
    {L"mFIX_INI_W10",
     L"inifile",
     LR"(shell\open\command)",
     {EXPAND, LR"(%SystemRoot%\system32\NOTEPAD.EXE %1)"},
     {EXPAND, LR"(%SystemRoot%\system32\imageres.dll,-69)"}},
    {L"mFIX_LNK_W10", L"lnkfile", nullptr, {}, {}},
    {L"mFIX_MSC_W10",
     L"mscfile",
     LR"(shell\open\command)",
     {EXPAND, LR"(%SystemRoot%\system32\mmc.exe "%1" %*)"},
     {SZ, L"%1"}},
    {L"mFIX_MSI_W10",
     L"Msi.Package",
     LR"(shell\Open\command)",
     {EXPAND, LR"("%SystemRoot%\System32\msiexec.exe" /i "%1" %*)"},
     {SZ, LR"(C:\Windows\System32\msiexec.exe,0)"}},
    {L"mFIX_MSP_W10",
     L"Msi.Patch",
     LR"(shell\Open\command)",
     {EXPAND, LR"("%SystemRoot%\System32\msiexec.exe" /p "%1" %*)"},
     {SZ, LR"(C:\Windows\System32\msiexec.exe,0)"}},
    {L"mFIX_SCR_W10", L"scrfile", LR"(shell\open\command)", {SZ, LR"("%1" /S)"}, {}},
    {L"mFIX_MSU_W10",
     L"Microsoft.System.Update.1",
     LR"(shell\open\command)",
     {EXPAND, LR"("%systemroot%\system32\wusa.exe" "%1" %*)"},
     {EXPAND, LR"("%systemroot%\system32\wusa.exe",-101)"}},
    {L"mFIX_REG_W10",
     L"regfile",
     LR"(shell\open\command)",
     {SZ, LR"(regedit.exe "%1")"},
     {EXPAND, LR"(%SystemRoot%\regedit.exe,1)"}},
    {L"mFIX_THEME_W10",
     L"themefile",
     LR"(shell\open\command)",
     {EXPAND, kThemeCommand},
     {EXPAND, LR"(%SystemRoot%\system32\themeui.dll,-701)"}},
    {L"mFIX_THEMEPACK_W10",
     L"themepackfile",
     LR"(shell\open\command)",
     {EXPAND, kThemeCommand},
     {EXPAND, LR"(%SystemRoot%\system32\themeui.dll,-704)"}},
    {L"mFIX_TXT_W10",
     L"txtfile",
     LR"(shell\open\command)",
     {EXPAND, LR"(%SystemRoot%\system32\NOTEPAD.EXE %1)"},
     {EXPAND, LR"(%SystemRoot%\system32\imageres.dll,-102)"}},
    {L"mFIX_VBS_W10",
     L"VBSFile",
     LR"(Shell\Open\Command)",
     {EXPAND, LR"("%SystemRoot%\System32\WScript.exe" "%1" %*)"},
     {EXPAND, LR"(%SystemRoot%\System32\WScript.exe,2)"}},
    {L"mFIX_VHD_W10", L"Windows.VhdFile", nullptr, {}, {EXPAND, LR"(%SystemRoot%\System32\imageres.dll,-32)"}},
    {L"mFIX_VHDX_W10", L"Windows.VhdFile", nullptr, {}, {EXPAND, LR"(%SystemRoot%\System32\imageres.dll,-32)"}},
    {L"mFIX_ZIP_W10",
     L"CompressedFolder",
     LR"(shell\Open\Command)",
     {EXPAND, LR"(%SystemRoot%\Explorer.exe /idlist,%I,%L)"},
     {EXPAND, LR"(%SystemRoot%\system32\zipfldr.dll)"}},
    {L"mFIX_DRIVE_W10", L"Drive", nullptr, {}, {EXPAND, LR"(%SystemRoot%\System32\shell32.dll,8)"}},
    {L"mFIX_DIRECTORY_W10", L"Directory", nullptr, {}, {EXPAND, LR"(%SystemRoot%\System32\shell32.dll,3)"}},
    {L"mFIX_FOLDER_W10",
     L"Folder",
     LR"(shell\open\command)",
     {EXPAND, LR"(%SystemRoot%\Explorer.exe)"},
     {EXPAND, LR"(%SystemRoot%\System32\shell32.dll,3)"}},
};

void expect_default(const Script& script, const std::wstring& key, const Decoded& want) {
    const Value* value = default_value(find_section(script, key));
    ASSERT_NE(value, nullptr) << "no default value on " << to_utf8(key);
    EXPECT_EQ(value->type, want.type) << to_utf8(key);
    EXPECT_EQ(value->text(), want.text) << to_utf8(key);
}

TEST(StoredScripts, OpenCommandAndDefaultIconDecodeToTheirData) {
    for (const auto& row : kOpenAndIcon) {
        SCOPED_TRACE(to_utf8(row.memo));
        const Script& script = stored(row.memo);
        const std::wstring class_key = hkcr(row.class_key);
        if (row.command_key != nullptr) {
            expect_default(script, class_key + L"\\" + row.command_key, row.command);
        } else {
            EXPECT_EQ(find_section_ignoring_case(script, class_key + LR"(\shell\open\command)"), nullptr);
        }
        if (row.icon.text != nullptr) {
            expect_default(script, class_key + L"\\DefaultIcon", row.icon);
        } else {
            EXPECT_EQ(find_section_ignoring_case(script, class_key + L"\\DefaultIcon"), nullptr);
        }
    }
}

// ----------------------------------------------------- values of note

constexpr ValueType NONE = ValueType::none;
constexpr ValueType BINARY = ValueType::binary;

const wchar_t* const kExplorerExts =
    LR"(HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\FileExts\)";
const wchar_t* const kRoamingExts = LR"(HKEY_CURRENT_USER\Software\Microsoft\Windows\Roaming\OpenWith\FileExts\)";
const wchar_t* const kShortcutHandler = L"{00021401-0000-0000-C000-000000000046}";
const wchar_t* const kExeTip =
    L"prop:System.FileDescription;System.Company;System.FileVersion;System.DateCreated;System.Size";

struct ValueFact {
    const wchar_t* memo;
    std::wstring key;    // below HKEY_CLASSES_ROOT unless it names its root; case is not compared
    const wchar_t* name; // nullptr: the default value
    ValueType type;
    const wchar_t* text; // REG_SZ / REG_EXPAND_SZ text; for other types the bytes as hex digits
};

const ValueFact kValueFacts[] = {
    // The Send To target of compressed folders.
    {L"mFIX_ZIP_W10", L".ZFSendToTarget", nullptr, SZ, L"CLSID\\{888DCA60-FC0A-11CF-8F0F-00C04FD7D062}"},
    {L"mFIX_ZIP_W10", L".ZFSendToTarget\\PersistentHandler", nullptr, SZ, L"{098f2470-bae0-11cd-b579-08002b30bfeb}"},
    {L"mFIX_ZIP_W10", L".zip\\OpenWithProgids", L"CompressedFolder", SZ, L""},
    {L"mFIX_ZIP_W10", L"SystemFileAssociations\\.zip\\CLSID", nullptr, SZ, L"{E88DCCE0-B7B3-11d1-A9F0-00AA0060FA31}"},
    {L"mFIX_CAB_W10", L".cab\\OpenWithProgids", L"CABFolder", SZ, L""},
    {L"mFIX_IMG_W10", L".img\\OpenWithProgids", L"Windows.IsoFile", SZ, L""},
    {L"mFIX_ISO_W10", L".iso\\OpenWithProgids", L"Windows.IsoFile", SZ, L""},
    // The shell extensions of .lnk all lead to the shortcut handler.
    {L"mFIX_LNK_W10", L".lnk\\ShellEx\\{000214EE-0000-0000-C000-000000000046}", nullptr, SZ, kShortcutHandler},
    {L"mFIX_LNK_W10", L".lnk\\ShellEx\\{000214F9-0000-0000-C000-000000000046}", nullptr, SZ, kShortcutHandler},
    {L"mFIX_LNK_W10", L".lnk\\ShellEx\\{00021500-0000-0000-C000-000000000046}", nullptr, SZ, kShortcutHandler},
    {L"mFIX_LNK_W10", L".lnk\\ShellEx\\{BB2E617C-0920-11d1-9A0B-00C04FC2D6C1}", nullptr, SZ, kShortcutHandler},
    {L"mFIX_LNK_W10", L".lnk\\ShellEx\\{E357FCCD-A995-4576-B01F-234630154E96}", nullptr, SZ, kShortcutHandler},
    {L"mFIX_LNK_W10", L"lnkfile", L"NeverShowExt", SZ, L""},
    {L"mFIX_LNK_W10", L"lnkfile\\CLSID", nullptr, SZ, kShortcutHandler},
    // What the direct repair of .exe writes, the EXE script writes too.
    {L"mFIX_EXE_W10", L".exe\\PersistentHandler", nullptr, SZ, L"{098f2470-bae0-11cd-b579-08002b30bfeb}"},
    {L"mFIX_EXE_W10", L"exefile", L"EditFlags", BINARY, L"38070000"},
    {L"mFIX_EXE_W10", L"exefile", L"FriendlyTypeName", EXPAND, LR"(@%SystemRoot%\System32\shell32.dll,-10156)"},
    {L"mFIX_EXE_W10", L"exefile\\shell\\open", L"EditFlags", BINARY, L"00000000"},
    {L"mFIX_EXE_W10", L"exefile\\shell\\open\\command", L"IsolatedCommand", SZ, LR"("%1" %*)"},
    {L"mFIX_EXE_W10", L"exefile\\shell\\runas", L"HasLUAShield", SZ, L""},
    {L"mFIX_EXE_W10", L"exefile\\shell\\runas\\command", nullptr, SZ, LR"("%1" %*)"},
    {L"mFIX_EXE_W10", L"exefile\\shell\\runas\\command", L"IsolatedCommand", SZ, LR"("%1" %*)"},
    {L"mFIX_EXE_W10", L"exefile\\shell\\runasuser", nullptr, SZ, L"@shell32.dll,-50944"},
    {L"mFIX_EXE_W10", L"exefile\\shell\\runasuser", L"Extended", SZ, L""},
    {L"mFIX_EXE_W10", L"exefile\\shell\\runasuser", L"SuppressionPolicyEx", SZ,
     L"{F211AA05-D4DF-4370-A2A0-9F19C09756A7}"},
    {L"mFIX_EXE_W10", L"exefile\\shell\\runasuser\\command", L"DelegateExecute", SZ,
     L"{ea72d00e-4960-42fa-ba92-7792a7944c1d}"},
    {L"mFIX_EXE_W10", L"exefile\\shellex\\ContextMenuHandlers", nullptr, SZ, L"Compatibility"},
    {L"mFIX_EXE_W10", L"exefile\\shellex\\ContextMenuHandlers\\Compatibility", nullptr, SZ,
     L"{1d27f844-3a1f-4410-85ac-14651078412d}"},
    {L"mFIX_EXE_W10", L"exefile\\shellex\\ContextMenuHandlers\\NvAppShExt", nullptr, SZ,
     L"{A929C4CE-FD36-4270-B4F5-34ECAC5BD63C}"},
    {L"mFIX_EXE_W10", L"exefile\\shellex\\ContextMenuHandlers\\OpenGLShExt", nullptr, SZ,
     L"{E97DEC16-A50D-49bb-AE24-CF682282E08D}"},
    {L"mFIX_EXE_W10", L"exefile\\shellex\\ContextMenuHandlers\\PintoStartScreen", nullptr, SZ,
     L"{470C0EBD-5D73-4d58-9CED-E91E22E23282}"},
    {L"mFIX_EXE_W10", L"exefile\\shellex\\DropHandler", nullptr, SZ, L"{86C86720-42A0-1069-A2E8-08002B30309D}"},
    {L"mFIX_EXE_W10", L"SystemFileAssociations\\.exe", L"InfoTip", SZ, kExeTip},
    {L"mFIX_EXE_W10", L"SystemFileAssociations\\.exe", L"TileInfo", SZ, kExeTip},
    // The per-user keys the CAB, MSC, REG and TXT scripts put back.
    {L"mFIX_CAB_W10", std::wstring(kExplorerExts) + L".cab\\OpenWithProgids", L"CABFolder", NONE, L""},
    {L"mFIX_MSC_W10", std::wstring(kExplorerExts) + L".msc\\OpenWithProgids", L"MSCFile", NONE, L""},
    {L"mFIX_REG_W10", std::wstring(kExplorerExts) + L".reg\\OpenWithProgids", L"regfile", NONE, L""},
    {L"mFIX_TXT_W10", std::wstring(kExplorerExts) + L".txt\\OpenWithProgids", L"txtfile", NONE, L""},
    {L"mFIX_REG_W10", std::wstring(kExplorerExts) + L".reg\\UserChoice", L"ProgId", SZ, L"regfile"},
    {L"mFIX_REG_W10", std::wstring(kRoamingExts) + L".reg\\UserChoice", L"ProgId", SZ, L"regfile"},
    {L"mFIX_TXT_W10", std::wstring(kExplorerExts) + L".txt\\UserChoice", L"ProgId", SZ, L"txtfile"},
    {L"mFIX_TXT_W10", std::wstring(kRoamingExts) + L".txt\\UserChoice", L"ProgId", SZ, L"txtfile"},
};

std::wstring hex_digits(const std::vector<std::uint8_t>& bytes) {
    static const wchar_t digits[] = L"0123456789abcdef";
    std::wstring out;
    for (auto b : bytes) {
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

const Value* find_value(const Section* section, const wchar_t* name) {
    if (section == nullptr) return nullptr;
    for (const auto& v : section->values)
        if (!v.deletion && (name == nullptr ? v.is_default : !v.is_default && v.name == name)) return &v;
    return nullptr;
}

TEST(StoredScripts, HoldTheValuesTheirTypesDependOn) {
    for (const auto& f : kValueFacts) {
        const std::wstring key = f.key.starts_with(L"HKEY_") ? f.key : hkcr(f.key);
        SCOPED_TRACE(to_utf8(std::wstring(f.memo) + L" " + key + L" " + (f.name ? f.name : L"@")));
        const Value* value = find_value(find_section_ignoring_case(stored(f.memo), key), f.name);
        ASSERT_NE(value, nullptr);
        EXPECT_EQ(value->type, f.type);
        if (f.type == SZ || f.type == EXPAND) {
            EXPECT_EQ(value->text(), f.text);
        } else {
            EXPECT_EQ(hex_digits(value->data), f.text);
        }
    }
}

TEST(StoredScripts, PerUserListsAndChoicesHaveTheirShape) {
    struct Row {
        const wchar_t* memo;
        const wchar_t* extension;
        std::vector<std::wstring> open_with_list; // value names, empty for an empty key
        bool user_choice;
    };
    const Row rows[] = {
        {L"mFIX_CAB_W10", L".cab", {}, false},
        {L"mFIX_MSC_W10", L".msc", {}, false},
        {L"mFIX_REG_W10", L".reg", {L"a", L"b", L"c", L"MRUList", L"d"}, true},
        {L"mFIX_TXT_W10", L".txt", {}, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(to_utf8(row.memo));
        const Script& script = stored(row.memo);
        const Section* list =
            find_section_ignoring_case(script, std::wstring(kExplorerExts) + row.extension + L"\\OpenWithList");
        ASSERT_NE(list, nullptr);
        std::vector<std::wstring> names;
        for (const auto& v : list->values)
            names.push_back(v.name);
        EXPECT_EQ(names, row.open_with_list);
        const Section* progids =
            find_section_ignoring_case(script, std::wstring(kExplorerExts) + row.extension + L"\\OpenWithProgids");
        ASSERT_NE(progids, nullptr);
        EXPECT_EQ(progids->values.size(), 1u);
        if (!row.user_choice) continue;
        for (const wchar_t* root : {kExplorerExts, kRoamingExts}) {
            const Section* choice =
                find_section_ignoring_case(script, std::wstring(root) + row.extension + L"\\UserChoice");
            ASSERT_NE(choice, nullptr) << to_utf8(root);
            EXPECT_EQ(choice->values.size(), 2u);
            const Value* hash = find_value(choice, L"Hash");
            ASSERT_NE(hash, nullptr);
            const std::wstring text = hash->text();
            EXPECT_EQ(text.size(), 12u) << to_utf8(text);
            EXPECT_TRUE(std::all_of(text.begin(), text.end(), [](wchar_t c) {
                return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9') || c == L'+' ||
                       c == L'/' || c == L'=';
            })) << to_utf8(text);
        }
    }
}

TEST(StoredScripts, DriveWritesEighteenExpandableDefaultValues) {
    int expandable = 0;
    for (const auto& s : stored(L"mFIX_DRIVE_W10").sections)
        for (const auto& v : s.values)
            if (v.is_default && v.type == ValueType::expand_sz) ++expandable;
    EXPECT_EQ(expandable, 18);
}

// ------------------------------------------------------- whole scripts

// Every line of the two short scripts; nullptr marks the free comment lines.
const wchar_t* const kScrLines[] = {
    LR"(Windows Registry Editor Version 5.00)",
    LR"()",
    nullptr,
    nullptr,
    nullptr,
    LR"()",
    LR"()",
    LR"([-HKEY_CLASSES_ROOT\.scr])",
    LR"()",
    LR"([HKEY_CLASSES_ROOT\.scr])",
    LR"(@="scrfile")",
    LR"()",
    LR"([-HKEY_CLASSES_ROOT\scrfile])",
    LR"()",
    LR"([HKEY_CLASSES_ROOT\scrfile])",
    LR"(@="Screen saver")",
    LR"("FriendlyTypeName"="@shell32,-10162")",
    LR"()",
    LR"([HKEY_CLASSES_ROOT\scrfile\shell\config])",
    LR"(@="C&onfigure")",
    LR"("MUIVerb"="@shell32.dll,-10209")",
    LR"()",
    LR"([HKEY_CLASSES_ROOT\scrfile\shell\config\command])",
    LR"(@="\"%1\"")",
    LR"()",
    LR"([HKEY_CLASSES_ROOT\scrfile\shell\install])",
    LR"(@="&Install")",
    LR"("MUIVerb"="@shell32.dll,-10210")",
    LR"()",
    LR"([HKEY_CLASSES_ROOT\scrfile\shell\install\command])",
    LR"(@="rundll32.exe desk.cpl,InstallScreenSaver %l")",
    LR"()",
    LR"([HKEY_CLASSES_ROOT\scrfile\shell\open])",
    LR"(@="T&est")",
    LR"()",
    LR"([HKEY_CLASSES_ROOT\scrfile\shell\open\command])",
    LR"(@="\"%1\" /S")",
    LR"()",
    LR"([HKEY_CLASSES_ROOT\scrfile\shellex\DropHandler])",
    LR"(@="{86C86720-42A0-1069-A2E8-08002B30309D}")",
    LR"()",
    LR"([-HKEY_CLASSES_ROOT\SystemFileAssociations\.scr])",
    LR"()",
    LR"([-HKEY_CURRENT_USER\SOFTWARE\Microsoft\Windows\CurrentVersion\Explorer\FileExts\.scr])",
    LR"()",
    LR"([-HKEY_CURRENT_USER\SOFTWARE\Microsoft\Windows\Roaming\OpenWith\FileExts\.scr])"};

const wchar_t* const kThemepackLines[] = {
    LR"(Windows Registry Editor Version 5.00)",
    LR"()",
    nullptr,
    nullptr,
    nullptr,
    LR"()",
    LR"()",
    LR"([-HKEY_CLASSES_ROOT\.themepack])",
    LR"()",
    LR"([HKEY_CLASSES_ROOT\.themepack])",
    LR"(@="themepackfile")",
    LR"()",
    LR"([-HKEY_CLASSES_ROOT\SystemFileAssociations\.themepack])",
    LR"()",
    LR"([-HKEY_CLASSES_ROOT\themepackfile])",
    LR"()",
    LR"([HKEY_CLASSES_ROOT\themepackfile])",
    LR"(@="Windows Theme Pack")",
    LR"("FriendlyTypeName"="@themeui.dll,-2685")",
    LR"()",
    LR"([HKEY_CLASSES_ROOT\themepackfile\DefaultIcon])",
    LR"(@=hex(2):25,00,53,00,79,00,73,00,74,00,65,00,6d,00,52,00,6f,00,6f,00,74,00,25,\)",
    LR"(  00,5c,00,73,00,79,00,73,00,74,00,65,00,6d,00,33,00,32,00,5c,00,74,00,68,00,\)",
    LR"(  65,00,6d,00,65,00,75,00,69,00,2e,00,64,00,6c,00,6c,00,2c,00,2d,00,37,00,30,\)",
    LR"(  00,34,00,00,00)",
    LR"()",
    LR"([HKEY_CLASSES_ROOT\themepackfile\shell\open\command])",
    LR"(@=hex(2):25,00,53,00,79,00,73,00,74,00,65,00,6d,00,52,00,6f,00,6f,00,74,00,25,\)",
    LR"(  00,5c,00,73,00,79,00,73,00,74,00,65,00,6d,00,33,00,32,00,5c,00,72,00,75,00,\)",
    LR"(  6e,00,64,00,6c,00,6c,00,33,00,32,00,2e,00,65,00,78,00,65,00,20,00,25,00,53,\)",
    LR"(  00,79,00,73,00,74,00,65,00,6d,00,52,00,6f,00,6f,00,74,00,25,00,5c,00,73,00,\)",
    LR"(  79,00,73,00,74,00,65,00,6d,00,33,00,32,00,5c,00,74,00,68,00,65,00,6d,00,65,\)",
    LR"(  00,63,00,70,00,6c,00,2e,00,64,00,6c,00,6c,00,2c,00,4f,00,70,00,65,00,6e,00,\)",
    LR"(  54,00,68,00,65,00,6d,00,65,00,41,00,63,00,74,00,69,00,6f,00,6e,00,20,00,25,\)",
    LR"(  00,31,00,00,00)",
    LR"()",
    LR"([-HKEY_CURRENT_USER\SOFTWARE\Microsoft\Windows\CurrentVersion\Explorer\FileExts\.themepack])",
    LR"()",
    LR"([-HKEY_CURRENT_USER\SOFTWARE\Microsoft\Windows\Roaming\OpenWith\FileExts\.themepack])"};

template <std::size_t N> void expect_lines(const wchar_t* memo, const wchar_t* const (&want)[N]) {
    SCOPED_TRACE(to_utf8(memo));
    const Lines& lines = stored_lines(memo);
    ASSERT_EQ(lines.size(), N);
    for (std::size_t i = 0; i < N; ++i) {
        if (want[i] != nullptr) {
            EXPECT_EQ(lines[i], want[i]) << "line " << i + 1;
        }
    }
}

TEST(StoredScripts, ScreenSaverAndThemePackScriptsAreExact) {
    expect_lines(L"mFIX_SCR_W10", kScrLines);
    expect_lines(L"mFIX_THEMEPACK_W10", kThemepackLines);
}

std::wstring replace_all(std::wstring text, const std::wstring& from, const std::wstring& to) {
    for (std::size_t at = text.find(from); at != std::wstring::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

TEST(StoredScripts, ImageAndVirtualDiskPairsDifferOnlyInTheExtension) {
    struct Pair {
        const wchar_t* a;
        const wchar_t* b;
        const wchar_t* a_ext;
        const wchar_t* b_ext;
    };
    const Pair pairs[] = {
        {L"mFIX_IMG_W10", L"mFIX_ISO_W10", L".img", L".iso"},
        {L"mFIX_VHD_W10", L"mFIX_VHDX_W10", L".vhd]", L".vhdx]"},
    };
    for (const auto& p : pairs) {
        SCOPED_TRACE(to_utf8(p.a));
        const Lines& a = stored_lines(p.a);
        const Lines& b = stored_lines(p.b);
        ASSERT_EQ(a.size(), b.size());
        int differing = 0;
        for (std::size_t i = 0; i < a.size(); ++i) {
            if (a[i].starts_with(L";")) continue;
            if (a[i] != b[i]) ++differing;
            EXPECT_EQ(replace_all(a[i], p.a_ext, p.b_ext), b[i]) << "line " << i + 1;
        }
        EXPECT_GT(differing, 0);
    }
}

TEST(StoredScripts, ShortcutScriptEndsByDeletingTheOverlayIconOverride) {
    const Script& script = stored(L"mFIX_LNK_W10");
    ASSERT_FALSE(script.sections.empty());
    const Section& last = script.sections.back();
    EXPECT_FALSE(last.deletion);
    EXPECT_EQ(last.full_path(),
              LR"(HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Explorer\Shell Icons)");
    ASSERT_EQ(last.values.size(), 1u);
    EXPECT_TRUE(last.values[0].deletion);
    EXPECT_EQ(last.values[0].name, L"29");
    // The classes that draw the shortcut arrow are marked with an empty "IsShortcut".
    for (const wchar_t* key : {L"Application.Reference", L"IE.AssocFile.URL", L"IE.AssocFile.WEBSITE",
                               L"InternetShortcut", L"Microsoft.Website", L"piffile", L"WSHFile", L"lnkfile"}) {
        const Section* section = find_section(script, hkcr(key));
        ASSERT_NE(section, nullptr) << to_utf8(key);
        const auto marked = std::find_if(section->values.begin(), section->values.end(), [](const Value& v) {
            return v.name == L"IsShortcut" && v.type == ValueType::sz && v.text().empty();
        });
        EXPECT_NE(marked, section->values.end()) << to_utf8(key);
    }
}

TEST(StoredScripts, LineKindsAddUpOverAllScripts) {
    LineCounts all;
    for (const wchar_t* memo : kAllScripts)
        all += stored(memo).counts;
    // Each kind on its own, so a failure names the kind that is off.
    // With FOLDER's known-folder definitions as far as they are established
    // (see its row above); the other 25 scripts are complete.
    LineCounts expected;
    expected.total = 2890;
    expected.header = 26;
    expected.comment = 78;
    expected.blank = 671;
    expected.key = 494;
    expected.key_deletion = 125;
    expected.default_sz = 183;
    expected.default_expand = 79;
    expected.named_sz = 533;
    expected.named_dword = 305;
    expected.named_expand = 36;
    expected.named_binary = 13;
    expected.named_none = 4;
    expected.value_deletion = 1;
    expected.continuation = 342;
    expected.escaped_backslash = 69;
    expected.escaped_quote = 15;
    EXPECT_EQ(all.total, expected.total);
    EXPECT_EQ(all.header, expected.header);
    EXPECT_EQ(all.comment, expected.comment);
    EXPECT_EQ(all.blank, expected.blank);
    EXPECT_EQ(all.key, expected.key);
    EXPECT_EQ(all.key_deletion, expected.key_deletion);
    EXPECT_EQ(all.default_sz, expected.default_sz);
    EXPECT_EQ(all.default_expand, expected.default_expand);
    EXPECT_EQ(all.named_sz, expected.named_sz);
    EXPECT_EQ(all.named_dword, expected.named_dword);
    EXPECT_EQ(all.named_expand, expected.named_expand);
    EXPECT_EQ(all.named_binary, expected.named_binary);
    EXPECT_EQ(all.named_none, expected.named_none);
    EXPECT_EQ(all.value_deletion, expected.value_deletion);
    EXPECT_EQ(all.continuation, expected.continuation);
    EXPECT_EQ(all.escaped_backslash, expected.escaped_backslash);
    EXPECT_EQ(all.escaped_quote, expected.escaped_quote);
}

} // namespace
} // namespace vx::regscript
