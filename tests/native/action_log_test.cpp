// The action log: what a repair ran and what the person was told, one line
// per event, appended as UTF-8 and rolled over at 1 MB to one previous file.
#include <gtest/gtest.h>

#include <stdexcept>

#include "fixers/advanced/command_repairs.h"
#include "services/action_log.h"
#include "services/ui.h"
#include "tests/fakes/fake_system.h"

namespace vx {
namespace {

// A log file and its previous file in memory, behaving like the real pair.
struct MemoryLogStore : LogStore {
    std::string current, previous;
    int rolls = 0;
    bool refuse = false;
    std::uint64_t size() override { return current.size(); }
    void append(const std::string& bytes) override {
        if (refuse) throw std::runtime_error("disk full");
        current += bytes;
    }
    void roll() override {
        previous = std::move(current);
        current.clear();
        ++rolls;
    }
};

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    EXPECT_EQ(start, text.size()) << "every line ends with CR LF";
    return lines;
}

struct ActionLogTest : ::testing::Test {
    MemoryLogStore store;
    ActionLog log{[] { return LogTime{2026, 12, 1, 9, 5, 7}; }, L"Vantrix64.exe 2.1.4"};
    ActionLogTest() { log.set_store(&store); }
};

TEST_F(ActionLogTest, ARepairLeavesItsCommandsWithExitCodesAndTheOutcomeItShowed) {
    test::FakeSystem system;
    system.runner.exit_code(L"ipconfig", 1);
    LoggingRunner runner(system.runner, log);
    Services services{system.registry, runner,        system.files, system.folders,
                      system.texts,    system.ui,     system.services.temp_path};

    log.begin_action(L"btnRenewIP (IP)");
    try {
        renew_ip_address(services);
    } catch (const std::exception&) {
    }
    // The application logs every box it shows; here the fake's boxes are.
    for (const auto& box : system.ui.boxes) log.box_shown(box.text, box.flags, mb::id_ok);
    log.end_action();
    log.note(L"after");

    const auto lines = lines_of(store.current);
    ASSERT_GE(lines.size(), 3u);
    const std::string prefix = "2026-12-01 09:05:07 | Vantrix64.exe 2.1.4 | btnRenewIP (IP) | ";
    EXPECT_EQ(lines[0].rfind(prefix + "ran: ", 0), 0u) << lines[0];
    EXPECT_NE(lines[0].find("ipconfig /release"), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find("| exit code 1"), std::string::npos) << lines[0];
    ASSERT_FALSE(system.ui.boxes.empty());
    EXPECT_EQ(lines[lines.size() - 2].rfind(prefix + "shown error: \"", 0), 0u) << lines[lines.size() - 2];
    EXPECT_EQ(lines.back(), "2026-12-01 09:05:07 | Vantrix64.exe 2.1.4 | - | after");
}

TEST_F(ActionLogTest, EventsAreWrittenAsOneUtf8LineEach) {
    const struct {
        std::function<void()> event;
        std::string tail;
    } cases[] = {
        {[&] { log.box_shown(L"Line one\r\nline two\ttab", mb::ok | mb::icon_information, mb::id_ok); },
         "shown information: \"Line one line two tab\""},
        {[&] { log.box_shown(L"Delete?", mb::yes_no | mb::icon_question, mb::id_no); },
         "shown question: \"Delete?\" | answered No"},
        {[&] { log.command_ran(L"\"C:\\W\\system32\\sfc.exe\" /scannow", -1); },
         "could not start: \"C:\\W\\system32\\sfc.exe\" /scannow"},
        {[&] { log.command_ran(L"dism", static_cast<int>(0x800F081Fu)); }, "ran: dism | exit code 0x800F081F"},
        {[&] { log.command_started(L"mmc.exe x", true); }, "started: mmc.exe x"},
        {[&] { log.note(L"Caf\u00e9 \u4e2d"); }, "Caf\xc3\xa9 \xe4\xb8\xad"},
    };
    for (const auto& c : cases) {
        store.current.clear();
        c.event();
        const auto lines = lines_of(store.current);
        ASSERT_EQ(lines.size(), 1u) << c.tail;
        EXPECT_EQ(lines[0], "2026-12-01 09:05:07 | Vantrix64.exe 2.1.4 | - | " + c.tail);
    }
}

TEST_F(ActionLogTest, TheFileRollsOverAtOneMegabyteAndNoLineIsSplit) {
    const std::wstring text(500, L'x');
    std::size_t written = 0;
    while (store.rolls < 2) {
        log.note(text);
        ++written;
        ASSERT_LE(store.current.size(), kLogCapacity);
    }
    const auto previous = lines_of(store.previous), current = lines_of(store.current);
    EXPECT_EQ(current.size(), 1u) << "the line that did not fit starts the new file";
    EXPECT_LE(store.previous.size(), kLogCapacity);
    EXPECT_GT(store.previous.size() + current[0].size() + 2, kLogCapacity) << "the file was filled before rolling";
    EXPECT_GT(written, previous.size());

    // A single line longer than the cap is cut at a character's start.
    store.current.clear();
    log.note(std::wstring(kLogCapacity, L'\u00e9'));
    ASSERT_LE(store.current.size(), kLogCapacity);
    EXPECT_EQ(store.current.substr(store.current.size() - 2), "\r\n");
    const unsigned char last = static_cast<unsigned char>(store.current[store.current.size() - 3]);
    EXPECT_EQ(last, 0xA9u) << "the last character before the line end is whole";
}

TEST_F(ActionLogTest, ALogThatCannotBeWrittenNeverStopsTheRepair) {
    store.refuse = true;
    EXPECT_NO_THROW(log.note(L"lost"));
    log.set_store(nullptr);
    EXPECT_NO_THROW(log.command_ran(L"x", 0));
}

} // namespace
} // namespace vx
