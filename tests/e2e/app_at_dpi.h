#pragma once

// What several end-to-end suites share beyond the driver: the program started
// at a chosen DPI, and where the screenshots go.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/e2e/driver.h"

namespace vx::e2e {

// The program started at the DPI of the test's parameter: 96, or 144 set
// through the prefix's HKCU\Control Panel\Desktop "LogPixels", which Wine 8
// reads when a program starts. The prefix goes back to 96 DPI afterwards.
class AppAtDpi : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        dpi_ = std::make_unique<PrefixDpi>(GetParam());
        ASSERT_TRUE(dpi_->set());
        app = App::launch();
        main = app.main_window();
        ASSERT_NE(main, nullptr);
    }
    void TearDown() override {
        app.terminate();
        dpi_.reset();
    }
    int scale(int value) const { return MulDiv(value, GetParam(), 96); }

    App app;
    HWND main = nullptr;

private:
    std::unique_ptr<PrefixDpi> dpi_;
};

// Where a screenshot goes, as a path this Wine process can open.
inline std::wstring screenshot_path(const std::wstring& name) {
    std::wstring folder = L"" VANTRIX_SCREENSHOT_DIR;
    for (auto& c : folder)
        if (c == L'/') c = L'\\';
    if (!folder.empty() && folder.front() == L'\\') folder = L"Z:" + folder; // Wine's drive for the host's root
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder + L"\\" + name + L".png";
}

} // namespace vx::e2e
