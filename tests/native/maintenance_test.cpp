#include <gtest/gtest.h>

#include <new>

#include "maintenance/restore_point.h"
#include "maintenance/scans.h"
#include "services/error.h"
#include "tests/fakes/fake_system.h"

namespace vx {
namespace {

using test::FakeSystem;
using Box = test::ScriptedUi::Box;
constexpr auto HKLM = RootKey::local_machine;

constexpr wchar_t kCmd[] = L"C:\\Windows\\system32\\cmd.exe";

// A FakeSystem whose system folder holds both tools.
struct ScanSystem : FakeSystem {
    ScanSystem() {
        files.add_file(L"C:\\Windows\\system32\\sfc.exe", "");
        files.add_file(L"C:\\Windows\\system32\\Dism.exe", "");
    }
};

// The tool runs by its full path inside cmd, which keeps the console open
// under an explanation until a key is pressed and ends with the tool's code.
TEST(Scans, RunTheirToolByFullPathInAConsoleKeptOpenAndSayDoneOnlyWhenItSucceeded) {
    struct Case {
        void (*scan)(Services&);
        const wchar_t* tool;
    };
    const Case cases[] = {{run_sfc_scan, L"\"C:\\Windows\\system32\\sfc.exe\" /scannow"},
                          {run_dism_scan, L"\"C:\\Windows\\system32\\Dism.exe\" /Online /Cleanup-Image /RestoreHealth"}};
    for (const auto& c : cases) {
        ScanSystem sys;
        c.scan(sys.services);
        ASSERT_EQ(sys.runner.calls().size(), 1u);
        const std::wstring expected = L"\"C:\\Windows\\system32\\cmd.exe\" /d /v:on /s /c \"" + std::wstring(c.tool) +
                                      L" & set VX_EXIT=!errorlevel! & echo. & echo Read the result above, then press "
                                      L"any key to close this window. & pause >nul & exit !VX_EXIT!\"";
        EXPECT_EQ(sys.runner.calls()[0], (test::RecordingRunner::Call{expected, 5, true}));
        EXPECT_EQ(sys.ui.boxes, (std::vector<Box>{{L"Done!", L"Vantrix", 0x40}}));
    }
}

// A failing exit code is shown with its number, and for DISM (whose codes are
// Windows error codes) with the system's text; 3010 is DISM's success that
// needs a restart. A tool ended by Ctrl+C or by closing its window has no
// answer, which is not a success either.
TEST(Scans, AFailingOrStoppedToolIsShownInsteadOfDone) {
    struct Case {
        void (*scan)(Services&);
        int code;
        Box box;
    };
    const Case cases[] = {
        {run_sfc_scan, 2, {L"The command \"sfc /scannow\" failed with exit code 2.", L"Vantrix", 0x10}},
        {run_dism_scan,
         static_cast<int>(0x800F081Fu),
         {L"The command \"DISM /Online /Cleanup-Image /RestoreHealth\" failed with error 0x800F081F: The source files "
          L"could not be found.",
          L"Vantrix", 0x10}},
        {run_dism_scan,
         87,
         {L"The command \"DISM /Online /Cleanup-Image /RestoreHealth\" failed with error 87: The parameter is "
          L"incorrect.",
          L"Vantrix", 0x10}},
        {run_dism_scan, 3010, {L"Done! Restart the computer to complete the repair.", L"Vantrix", 0x40}},
        {run_sfc_scan,
         static_cast<int>(0xC000013Au),
         {L"The command \"sfc /scannow\" was stopped before it ended (its window was closed or Ctrl+C was pressed), so "
          L"its result is not known.",
          L"Vantrix", 0x10}},
    };
    for (const auto& c : cases) {
        ScanSystem sys;
        sys.runner.error_texts = {{0x800F081Fu, L"The source files could not be found"},
                                  {87u, L"The parameter is incorrect"}};
        sys.runner.exit_code(kCmd, c.code);
        c.scan(sys.services);
        EXPECT_EQ(sys.ui.boxes, std::vector<Box>{c.box}) << c.code;
    }
}

// Neither a tool missing from the system folder nor an interpreter that
// cannot start is run or reported as done.
TEST(Scans, AToolThatCannotStartIsReportedInsteadOfDone) {
    const Box box{L"The command \"sfc /scannow\" could not be started.", L"Vantrix", 0x10};
    {
        FakeSystem sys;
        run_sfc_scan(sys.services);
        EXPECT_TRUE(sys.runner.calls().empty());
        EXPECT_EQ(sys.ui.boxes, std::vector<Box>{box});
    }
    {
        ScanSystem sys;
        sys.runner.missing(kCmd);
        run_sfc_scan(sys.services);
        EXPECT_EQ(sys.ui.boxes, std::vector<Box>{box});
    }
}

// A stand-in for System Restore: answers a result or raises, and notes the
// frequency value as it was during the request.
class FakeRequest : public RestorePointRequest {
public:
    FakeRequest(test::FakeRegistry& registry) : registry_(registry) {}
    std::uint32_t create(const std::wstring& description, std::uint32_t type, std::uint32_t event) override {
        calls.push_back({description, type, event});
        value_during = registry_.get(HKLM, kSystemRestoreKey, kCreationFrequencyValue);
        if (fail) throw Error(L"Not implemented (0x80004001)");
        if (fail_otherwise) throw std::bad_alloc();
        if (lock_key) registry_.deny_changes(HKLM, kSystemRestoreKey);
        return result;
    }
    struct Call {
        std::wstring description;
        std::uint32_t type, event;
        bool operator==(const Call&) const = default;
    };
    std::vector<Call> calls;
    std::optional<RegistryValue> value_during;
    std::uint32_t result = 0;
    bool fail = false;
    bool fail_otherwise = false;
    bool lock_key = false; // the key refuses changes from then on, as a policy could

private:
    test::FakeRegistry& registry_;
};

// The value is back before any box shows: a box left open (and then a crash,
// a kill or a logoff) must not leave it at 0.
TEST(RestorePoint, AsksForThePointWithTheFrequencyAtZeroAndPutsTheOldValueBackBeforeTheBox) {
    struct Case {
        const char* name;
        std::optional<std::uint32_t> before;
        bool fail;
        std::uint32_t result;
        unsigned icon;
    };
    const Case cases[] = {
        {"absent stays absent, success", std::nullopt, false, 0, 0x40},
        {"a number comes back, success", 7, false, 0, 0x40},
        {"absent stays absent, automation error", std::nullopt, true, 0, 0x10},
        {"a number comes back, automation error", 1440, true, 0, 0x10},
        {"non-zero result is a failure", 3, false, 1058, 0x10},
    };
    for (const auto& c : cases) {
        FakeSystem sys;
        if (c.before) sys.registry.put_dword(HKLM, kSystemRestoreKey, kCreationFrequencyValue, *c.before);
        FakeRequest request(sys.registry);
        request.fail = c.fail;
        request.result = c.result;
        std::optional<std::uint32_t> value_while_box_open;
        sys.ui.on_box = [&](const Box&) {
            value_while_box_open = sys.registry.get_dword(HKLM, kSystemRestoreKey, kCreationFrequencyValue);
        };
        create_restore_point(sys.services, request);

        EXPECT_EQ(request.calls, (std::vector<FakeRequest::Call>{{L"Created by Vantrix", 0, 100}})) << c.name;
        EXPECT_EQ(request.value_during, test::dword_value(0)) << c.name;
        EXPECT_EQ(value_while_box_open, c.before) << c.name;
        ASSERT_EQ(sys.ui.boxes.size(), 1u) << c.name;
        EXPECT_EQ(sys.ui.boxes[0].flags, c.icon) << c.name;
        EXPECT_EQ(sys.ui.boxes[0].caption, L"Vantrix") << c.name;
        if (c.icon == 0x40) {
            EXPECT_EQ(sys.ui.boxes[0].text, L"Done!") << c.name;
        }
        if (c.fail) {
            EXPECT_EQ(sys.ui.boxes[0].text, L"Not implemented (0x80004001)") << c.name;
        }
        if (c.result != 0) {
            EXPECT_NE(sys.ui.boxes[0].text.find(L"1058"), std::wstring::npos) << c.name;
        }
        EXPECT_EQ(sys.registry.get_dword(HKLM, kSystemRestoreKey, kCreationFrequencyValue), c.before) << c.name;
        EXPECT_TRUE(sys.registry.has_key(HKLM, kSystemRestoreKey)) << c.name;
        EXPECT_EQ(sys.registry.open_handles(), 0u) << c.name;
    }
}

TEST(RestorePoint, AnyOtherFailureOfTheRequestStillPutsTheValueBack) {
    for (const std::optional<std::uint32_t> before :
         {std::optional<std::uint32_t>{}, std::optional<std::uint32_t>{1440}}) {
        FakeSystem sys;
        if (before) sys.registry.put_dword(HKLM, kSystemRestoreKey, kCreationFrequencyValue, *before);
        FakeRequest request(sys.registry);
        request.fail_otherwise = true;
        EXPECT_THROW(create_restore_point(sys.services, request), std::bad_alloc);
        EXPECT_EQ(request.value_during, test::dword_value(0));
        EXPECT_EQ(sys.registry.get_dword(HKLM, kSystemRestoreKey, kCreationFrequencyValue), before);
        EXPECT_EQ(sys.registry.open_handles(), 0u);
    }
}

// A value that cannot be put back is not passed over: after the outcome an
// error names it, for the old value and for a value that was not there.
TEST(RestorePoint, AFrequencyThatCannotBePutBackIsNamedAfterTheOutcome) {
    for (const std::optional<std::uint32_t> before :
         {std::optional<std::uint32_t>{}, std::optional<std::uint32_t>{1440}}) {
        FakeSystem sys;
        if (before) sys.registry.put_dword(HKLM, kSystemRestoreKey, kCreationFrequencyValue, *before);
        FakeRequest request(sys.registry);
        request.lock_key = true;
        create_restore_point(sys.services, request);
        ASSERT_EQ(sys.ui.boxes.size(), 2u);
        EXPECT_EQ(sys.ui.boxes[0].text, L"Done!");
        EXPECT_NE(sys.ui.boxes[1].text.find(kCreationFrequencyValue), std::wstring::npos)
            << to_utf8(sys.ui.boxes[1].text);
        EXPECT_EQ(sys.ui.boxes[1].flags, 0x10u);
        EXPECT_EQ(sys.registry.open_handles(), 0u);
    }
}

TEST(RestorePoint, AValueOfAnotherTypeIsPutBackAsItWas) {
    FakeSystem sys;
    const RegistryValue odd = test::string_value(L"60");
    sys.registry.put(HKLM, kSystemRestoreKey, kCreationFrequencyValue, odd);
    FakeRequest request(sys.registry);
    create_restore_point(sys.services, request);
    EXPECT_EQ(sys.registry.get(HKLM, kSystemRestoreKey, kCreationFrequencyValue), odd);
}

TEST(RestorePoint, AFrequencyValueThatCannotBeWrittenStopsBeforeAnyRequest) {
    FakeSystem sys;
    sys.registry.deny_open(HKLM, kSystemRestoreKey);
    FakeRequest request(sys.registry);
    try {
        create_restore_point(sys.services, request);
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.message(), L"Failed to set data for 'SystemRestorePointCreationFrequency'");
    }
    EXPECT_TRUE(request.calls.empty());
    EXPECT_TRUE(sys.ui.boxes.empty());
    EXPECT_EQ(sys.registry.open_handles(), 0u);
}

} // namespace
} // namespace vx
