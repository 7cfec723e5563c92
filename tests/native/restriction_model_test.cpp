#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fixers/restrict/restriction_model.h"
#include "tests/fakes/fake_system.h"

namespace vx {
namespace {

using test::ScriptedUi;
constexpr auto HKCU = RootKey::current_user;
constexpr auto HKLM = RootKey::local_machine;

constexpr wchar_t kSystem[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
constexpr wchar_t kExplorer[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
constexpr wchar_t kSystemRestore[] = L"SOFTWARE\\Policies\\Microsoft\\Windows NT\\SystemRestore";

// Plays the part of the list view and the hidden list box: it applies every
// call to copies of both lists, so a test can prove the view can mirror the
// page from these calls alone, and it logs them in order.
class MirrorView : public RestrictionView {
public:
    std::vector<FoundItem> items;
    std::vector<std::wstring> lines;
    std::vector<std::wstring> log;

    void items_cleared() override {
        items.clear();
        log.push_back(L"clear items");
    }
    void item_added(const FoundItem& item) override {
        items.push_back(item);
        log.push_back(L"add " + item.caption);
    }
    void image_changed(std::size_t index, int image) override {
        items.at(index).image = image;
        log.push_back(L"image " + std::to_wstring(index) + L" " + std::to_wstring(image));
    }
    void check_changed(std::size_t index, bool checked) override {
        items.at(index).checked = checked;
        log.push_back(L"check " + std::to_wstring(index) + (checked ? L" on" : L" off"));
    }
    void selection_cleared() override {
        lines.clear();
        log.push_back(L"clear selection");
    }
    void selection_appended(const std::wstring& caption) override {
        lines.push_back(caption);
        log.push_back(L"select " + caption);
    }
    void selection_removed(std::size_t position) override {
        log.push_back(L"unselect " + lines.at(position));
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(position));
    }
};

class RestrictionPage : public ::testing::Test {
protected:
    void TearDown() override {
        EXPECT_EQ(sys.registry.open_handles(), 0u);
        EXPECT_EQ(view.items, model.found());
        EXPECT_EQ(view.lines, model.selection());
    }

    // A click on an item's check box: the list view shows the new state itself
    // and reports the change.
    void tick(std::size_t index, bool checked = true) {
        view.items.at(index).checked = checked;
        model.item_checked(index, checked);
    }
    std::vector<std::wstring> captions() const {
        std::vector<std::wstring> out;
        for (const auto& item : model.found())
            out.push_back(item.caption);
        return out;
    }
    void set(RootKey root, const std::wstring& path, const std::wstring& name, std::uint32_t number = 1) {
        sys.registry.put_dword(root, path, name, number);
    }
    // Sets five restrictions the scan lists in this order.
    void set_five() {
        set(HKCU, kSystem, L"DisableTaskMgr");
        set(HKCU, kSystem, L"DisableRegistryTools");
        set(HKCU, kExplorer, L"NoClose");
        set(HKCU, kExplorer, L"NoDrives", 4);
        set(HKCU, kExplorer, L"HideClock");
    }
    const std::vector<std::wstring> five{L"Task Manager", L"Registry Editor",
                                         L"Shutdown, Sleep, Restart, Hibernate command", L"Hidden Drive", L"Clock"};

    test::FakeSystem sys;
    MirrorView view;
    RestrictionModel model{sys.registry, sys.ui, &view};
};

TEST_F(RestrictionPage, ScanWithNothingSetSaysSoWithTheInformationIcon) {
    model.scan();
    EXPECT_TRUE(model.found().empty());
    EXPECT_EQ(sys.ui.boxes,
              (std::vector<ScriptedUi::Box>{{L"Restrictions not found!", L"Vantrix", mb::ok | mb::icon_information}}));
    EXPECT_EQ(sys.registry.key_count(HKCU) + sys.registry.key_count(HKLM), 0u); // the scan creates no key
}

TEST_F(RestrictionPage, ScanListsFoundRestrictionsInTheirGroupsAndCountsThemWithTheErrorIcon) {
    set(HKCU, kExplorer, L"NoClose");
    set(HKCU, kSystem, L"DisableTaskMgr");
    set(HKCU, kSystem, L"DisableCMD", 0);                        // switched off
    sys.registry.put_string(HKCU, kExplorer, L"NoDrives", L"1"); // not a DWORD
    model.scan();
    EXPECT_EQ(model.found(),
              (std::vector<FoundItem>{
                  {L"Task Manager",
                   L"Cannot open Task Manager, a message appears \"Task Manager has been disabled by your "
                   L"administrator\".",
                   kGroupSystemSecurity, kCrossImage, false},
                  {L"Shutdown, Sleep, Restart, Hibernate command",
                   L"Shutdown, Sleep, Restart, and Hibernate command is missing from the Start Menu.",
                   kGroupDesktopExplorer, kCrossImage, false},
              }));
    EXPECT_EQ(sys.ui.boxes, (std::vector<ScriptedUi::Box>{
                                {L"Found 2 restrictions on this computer!", L"Vantrix", mb::ok | mb::icon_error}}));
}

TEST_F(RestrictionPage, ARestrictionSetUnderBothRootsIsListedOnceAndTheCountHasNoSingular) {
    const std::wstring path = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
    set(HKLM, path, L"NoDispCPL");
    set(HKCU, path, L"NoDispCPL");
    model.scan();
    EXPECT_EQ(captions(), std::vector<std::wstring>{L"Display Settings"});
    EXPECT_EQ(sys.ui.boxes.at(0).text, L"Found 1 restrictions on this computer!");
}

TEST_F(RestrictionPage, EveryRestrictionSetListsAllInCatalogueOrder) {
    std::vector<std::wstring> expected;
    for (const auto& entry : restriction_catalogue()) {
        const auto& last = entry.locations().back();
        set(last.root, std::wstring(last.key_path), std::wstring(last.value_name));
        expected.emplace_back(entry.caption);
    }
    model.scan();
    EXPECT_EQ(captions(), expected);
    EXPECT_EQ(sys.ui.boxes.at(0).text, L"Found 34 restrictions on this computer!");
    for (std::size_t i = 0; i < model.found().size(); ++i)
        EXPECT_EQ(model.found()[i].group, restriction_catalogue()[i].group) << i;
}

TEST_F(RestrictionPage, InsertionSkipsACaptionThatAnItemAlreadyStartsWith) {
    struct Case {
        std::vector<std::wstring> inserted;
        std::vector<std::wstring> listed;
    };
    const Case cases[] = {
        {{L"Control Panel", L"Control Panel item"}, {L"Control Panel", L"Control Panel item"}},
        {{L"Control Panel item", L"Control Panel"}, {L"Control Panel item"}},
        {{L"Control Panel item", L"CONTROL panel"}, {L"Control Panel item"}},
        {{L"Clock", L"Clock"}, {L"Clock"}},
        {{L"Desktop icon", L"Desktop theme", L"Desktop"}, {L"Desktop icon", L"Desktop theme"}},
    };
    for (const auto& c : cases) {
        RestrictionModel page(sys.registry, sys.ui);
        for (const auto& caption : c.inserted)
            page.insert_found(caption, L"info", kGroupDesktopExplorer);
        std::vector<std::wstring> listed;
        for (const auto& item : page.found())
            listed.push_back(item.caption);
        EXPECT_EQ(listed, c.listed);
    }
}

TEST_F(RestrictionPage, TickingUntickingAndTickingAgainLeavesOneSelectionLine) {
    set(HKCU, kSystem, L"DisableTaskMgr");
    model.scan();
    tick(0);
    tick(0, false);
    EXPECT_TRUE(model.selection().empty());
    tick(0);
    EXPECT_EQ(model.selection(), std::vector<std::wstring>{L"Task Manager"});
    EXPECT_EQ(model.find_selected(L"TASK MANAGER"), 0u);
    EXPECT_EQ(model.find_selected(L"Task"), std::nullopt);
}

TEST_F(RestrictionPage, CheckAllTicksEveryItemWithOneRebuildPerChangedItemAndBack) {
    set_five();
    model.scan();
    tick(1);
    view.log.clear();

    model.check_all(true);
    EXPECT_EQ(model.selection(), (std::vector<std::wstring>{five[1], five[0], five[2], five[3], five[4]}));
    // Item 1 was ticked already and raises nothing; each other item's change is
    // followed by its own rebuild before the next item changes.
    EXPECT_EQ(view.log,
              (std::vector<std::wstring>{L"check 0 on", L"select " + five[0], L"check 2 on", L"select " + five[2],
                                         L"check 3 on", L"select " + five[3], L"check 4 on", L"select " + five[4]}));
    for (const auto& item : model.found())
        EXPECT_TRUE(item.checked);

    model.check_all(false);
    EXPECT_TRUE(model.selection().empty());
    for (const auto& item : model.found())
        EXPECT_FALSE(item.checked);

    model.check_all(true);
    EXPECT_EQ(model.selection(), five); // ticked from scratch: found-list order
}

TEST_F(RestrictionPage, RemovalClearsTheTickedRestrictionsMarksThemAndSaysDone) {
    set_five();
    model.scan();
    tick(0);
    tick(2);
    model.remove_selected();

    EXPECT_EQ(sys.registry.get(HKCU, kSystem, L"DisableTaskMgr"), std::nullopt);
    EXPECT_EQ(sys.registry.get(HKCU, kExplorer, L"NoClose"), std::nullopt);
    EXPECT_EQ(sys.registry.get_dword(HKCU, kSystem, L"DisableRegistryTools"), 1u);
    const auto& items = model.found();
    EXPECT_EQ(items.size(), 5u); // not rescanned
    for (std::size_t i : {0u, 2u}) {
        EXPECT_EQ(items[i].image, kTickImage);
        EXPECT_TRUE(items[i].checked);
    }
    for (std::size_t i : {1u, 3u, 4u})
        EXPECT_EQ(items[i].image, kCrossImage);
    EXPECT_TRUE(model.selection().empty());
    EXPECT_EQ(sys.ui.boxes.back(), (ScriptedUi::Box{L"Done!", L"Vantrix", mb::ok | mb::icon_information}));

    // A second click finds nothing chosen: no registry access, no message.
    const auto boxes = sys.ui.boxes.size();
    const auto opens = sys.registry.open_calls().size();
    model.remove_selected();
    EXPECT_EQ(sys.ui.boxes.size(), boxes);
    EXPECT_EQ(sys.registry.open_calls().size(), opens);
}

TEST_F(RestrictionPage, ARemovedItemCannotBeChosenAgainUntilTheNextScan) {
    set(HKCU, kSystem, L"DisableTaskMgr");
    model.scan();
    tick(0);
    model.remove_selected();
    set(HKCU, kSystem, L"DisableTaskMgr"); // set again behind the page's back
    tick(0, false);
    tick(0);
    EXPECT_TRUE(model.selection().empty());
    model.check_all(false);
    model.check_all(true);
    EXPECT_TRUE(model.selection().empty());

    const auto boxes = sys.ui.boxes.size();
    model.remove_selected();
    EXPECT_EQ(sys.ui.boxes.size(), boxes);
    EXPECT_EQ(sys.registry.get_dword(HKCU, kSystem, L"DisableTaskMgr"), 1u);
}

TEST_F(RestrictionPage, RescanAfterRemovalListsOnlyWhatIsLeftUnticked) {
    set_five();
    model.scan();
    tick(0);
    tick(4);
    model.remove_selected();
    model.scan();
    EXPECT_EQ(captions(), (std::vector<std::wstring>{five[1], five[2], five[3]}));
    for (const auto& item : model.found()) {
        EXPECT_EQ(item.image, kCrossImage);
        EXPECT_FALSE(item.checked);
    }
    EXPECT_EQ(sys.ui.boxes.back().text, L"Found 3 restrictions on this computer!");
}

TEST_F(RestrictionPage, ANewScanForgetsWhatWasChosenBefore) {
    set(HKCU, kSystem, L"DisableTaskMgr");
    set(HKCU, kExplorer, L"HideClock");
    model.scan();
    tick(0);
    tick(1);
    // The clock comes back on elsewhere, so the rescan no longer lists it ...
    sys.registry.put_dword(HKCU, kExplorer, L"HideClock", 0);
    model.scan();
    EXPECT_EQ(captions(), std::vector<std::wstring>{L"Task Manager"});
    EXPECT_TRUE(model.selection().empty());
    // ... and when it is hidden again, a removal with nothing ticked leaves it.
    set(HKCU, kExplorer, L"HideClock");
    const auto boxes = sys.ui.boxes.size();
    model.remove_selected();
    EXPECT_EQ(sys.ui.boxes.size(), boxes);
    EXPECT_EQ(sys.registry.get_dword(HKCU, kExplorer, L"HideClock"), 1u);
    EXPECT_EQ(sys.registry.get_dword(HKCU, kSystem, L"DisableTaskMgr"), 1u);
}

// A key that administrators may only read: the restriction in it is found,
// cannot be removed, stays listed as present and is named in the error.
TEST_F(RestrictionPage, ARestrictionInAReadOnlyKeyIsFoundAndNamedWhenItCannotBeRemoved) {
    set(HKLM, kSystemRestore, L"DisableSR");
    set(HKCU, kExplorer, L"HideClock");
    sys.registry.read_only(HKLM, kSystemRestore);
    model.scan();
    ASSERT_EQ(captions(), (std::vector<std::wstring>{L"System Restore", L"Clock"}));
    EXPECT_EQ(sys.ui.boxes.back(),
              (ScriptedUi::Box{L"Found 2 restrictions on this computer!", L"Vantrix", mb::ok | mb::icon_error}));
    model.check_all(true);
    model.remove_selected();
    EXPECT_EQ(sys.registry.get_dword(HKLM, kSystemRestore, L"DisableSR"), 1u);
    EXPECT_EQ(model.found()[0].image, kCrossImage);
    EXPECT_EQ(model.found()[1].image, kTickImage);
    EXPECT_EQ(model.selection(), std::vector<std::wstring>{L"System Restore"});
    EXPECT_EQ(sys.ui.boxes.back(), (ScriptedUi::Box{L"These restrictions could not be removed:\nSystem Restore",
                                                    L"Vantrix", mb::ok | mb::icon_error}));
    EXPECT_EQ(sys.registry.open_handles(), 0u);
}

TEST_F(RestrictionPage, ARestrictionThatCouldNotBeRemovedStaysChosenAndIsNamedInAnErrorBox) {
    set(HKCU, kSystem, L"DisableTaskMgr");
    set(HKLM, kSystemRestore, L"DisableSR");
    set(HKCU, kExplorer, L"HideClock");
    sys.registry.deny_changes(HKLM, kSystemRestore);
    model.scan();
    ASSERT_EQ(captions(), (std::vector<std::wstring>{L"Task Manager", L"System Restore", L"Clock"}));
    model.check_all(true);
    model.remove_selected();

    EXPECT_EQ(sys.registry.get_dword(HKLM, kSystemRestore, L"DisableSR"), 1u);
    EXPECT_EQ(sys.registry.get(HKCU, kSystem, L"DisableTaskMgr"), std::nullopt);
    EXPECT_EQ(sys.registry.get(HKCU, kExplorer, L"HideClock"), std::nullopt);
    const auto& items = model.found();
    EXPECT_EQ(items[0].image, kTickImage);
    EXPECT_EQ(items[1].image, kCrossImage);
    EXPECT_TRUE(items[1].checked);
    EXPECT_EQ(items[2].image, kTickImage);
    EXPECT_EQ(model.selection(), std::vector<std::wstring>{L"System Restore"});
    EXPECT_EQ(sys.ui.boxes.back(), (ScriptedUi::Box{L"These restrictions could not be removed:\nSystem Restore",
                                                    L"Vantrix", mb::ok | mb::icon_error}));

    // Once the key may be changed, the same selection removes it.
    sys.registry = test::FakeRegistry{};
    set(HKLM, kSystemRestore, L"DisableSR");
    model.remove_selected();
    EXPECT_EQ(model.found()[1].image, kTickImage);
    EXPECT_TRUE(model.selection().empty());
    EXPECT_EQ(sys.ui.boxes.back().text, L"Done!");
}

TEST_F(RestrictionPage, RemovalCreatesTheMissingKeysOfEveryLocation) {
    const std::wstring path = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
    set(HKCU, path, L"NoDispCPL");
    model.scan();
    EXPECT_FALSE(sys.registry.has_key(HKLM, path));
    tick(0);
    model.remove_selected();
    EXPECT_TRUE(sys.registry.has_key(HKLM, path));
    EXPECT_EQ(sys.registry.get(HKCU, path, L"NoDispCPL"), std::nullopt);
    EXPECT_EQ(sys.ui.boxes.back().text, L"Done!");
}

} // namespace
} // namespace vx
