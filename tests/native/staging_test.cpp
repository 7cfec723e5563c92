// Files staged for another program need TEMP: without it nothing is written
// (a bare name would land in the root of the current drive) and the user is
// told why.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <vector>

#include "fixers/advanced/file_repairs.h"
#include "fixers/assoc/script_import.h"
#include "services/error.h"
#include "services/explorer_restarter.h"
#include "services/staging.h"
#include "tests/fakes/fake_system.h"

namespace vx {
namespace {

TEST(Staging, WithoutTempNothingIsStagedOrRunAndTheErrorSaysTempIsNotSet) {
    const struct {
        const char* what;
        std::function<void(Services&)> stage;
        const wchar_t* file;
    } cases[] = {
        {"script import",
         [](Services& s) { import_registry_script(s, {L"Windows Registry Editor Version 5.00"}, L"TXT"); }, L"TXT.reg"},
        {"folder-view batch", [](Services& s) { reset_folder_view_settings(s); }, L"tempbat.bat"},
        {"Explorer restarter",
         [](Services& s) {
             restart_explorer(s, {'M', 'Z'});
         },
         L"RestartExp.exe"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::FakeSystem sys;
        sys.folders.temp.clear();
        sys.services.temp_path.clear();
        // The root of the current drive is writable, as it may be.
        sys.files.add_directory(L"\\");
        sys.files.add_directory(L"C:\\");
        sys.files.add_file(L"C:\\Windows\\regedit.exe", "MZ");
        try {
            c.stage(sys.services);
            ADD_FAILURE() << "no error raised";
        } catch (const Error& e) {
            EXPECT_EQ(e.message(), kTempNotSet);
        }
        for (const std::wstring folder : {L"", L"\\", L"C:\\"})
            EXPECT_FALSE(sys.files.file_exists(folder + c.file)) << to_utf8(folder + c.file);
        EXPECT_TRUE(sys.runner.calls().empty());
        EXPECT_TRUE(sys.ui.boxes.empty());
    }
}


// Each staged file is held while its program reads it: another program can
// neither rewrite nor delete it then, and it is gone afterwards. A leftover
// that cannot be removed stops the repair before anything runs.
struct StagedCase {
    const char* what;
    std::function<void(Services&)> stage;
    const wchar_t* file;
};

std::vector<StagedCase> staged_cases() {
    return {
        {"script import",
         [](Services& s) { import_registry_script(s, {L"Windows Registry Editor Version 5.00"}, L"TXT"); }, L"TXT.reg"},
        {"folder-view batch", [](Services& s) { reset_folder_view_settings(s); }, L"tempbat.bat"},
        {"Explorer restarter", [](Services& s) { restart_explorer(s, {'M', 'Z'}); }, L"RestartExp.exe"},
    };
}

TEST(Staging, TheFileIsHeldAgainstOtherWritersWhileItsProgramRunsAndDeletedAfter) {
    for (const auto& c : staged_cases()) {
        SCOPED_TRACE(c.what);
        test::FakeSystem sys;
        sys.files.add_file(L"C:\\Windows\\regedit.exe", "MZ");
        sys.files.add_directory(sys.folders.temp);
        const std::wstring path = sys.folders.temp + L"\\" + c.file;
        sys.files.add_file(path, "planted");
        bool held = false, rewritten = false, deleted = false;
        std::optional<std::string> during;
        sys.runner.on_run = [&](const std::wstring& line) {
            if (line.find(c.file) == std::wstring::npos) return;
            held = sys.files.staged(path);
            try {
                sys.files.write_text_file(path, {L"planted"});
                rewritten = true;
            } catch (const Error&) {
            }
            deleted = sys.files.delete_file(path);
            during = sys.files.content(path);
        };
        try {
            c.stage(sys.services);
        } catch (const Error&) {
            // The restarter's fake run answers 0, the others report through boxes.
        }
        EXPECT_TRUE(held);
        EXPECT_FALSE(rewritten);
        EXPECT_FALSE(deleted);
        ASSERT_TRUE(during.has_value());
        EXPECT_EQ(during->find("planted"), std::string::npos);
        EXPECT_FALSE(sys.files.file_exists(path));
        EXPECT_FALSE(sys.files.staged(path));
    }
}

TEST(Staging, ALeftoverThatCannotBeRemovedStopsTheRepairBeforeAnythingRuns) {
    for (const auto& c : staged_cases()) {
        SCOPED_TRACE(c.what);
        test::FakeSystem sys;
        sys.files.add_file(L"C:\\Windows\\regedit.exe", "MZ");
        const std::wstring path = sys.folders.temp + L"\\" + c.file;
        sys.files.add_file(path, "planted");
        sys.files.lock_file(path);
        std::wstring error;
        try {
            c.stage(sys.services);
        } catch (const Error& e) {
            error = e.message();
        }
        EXPECT_TRUE(sys.runner.calls().empty());
        EXPECT_EQ(sys.files.content(path), std::string("planted"));
        // The import reports its failure in its own box; the others raise the file's error.
        if (c.file == std::wstring(L"TXT.reg")) {
            ASSERT_EQ(sys.ui.boxes.size(), 1u);
            EXPECT_EQ(sys.ui.boxes[0].text, L"Error!");
        } else {
            EXPECT_TRUE(error.starts_with(L"Cannot create file \"" + path + L"\". A file of that name is there"))
                << to_utf8(error);
        }
    }
}

} // namespace
} // namespace vx
