#include <gtest/gtest.h>

#include <vector>

#include "app/platform_gate.h"
#include "services/ui.h"

namespace vx {
namespace {

TEST(WindowsVersionTest, AcceptsOnlyEightEightOneAndTenOnNt) {
    struct Case {
        std::uint32_t major, minor, platform;
        WindowsVersion expected;
    };
    const Case cases[] = {
        {6, 1, 2, WindowsVersion::unsupported}, // Windows 7
        {6, 0, 2, WindowsVersion::unsupported}, // Vista
        {5, 1, 2, WindowsVersion::unsupported},
        {6, 2, 2, WindowsVersion::windows8},
        {6, 3, 2, WindowsVersion::windows81},
        {6, 4, 2, WindowsVersion::unsupported},
        {10, 0, 2, WindowsVersion::windows10},
        {11, 0, 2, WindowsVersion::windows10}, // a later major version is accepted
        {10, 7, 2, WindowsVersion::windows10},
        {0xFFFFFFFF, 0, 2, WindowsVersion::windows10}, // the comparison is unsigned
        {10, 0, 1, WindowsVersion::unsupported},       // not VER_PLATFORM_WIN32_NT
        {6, 2, 1, WindowsVersion::unsupported},
        {6, 3, 3, WindowsVersion::unsupported},
    };
    for (const auto& c : cases)
        EXPECT_EQ(classify_windows(c.major, c.minor, c.platform), c.expected) << c.major << "." << c.minor;
}

TEST(WindowsVersionTest, NamesTheVersion) {
    EXPECT_EQ(windows_name(WindowsVersion::windows8), L"Windows 8");
    EXPECT_EQ(windows_name(WindowsVersion::windows81), L"Windows 8.1");
    EXPECT_EQ(windows_name(WindowsVersion::windows10), L"Windows 10");
    EXPECT_EQ(windows_name(WindowsVersion::unsupported), L"Unknown");
}

class ScriptedGate : public GatePlatform {
public:
    bool running = false, wow64 = false;
    WindowsVersion version = WindowsVersion::windows10;
    std::vector<std::wstring> events;

    bool another_copy_running() override { return running; }
    void exit_now() override { events.push_back(L"exit"); }
    bool is_wow64() override { return wow64; }
    WindowsVersion windows_version() override { return version; }
    void message_box(const std::wstring& text, unsigned flags) override {
        events.push_back(text + L" #" + std::to_wstring(flags));
    }
    void request_end() override { events.push_back(L"end"); }
};

TEST(PlatformGate, RunsItsStepsInOrder) {
    const std::wstring warning = std::wstring(k64BitMessage) + L" #48";
    const std::wstring refusal = std::wstring(kUnsupportedMessage) + L" #16";
    struct Case {
        const char* name;
        bool running, wow64;
        WindowsVersion version;
        GateResult result;
        std::vector<std::wstring> events;
    };
    const Case cases[] = {
        {"second copy", true, true, WindowsVersion::unsupported, GateResult::exited, {L"exit"}},
        {"32-bit Windows 10", false, false, WindowsVersion::windows10, GateResult::accepted, {}},
        {"32-bit Windows 8", false, false, WindowsVersion::windows8, GateResult::accepted, {}},
        {"32-bit Windows 7", false, false, WindowsVersion::unsupported, GateResult::refused, {refusal, L"end"}},
        // 64-bit Windows 10: the warning, no second message; the labels are still filled.
        {"64-bit Windows 10", false, true, WindowsVersion::windows10, GateResult::accepted, {warning, L"end"}},
        {"64-bit Windows 7", false, true, WindowsVersion::unsupported, GateResult::refused,
         {warning, L"end", refusal, L"end"}},
    };
    for (const auto& c : cases) {
        ScriptedGate gate;
        gate.running = c.running;
        gate.wow64 = c.wow64;
        gate.version = c.version;
        EXPECT_EQ(run_platform_gate(gate), c.result) << c.name;
        EXPECT_EQ(gate.events, c.events) << c.name;
    }
}

} // namespace
} // namespace vx
