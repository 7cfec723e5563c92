#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "fixers/assoc/assoc_catalogue.h"
#include "fixers/assoc/script_import.h"
#include "tests/fakes/fake_system.h"

namespace vx {
namespace {

using test::FakeSystem;
using Box = test::ScriptedUi::Box;
using Call = test::RecordingRunner::Call;

const Box kDone{L"Done!", L"Vantrix", 0x40};
const Box kError{L"Error!", L"Vantrix", 0x10};

constexpr wchar_t kTemp[] = L"C:\\Users\\Ann Lee\\AppData\\Local\\Temp";
constexpr wchar_t kTxtScript[] = L"C:\\Users\\Ann Lee\\AppData\\Local\\Temp\\TXT.reg";

// A system with its temporary folder and the Registry Editor in place.
struct ImportSystem : FakeSystem {
    ImportSystem() {
        files.add_directory(kTemp);
        files.add_file(L"C:\\Windows\\regedit.exe", "MZ");
    }
};

// The stored file's bytes as they lie in the source tree: CR LF after every
// line, the last one too.
std::string stored_bytes(const std::wstring& memo) {
    std::ifstream in(test::DiskTextStore::default_folder() / (memo + L".reg"), std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

TEST(ScriptImport, RunsTheSystemRegWithTheQuotedPathWhileTheExactScriptIsOnDisk) {
    ImportSystem s;
    const auto script = s.texts.lines(L"mFIX_TXT_W10");
    std::optional<std::string> during;
    s.runner.on_run = [&](const std::wstring&) { during = s.files.content(kTxtScript); };

    import_registry_script(s.services, script, L"TXT");

    // The temporary folder holds a blank: the path must reach reg.exe as one argument.
    const std::wstring expected = L"reg.exe import \"C:\\Users\\Ann Lee\\AppData\\Local\\Temp\\TXT.reg\"";
    EXPECT_EQ(s.runner.calls(), (std::vector<Call>{{expected, 0, true}}));
    ASSERT_TRUE(during.has_value());
    const std::string bytes = *during;
    EXPECT_EQ(bytes, stored_bytes(L"mFIX_TXT_W10"));
    EXPECT_TRUE(bytes.starts_with("Windows Registry Editor Version 5.00\r\n")) << "no byte-order mark";
    EXPECT_TRUE(bytes.ends_with("\r\n"));
    std::size_t line_ends = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\n') continue;
        EXPECT_TRUE(i > 0 && bytes[i - 1] == '\r') << "bare line feed at byte " << i;
        ++line_ends;
    }
    EXPECT_EQ(line_ends, script.size());
    EXPECT_FALSE(s.files.file_exists(kTxtScript));
    EXPECT_EQ(s.ui.boxes, std::vector<Box>{kDone});
}

TEST(ScriptImport, ALeftoverScriptIsReplacedAndThenDeleted) {
    ImportSystem s;
    s.files.add_file(kTxtScript, "Windows Registry Editor Version 5.00\r\n\r\n[-HKEY_CLASSES_ROOT\\.txt]\r\n");
    std::optional<std::string> during;
    s.runner.on_run = [&](const std::wstring&) { during = s.files.content(kTxtScript); };

    import_registry_script(s.services, s.texts.lines(L"mFIX_TXT_W10"), L"TXT");

    EXPECT_EQ(during, stored_bytes(L"mFIX_TXT_W10"));
    EXPECT_FALSE(s.files.file_exists(kTxtScript));
    EXPECT_EQ(s.ui.boxes, std::vector<Box>{kDone});
}

TEST(ScriptImport, TheFileIsGoneByTheTimeTheMessageShows) {
    ImportSystem s;
    std::vector<bool> file_there;
    s.ui.on_box = [&](const Box&) { file_there.push_back(s.files.file_exists(kTxtScript)); };
    import_registry_script(s.services, s.texts.lines(L"mFIX_TXT_W10"), L"TXT");
    s.runner.exit_code(L"reg.exe", 1);
    import_registry_script(s.services, s.texts.lines(L"mFIX_TXT_W10"), L"TXT");
    EXPECT_EQ(file_there, (std::vector<bool>{false, false}));
}

// Every way the import can fail ends in "Error!", never "Done!", and leaves no
// temporary script behind.
TEST(ScriptImport, FailuresShowErrorAndLeaveNoFile) {
    struct Case {
        const char* what;
        void (*arrange)(ImportSystem&);
        bool reg_runs;
        bool leftover_stays = false; // a read-only leftover cannot be deleted by anyone
    };
    const Case cases[] = {
        {"reg.exe cannot be started", [](ImportSystem& s) { s.runner.missing(L"reg.exe"); }, true},
        {"reg.exe rejects the file", [](ImportSystem& s) { s.runner.exit_code(L"reg.exe", 1); }, true},
        {"reg.exe fails on a key", [](ImportSystem& s) { s.runner.exit_code(L"reg.exe", 5); }, true},
        {"no Registry Editor in the Windows folder", [](ImportSystem& s) { s.folders.windows = L"D:\\Win"; }, false},
        {"temporary folder not writable", [](ImportSystem& s) { s.files.deny_create_in(kTemp); }, false},
        {"temporary folder missing",
         [](ImportSystem& s) { s.services.temp_path = L"C:\\Users\\Ann Lee\\AppData\\Local\\Gone\\"; }, false},
        {"old script cannot be replaced",
         [](ImportSystem& s) { s.files.add_file(kTxtScript, "locked", /*read_only=*/true); }, false, true},
        // A path too long for a command line: the runner refuses the line after the file is written.
        {"command line too long",
         [](ImportSystem& s) {
             const std::wstring deep = std::wstring(kTemp) + L"\\" + std::wstring(500, L'x');
             s.files.add_directory(deep);
             s.services.temp_path = deep + L"\\";
         },
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ImportSystem s;
        c.arrange(s);
        import_registry_script(s.services, s.texts.lines(L"mFIX_TXT_W10"), L"TXT");
        EXPECT_EQ(s.ui.boxes, std::vector<Box>{kError});
        EXPECT_EQ(s.runner.calls().size(), c.reg_runs ? 1u : 0u);
        const auto left = s.files.content(s.services.temp_path + L"TXT.reg");
        EXPECT_EQ(left, c.leftover_stays ? std::optional<std::string>("locked") : std::nullopt);
    }
}

TEST(ScriptImport, TheDirectoryRowUsesDirReg) {
    ImportSystem s;
    const AssociationEntry& directory = kAssociations[24];
    ASSERT_STREQ(directory.type_name, L"DIRECTORY");
    std::wstring seen;
    s.runner.on_run = [&](const std::wstring&) {
        const auto content = s.files.content(std::wstring(kTemp) + L"\\DIR.reg");
        if (content == stored_bytes(L"mFIX_DIRECTORY_W10")) seen = L"DIR.reg";
        if (s.files.file_exists(std::wstring(kTemp) + L"\\DIRECTORY.reg")) seen = L"DIRECTORY.reg";
    };
    repair_association(s.services, directory);
    EXPECT_EQ(seen, L"DIR.reg");
    EXPECT_EQ(s.runner.lines(),
              std::vector<std::wstring>{L"reg.exe import \"C:\\Users\\Ann Lee\\AppData\\Local\\Temp\\DIR.reg\""});
    EXPECT_FALSE(s.files.file_exists(std::wstring(kTemp) + L"\\DIR.reg"));
    EXPECT_EQ(s.ui.boxes, std::vector<Box>{kDone});
    // Only the direct EXE repair writes the registry itself: everything
    // else comes from reg.exe importing the script.
    test::FakeRegistry imported;
    test::import_into(imported, s.texts.lines(L"mFIX_DIRECTORY_W10"));
    EXPECT_TRUE(s.registry == imported);
}

} // namespace
} // namespace vx
