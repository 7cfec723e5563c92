// The File Associations Fixer through the real program: a row's "FIX" button
// writes the row's script to the temporary folder, has the system's reg.exe
// import it and reports the outcome. The program runs with a temporary folder
// whose name holds a blank, with stand-in programs planted where a careless
// lookup would find them: a reg.exe beside Vantrix.exe and in the current
// folder, and "Ann.exe" where a blank-split "C:\...\Ann Lee\Temp" path would
// point. Every key the repairs touch is saved first and put back afterwards.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "app/components.h"
#include "services/staging.h"
#include "tests/e2e/driver.h"
#include "tests/e2e/registry_snapshot.h"

namespace vx::e2e {
namespace {

using namespace main_ids;

constexpr wchar_t kFileExts[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\";
constexpr wchar_t kRoamingFileExts[] = L"Software\\Microsoft\\Windows\\Roaming\\OpenWith\\FileExts\\";
constexpr wchar_t kPlantedVerb[] = L"vantrixverb";
constexpr wchar_t kPlantedCommand[] = L"C:\\planted.exe \"%1\"";
// What a leftover script from an earlier run would write if it were imported
// instead of the fresh one.
constexpr wchar_t kLeftoverKey[] = L"Software\\VantrixLeftover";
constexpr char kLeftoverScript[] = "Windows Registry Editor Version 5.00\r\n\r\n"
                                   "[HKEY_CURRENT_USER\\Software\\VantrixLeftover]\r\n"
                                   "\"imported\"=\"the old file\"\r\n";

bool exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool write_file(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok =
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written == bytes.size();
    CloseHandle(file);
    return ok;
}

// ---------------------------------------------------------------- registry

// A REG_SZ as the registry holds it: UTF-16LE with its terminating zero.
Value sz(const std::wstring& text) {
    const auto* bytes = reinterpret_cast<const BYTE*>(text.c_str());
    return {REG_SZ, std::vector<BYTE>(bytes, bytes + (text.size() + 1) * sizeof(wchar_t))};
}

// A hex(2) value of the stored scripts as the registry holds it after the
// import. Windows stores the listed bytes: the UTF-16LE text with its zero.
// Wine's reg.exe reads the bytes of a hex(2) list in a file without the FF FE
// mark as ANSI text and stores each byte as one character, adding no zero, so
// "%S" (25,00,53,00) becomes "%", NUL, "S", NUL. The scripts are ASCII, so
// each byte is its own character.
Value imported_expand_sz(const std::wstring& text) {
    Value windows = sz(text);
    if (!running_on_wine()) return {REG_EXPAND_SZ, windows.data};
    Value wine{REG_EXPAND_SZ, {}};
    for (BYTE b : windows.data) {
        wine.data.push_back(b);
        wine.data.push_back(0);
    }
    return wine;
}

// ---------------------------------------------------------------- the program

// A copy of the stand-in child program; started under this name it leaves
// "<path>.ran" behind. Removed again, with its marker, when it goes.
class PlantedProgram {
public:
    explicit PlantedProgram(std::wstring path) : path_(std::move(path)) {
        DeleteFileW(marker().c_str());
        planted_ = CopyFileW((test_folder() + L"\\vx_child.exe").c_str(), path_.c_str(), FALSE) != 0;
    }
    ~PlantedProgram() {
        DeleteFileW(path_.c_str());
        DeleteFileW(marker().c_str());
    }
    PlantedProgram(const PlantedProgram&) = delete;
    PlantedProgram& operator=(const PlantedProgram&) = delete;
    bool planted() const { return planted_; }
    bool ran() const { return exists(marker()); }
    const std::wstring& path() const { return path_; }

private:
    std::wstring marker() const { return path_ + L".ran"; }
    std::wstring path_;
    bool planted_ = false;
};

std::wstring folder_of(const std::wstring& path) {
    return path.substr(0, path.find_last_of(L'\\'));
}

// The scratch folder on the system drive's root: "C:\vx-assoc-<id>", holding
// the temporary folder "Ann Lee\Temp".
std::wstring scratch_root() {
    wchar_t windows[MAX_PATH];
    GetWindowsDirectoryW(windows, MAX_PATH);
    return std::wstring(windows, 3) + L"vx-assoc-" + std::to_wstring(GetCurrentProcessId());
}

class FileAssociations : public ::testing::Test {
protected:
    void SetUp() override {
        CreateDirectoryW((scratch + L"\\Ann Lee").c_str(), nullptr);
        ASSERT_TRUE(CreateDirectoryW(temp.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
        for (const auto* program : {&beside_program, &in_current_folder, &at_the_blank})
            ASSERT_TRUE(program->planted()) << to_narrow(program->path());
        saved.save(HKEY_CURRENT_USER, kLeftoverKey);

        app = App::launch(launch_options());
        main = app.main_window();
        ASSERT_NE(main, nullptr) << "no main window";
        ASSERT_FALSE(wait_message_box(app.id(), 300));
        ASSERT_TRUE(select_file_associations());
    }
    void TearDown() override {
        app.terminate();
        saved.restore();
        for (const wchar_t* name : {L"TXT.reg", L"DIR.reg", L"DIRECTORY.reg", L"EXE.reg"})
            DeleteFileW((temp + L"\\" + name).c_str());
        RemoveDirectoryW(temp.c_str());
        RemoveDirectoryW((scratch + L"\\Ann Lee").c_str());
    }
    bool select_file_associations() { return select_page(main, 1); }
    // Started from the scratch folder, which holds a planted reg.exe.
    virtual App::Options launch_options() const { return {{}, {{L"TEMP", temp}}, scratch}; }

    // Scrolls the row's button into view, clicks it and answers the box that
    // follows with OK, checking first that the row's script file is already
    // gone while the box shows.
    MessageBoxInfo fix(int button_id, const std::wstring& script_file) {
        HWND box = find_control(main, ScrollBox2);
        HWND button = find_control(main, button_id);
        EXPECT_NE(button, nullptr);
        EXPECT_TRUE(scroll_into_view(button, box));
        EXPECT_TRUE(IsWindowVisible(button) && IsWindowEnabled(button));
        EXPECT_EQ(window_text(button), L"FIX");
        click(button);
        auto shown = wait_message_box(app.id(), 60000);
        if (!shown) {
            ADD_FAILURE() << "no message box after the click";
            return {};
        }
        EXPECT_FALSE(exists(temp + L"\\" + script_file)) << "the script is still there while the box shows";
        answer(*shown, IDOK);
        EXPECT_FALSE(wait_message_box(app.id(), 300)) << "a second box";
        return *shown;
    }

    // After the import the program compares the registry with the script.
    // On Windows that ends in "Done!". Wine's reg.exe stores the hex(2)
    // values of the ANSI script as converted ANSI text (see
    // imported_expand_sz), so there the check rightly names those values,
    // and only those, in an error box.
    static void expect_done(const MessageBoxInfo& box) {
        if (running_on_wine()) {
            EXPECT_EQ(box.icon, IconKind::error) << icon_name(box.icon);
            const auto lines = split_box_lines(box.text);
            ASSERT_GE(lines.size(), 2u) << to_narrow(box.text);
            EXPECT_TRUE(lines[0].starts_with(L"Error!")) << to_narrow(box.text);
            for (std::size_t i = 1; i < lines.size(); ++i)
                EXPECT_TRUE((lines[i].starts_with(L"value ") && lines[i].ends_with(L" changed")) ||
                            lines[i].starts_with(L"... and "))
                    << to_narrow(lines[i]);
            return;
        }
        EXPECT_EQ(box.text, L"Done!");
        EXPECT_EQ(box.caption, L"Vantrix");
        EXPECT_EQ(box.icon, IconKind::information) << icon_name(box.icon);
        ASSERT_EQ(box.buttons.size(), 1u);
        EXPECT_EQ(box.buttons[0].first, IDOK);
    }

    void expect_no_planted_program_ran() const {
        EXPECT_FALSE(beside_program.ran()) << "the reg.exe beside Vantrix.exe ran";
        EXPECT_FALSE(in_current_folder.ran()) << "the reg.exe in the current folder ran";
        EXPECT_FALSE(at_the_blank.ran()) << "the program at the blank of the temporary path ran";
    }

    // A leftover script of the same name lies in the temporary folder before
    // the click.
    void plant_leftover(const std::wstring& script_file) {
        ASSERT_TRUE(write_file(temp + L"\\" + script_file, kLeftoverScript));
    }
    void expect_leftover_not_imported() const {
        EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, kLeftoverKey)) << "the old script was imported";
    }

    const std::wstring scratch = scratch_root();
    const std::wstring temp = scratch + L"\\Ann Lee\\Temp";
    // Made before the programs planted in it and removed after them.
    struct Folder {
        explicit Folder(std::wstring where) : path(std::move(where)) { CreateDirectoryW(path.c_str(), nullptr); }
        ~Folder() { RemoveDirectoryW(path.c_str()); }
        std::wstring path;
    } scratch_folder{scratch};
    PlantedProgram beside_program{folder_of(vantrix_exe()) + L"\\reg.exe"};
    PlantedProgram in_current_folder{scratch + L"\\reg.exe"};
    PlantedProgram at_the_blank{scratch + L"\\Ann.exe"};
    SavedKeys saved;
    App app;
    HWND main = nullptr;
};

TEST_F(FileAssociations, TxtRebuildsTextFilesRemovingAPlantedVerbAndTheUsersChoice) {
    for (const std::wstring& key :
         {std::wstring(L".txt"), std::wstring(L"txtfile"), std::wstring(L"SystemFileAssociations\\.txt")})
        saved.save(HKEY_CLASSES_ROOT, key);
    saved.save(HKEY_CURRENT_USER, std::wstring(kFileExts) + L".txt");
    saved.save(HKEY_CURRENT_USER, std::wstring(kRoamingFileExts) + L".txt");

    // What malware or another program left: an extra verb, a damaged open
    // command and the user's choice of another program.
    write_value(HKEY_CLASSES_ROOT, std::wstring(L"txtfile\\shell\\") + kPlantedVerb + L"\\command", L"",
                sz(kPlantedCommand));
    write_value(HKEY_CLASSES_ROOT, L"txtfile\\shell\\open\\command", L"", sz(L"C:\\planted.exe"));
    write_value(HKEY_CURRENT_USER, std::wstring(kFileExts) + L".txt\\UserChoice", L"ProgId", sz(L"planted"));
    plant_leftover(L"TXT.reg");

    expect_done(fix(btnFIXTXTFILE, L"TXT.reg"));

    EXPECT_FALSE(exists(temp + L"\\TXT.reg"));
    expect_leftover_not_imported();
    expect_no_planted_program_ran();
    EXPECT_EQ(read_value(HKEY_CLASSES_ROOT, L".txt", L""), sz(L"txtfile"));
    EXPECT_EQ(read_value(HKEY_CLASSES_ROOT, L"txtfile\\shell\\open\\command", L""),
              imported_expand_sz(L"%SystemRoot%\\system32\\NOTEPAD.EXE %1"));
    EXPECT_FALSE(key_exists(HKEY_CLASSES_ROOT, std::wstring(L"txtfile\\shell\\") + kPlantedVerb));
    EXPECT_EQ(read_value(HKEY_CURRENT_USER, std::wstring(kFileExts) + L".txt\\UserChoice", L"ProgId"), sz(L"txtfile"));
}

// Started from an elevated Command Prompt, the program's current folder is the
// system folder, and a folder the user can write to is on PATH with a reg.exe
// in it: the lookup must neither leave the system folder out nor fall back on
// PATH.
class FileAssociationsFromTheSystemFolder : public FileAssociations {
protected:
    App::Options launch_options() const override {
        wchar_t system[MAX_PATH];
        GetSystemDirectoryW(system, MAX_PATH);
        std::wstring path(32767, L'\0');
        path.resize(GetEnvironmentVariableW(L"PATH", path.data(), static_cast<DWORD>(path.size())));
        // The scratch folder, with its planted reg.exe, goes on PATH.
        return {{}, {{L"TEMP", temp}, {L"PATH", path + L";" + scratch}}, system};
    }
};

TEST_F(FileAssociationsFromTheSystemFolder, TxtImportsWithTheSystemsRegExeNotTheOneOnPath) {
    for (const std::wstring& key : {std::wstring(L".txt"), std::wstring(L"txtfile")})
        saved.save(HKEY_CLASSES_ROOT, key);
    saved.save(HKEY_CURRENT_USER, std::wstring(kFileExts) + L".txt");
    saved.save(HKEY_CURRENT_USER, std::wstring(kRoamingFileExts) + L".txt");
    write_value(HKEY_CLASSES_ROOT, L"txtfile\\shell\\open\\command", L"", sz(L"C:\\planted.exe"));

    expect_done(fix(btnFIXTXTFILE, L"TXT.reg"));

    EXPECT_FALSE(in_current_folder.ran()) << "the reg.exe on PATH ran";
    expect_no_planted_program_ran();
    EXPECT_EQ(read_value(HKEY_CLASSES_ROOT, L"txtfile\\shell\\open\\command", L""),
              imported_expand_sz(L"%SystemRoot%\\system32\\NOTEPAD.EXE %1"));
}

// A copy of the stand-in child program as the system's reg.exe, put back as
// it was when the test ends. Started with VX_CHILD_EXIT=0 it ends with 0
// having imported nothing.
class PlantedSystemRegExe {
public:
    PlantedSystemRegExe() {
        wchar_t system[MAX_PATH];
        GetSystemDirectoryW(system, MAX_PATH);
        path_ = std::wstring(system) + L"\\reg.exe";
        backup_ = path_ + L".vantrix-test-backup";
        had_original_ = MoveFileExW(path_.c_str(), backup_.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
        planted_ = CopyFileW((test_folder() + L"\\vx_child.exe").c_str(), path_.c_str(), FALSE) != 0;
        // Wine runs its own built-in reg.exe unless the prefix says to load
        // the file in the system folder; Windows runs the file as it is.
        const std::wstring native = L"native";
        RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Wine\\DllOverrides", L"reg.exe", REG_SZ, native.c_str(),
                        static_cast<DWORD>((native.size() + 1) * sizeof(wchar_t)));
    }
    ~PlantedSystemRegExe() {
        RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Software\\Wine\\DllOverrides", L"reg.exe");
        DeleteFileW(path_.c_str());
        DeleteFileW((path_ + L".ran").c_str());
        if (had_original_) MoveFileExW(backup_.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    PlantedSystemRegExe(const PlantedSystemRegExe&) = delete;
    PlantedSystemRegExe& operator=(const PlantedSystemRegExe&) = delete;
    bool planted() const { return planted_; }
    bool ran() const { return GetFileAttributesW((path_ + L".ran").c_str()) != INVALID_FILE_ATTRIBUTES; }

private:
    std::wstring path_, backup_;
    bool had_original_ = false, planted_ = false;
};

class FileAssociationsWithAnIdleRegExe : public FileAssociations {
protected:
    App::Options launch_options() const override { return {{}, {{L"TEMP", temp}, {L"VX_CHILD_EXIT", L"0"}}, scratch}; }
    PlantedSystemRegExe reg_exe;
};

// reg.exe ends with 0 and writes nothing: the program looks at the registry
// and names what still differs instead of saying "Done!".
TEST_F(FileAssociationsWithAnIdleRegExe, AFixThatChangedNothingEndsInAnErrorNamingWhatDiffers) {
    ASSERT_TRUE(reg_exe.planted());
    saved.save(HKEY_CLASSES_ROOT, L"txtfile");
    write_value(HKEY_CLASSES_ROOT, L"txtfile\\shell\\open\\command", L"", sz(L"C:\\planted.exe"));

    const MessageBoxInfo box = fix(btnFIXTXTFILE, L"TXT.reg");

    EXPECT_TRUE(reg_exe.ran());
    EXPECT_EQ(box.icon, IconKind::error) << icon_name(box.icon);
    EXPECT_NE(box.text, L"Done!");
    EXPECT_TRUE(box.text.starts_with(L"Error!")) << to_narrow(box.text);
    EXPECT_NE(box.text.find(L"value (Default) of HKEY_CLASSES_ROOT\\txtfile\\shell\\open\\command"), std::wstring::npos)
        << to_narrow(box.text);
    EXPECT_EQ(read_value(HKEY_CLASSES_ROOT, L"txtfile\\shell\\open\\command", L""), sz(L"C:\\planted.exe"));
}

// Without TEMP the script has nowhere safe to go: the import refuses and says
// why, rather than write the script into the root of the current drive.
class FileAssociationsWithoutTemp : public FileAssociations {
protected:
    // An empty value starts the program without the variable.
    App::Options launch_options() const override { return {{}, {{L"TEMP", L""}}, scratch}; }
};

TEST_F(FileAssociationsWithoutTemp, TheImportRefusesSayingTempIsNotSetAndWritesNothing) {
    const std::wstring in_root = scratch.substr(0, 3) + L"TXT.reg";
    const MessageBoxInfo box = fix(btnFIXTXTFILE, L"TXT.reg");
    EXPECT_EQ(box.text, kTempNotSet);
    EXPECT_EQ(box.icon, IconKind::error) << icon_name(box.icon);
    EXPECT_FALSE(exists(in_root));
    DeleteFileW(in_root.c_str());
}

TEST_F(FileAssociations, DirectoryRewritesTheClassThroughDirRegAndKeepsOtherVerbs) {
    saved.save(HKEY_CLASSES_ROOT, L"Directory");
    saved.save(HKEY_CLASSES_ROOT, L"SystemFileAssociations\\Directory");
    saved.save(HKEY_CURRENT_USER, std::wstring(kFileExts) + L"Directory");
    saved.save(HKEY_CURRENT_USER, std::wstring(kRoamingFileExts) + L"Directory");

    // The class key is rewritten, not deleted: a verb another program added
    // stays. The system file association below it is deleted.
    const std::wstring verb = std::wstring(L"Directory\\shell\\") + kPlantedVerb + L"\\command";
    write_value(HKEY_CLASSES_ROOT, verb, L"", sz(kPlantedCommand));
    write_value(HKEY_CLASSES_ROOT, L"SystemFileAssociations\\Directory", L"VantrixPlanted", sz(L"planted"));
    plant_leftover(L"DIR.reg");

    expect_done(fix(btnFIXDIR, L"DIR.reg"));

    EXPECT_FALSE(exists(temp + L"\\DIR.reg"));
    EXPECT_FALSE(exists(temp + L"\\DIRECTORY.reg"));
    expect_leftover_not_imported();
    expect_no_planted_program_ran();
    EXPECT_EQ(read_value(HKEY_CLASSES_ROOT, L"Directory", L""), sz(L"File Folder"));
    EXPECT_EQ(read_value(HKEY_CLASSES_ROOT, L"Directory\\DefaultIcon", L""),
              imported_expand_sz(L"%SystemRoot%\\System32\\shell32.dll,3"));
    EXPECT_EQ(read_value(HKEY_CLASSES_ROOT, L"Directory\\Background\\shellex\\ContextMenuHandlers\\ FileSyncEx", L""),
              sz(L"{CB3D0F55-BC2C-4C1A-85ED-23ED75B5106B}"))
        << "the key whose name starts with a blank";
    EXPECT_EQ(read_value(HKEY_CLASSES_ROOT, verb, L""), sz(kPlantedCommand));
    EXPECT_FALSE(key_exists(HKEY_CLASSES_ROOT, L"SystemFileAssociations\\Directory"));
}

TEST_F(FileAssociations, ExeWritesItsKeysThenImportsEvenWithTheOpenCommandMissing) {
    for (const std::wstring& key :
         {std::wstring(L".exe"), std::wstring(L"exefile"), std::wstring(L"SystemFileAssociations\\.exe")})
        saved.save(HKEY_CLASSES_ROOT, key);
    saved.save(HKEY_CURRENT_USER, std::wstring(kFileExts) + L".exe");
    saved.save(HKEY_CURRENT_USER, std::wstring(kRoamingFileExts) + L".exe");

    delete_tree(HKEY_CLASSES_ROOT, L"exefile\\shell\\open\\command");
    write_value(HKEY_CLASSES_ROOT, std::wstring(L"exefile\\shell\\") + kPlantedVerb + L"\\command", L"",
                sz(kPlantedCommand));
    write_value(HKEY_CURRENT_USER, std::wstring(kFileExts) + L".exe\\UserChoice", L"ProgId", sz(L"planted"));

    expect_done(fix(btnFIXEXEFILE, L"EXE.reg"));

    EXPECT_FALSE(exists(temp + L"\\EXE.reg"));
    expect_no_planted_program_ran();
    EXPECT_EQ(read_value(HKEY_CLASSES_ROOT, L".exe", L""), sz(L"exefile"));
    for (const wchar_t* name : {L"", L"IsolatedCommand"})
        EXPECT_EQ(read_value(HKEY_CLASSES_ROOT, L"exefile\\shell\\open\\command", name), sz(L"\"%1\" %*"))
            << to_narrow(name);
    EXPECT_FALSE(key_exists(HKEY_CLASSES_ROOT, std::wstring(L"exefile\\shell\\") + kPlantedVerb));
    // The direct repair only opens the per-user key; the script then deletes it
    // with the user's choice in it.
    EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, std::wstring(kFileExts) + L".exe"));
}

} // namespace
} // namespace vx::e2e
