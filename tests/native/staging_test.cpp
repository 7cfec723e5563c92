// Files staged for another program need TEMP: without it nothing is written
// (a bare name would land in the root of the current drive) and the user is
// told why.
#include <gtest/gtest.h>

#include <functional>

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

} // namespace
} // namespace vx
