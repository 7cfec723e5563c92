#include <gtest/gtest.h>

#include "services/error.h"
#include "services/explorer_restarter.h"
#include "tests/fakes/fake_system.h"

namespace vx {
namespace {

TEST(ExplorerRestarter, ReplacesALeftoverRunsTheCopyQuotedAndDeletesIt) {
    test::FakeSystem sys;
    sys.folders.temp = L"C:\\Users\\Ann Lee\\AppData\\Local\\Temp";
    const std::wstring path = sys.folders.temp + L"\\RestartExp.exe";
    sys.files.add_file(path, "an old copy");
    const std::vector<std::uint8_t> image = {'M', 'Z', 0x90, 0};
    std::optional<std::string> during;
    sys.runner.on_run = [&](const std::wstring&) { during = sys.files.content(path); };

    restart_explorer(sys.services, image);

    ASSERT_EQ(sys.runner.calls().size(), 1u);
    EXPECT_EQ(sys.runner.calls()[0].command_line, L"\"" + path + L"\"");
    EXPECT_EQ(sys.runner.calls()[0].show, 0);
    EXPECT_EQ(during, std::string("MZ\x90\0", 4)); // the fresh image, not the leftover
    EXPECT_FALSE(sys.files.file_exists(path));
    EXPECT_TRUE(sys.ui.boxes.empty());
}

TEST(ExplorerRestarter, UsesTempAsItIsNowAndStopsWhenTheCopyCannotBeWritten) {
    test::FakeSystem sys;
    sys.folders.temp = L"D:\\Elsewhere";
    sys.files.add_directory(L"D:\\Elsewhere");
    sys.files.deny_create_in(L"D:\\Elsewhere");
    EXPECT_THROW(restart_explorer(sys.services, {'M', 'Z'}), Error);
    EXPECT_TRUE(sys.runner.calls().empty());
}

TEST(ExplorerRestarter, ARestarterThatCannotStartIsReportedAndItsCopyDeleted) {
    test::FakeSystem sys;
    sys.files.add_directory(sys.folders.temp);
    const std::wstring path = sys.folders.temp + L"\\RestartExp.exe";
    sys.runner.missing(path);
    try {
        restart_explorer(sys.services, {'M', 'Z'});
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.message(), L"Explorer could not be restarted: the program \"" + path + L"\" could not be started");
    }
    EXPECT_EQ(sys.runner.calls().size(), 1u);
    EXPECT_FALSE(sys.files.file_exists(path));
}

// Explorer is never started with this program's rights: when the restarter
// finds no way to start it unelevated it leaves Explorer running, and the
// person is told so rather than shown nothing.
TEST(ExplorerRestarter, ExplorerLeftRunningForWantOfUnelevatedRightsIsReported) {
    test::FakeSystem sys;
    sys.files.add_directory(sys.folders.temp);
    const std::wstring path = sys.folders.temp + L"\\RestartExp.exe";
    sys.runner.exit_code(path, kRestarterLeftExplorerRunning);
    try {
        restart_explorer(sys.services, {'M', 'Z'});
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.message(), kExplorerNotRestartedUnelevated);
    }
    EXPECT_FALSE(sys.files.file_exists(path));
}

} // namespace
} // namespace vx
