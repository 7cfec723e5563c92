// The Restriction Fixer page through the real program: restrictions planted in
// the prefix's registry, "Scan", the list read from outside, ticks as the
// user's check-box clicks produce them, "Check All" and "Remove Restriction",
// with the registry checked afterwards.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/components.h"
#include "fixers/restrict/restriction_catalogue.h"
#include "tests/e2e/driver.h"
#include "tests/e2e/remote_list_view.h"

namespace vx::e2e {
namespace {

using namespace main_ids;

constexpr int kRestrictionPage = 2; // Home, File Associations Fixer, Restriction Fixer, Advanced
constexpr wchar_t kPoliciesSystem[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
constexpr wchar_t kPoliciesExplorer[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
constexpr wchar_t kTaskManager[] = L"Task Manager";
constexpr wchar_t kShutdown[] = L"Shutdown, Sleep, Restart, Hibernate command";

HKEY root_of(RootKey root) {
    return root == RootKey::local_machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

// Every value and key of the catalogue's locations as the prefix holds them
// when the test starts: all restriction values are cleared for the test, and
// the destructor puts back each value and deletes the keys the test made.
class RestrictionRegistry {
public:
    RestrictionRegistry() {
        for (const RestrictionEntry& entry : restriction_catalogue()) {
            for (const RestrictionLocation& location : entry.locations()) {
                const std::wstring path(location.key_path);
                // The key and each of its parents, so that keys made while
                // planting or removing can be told apart and taken away.
                for (std::size_t end = path.size(); end != std::wstring::npos && end > 0;
                     end = path.rfind(L'\\', end - 1)) {
                    const Key key{location.root, upper(path.substr(0, end)), false};
                    if (std::none_of(keys_.begin(), keys_.end(), [&](const Key& k) { return k == key; }))
                        keys_.push_back({key.root, key.path, exists(key)});
                }
                Saved saved{location.root, path, std::wstring(location.value_name), false, 0, {}};
                HKEY key = nullptr;
                if (RegOpenKeyExW(root_of(location.root), path.c_str(), 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
                    DWORD size = 0;
                    if (RegQueryValueExW(key, saved.name.c_str(), nullptr, &saved.type, nullptr, &size) ==
                        ERROR_SUCCESS) {
                        saved.data.resize(size);
                        RegQueryValueExW(key, saved.name.c_str(), nullptr, &saved.type, saved.data.data(), &size);
                        saved.present = true;
                    }
                    RegCloseKey(key);
                }
                values_.push_back(saved);
                delete_value(location.root, path, saved.name);
            }
        }
    }

    ~RestrictionRegistry() {
        for (const Saved& saved : values_) {
            delete_value(saved.root, saved.path, saved.name);
            if (!saved.present) continue;
            HKEY key = nullptr;
            if (RegCreateKeyExW(root_of(saved.root), saved.path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                                nullptr) != ERROR_SUCCESS)
                continue;
            RegSetValueExW(key, saved.name.c_str(), 0, saved.type, saved.data.data(),
                           static_cast<DWORD>(saved.data.size()));
            RegCloseKey(key);
        }
        // The deepest first; a key that was there stays, and so does any key
        // that something else gave a subkey.
        std::sort(keys_.begin(), keys_.end(), [](const Key& a, const Key& b) { return a.path.size() > b.path.size(); });
        for (const Key& key : keys_)
            if (!key.existed) RegDeleteKeyW(root_of(key.root), key.path.c_str());
    }
    RestrictionRegistry(const RestrictionRegistry&) = delete;
    RestrictionRegistry& operator=(const RestrictionRegistry&) = delete;

    static void set_dword(RootKey root, const std::wstring& path, const std::wstring& name, DWORD value) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(root_of(root), path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        EXPECT_EQ(RegSetValueExW(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value)),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }
    // The DWORD the value holds, or nothing when it is absent.
    static std::optional<DWORD> dword(RootKey root, const std::wstring& path, const std::wstring& name) {
        DWORD value = 0, size = sizeof(value);
        if (RegGetValueW(root_of(root), path.c_str(), name.c_str(), RRF_RT_REG_DWORD, nullptr, &value, &size) !=
            ERROR_SUCCESS)
            return std::nullopt;
        return value;
    }
    static bool key_exists(RootKey root, const std::wstring& path) { return exists({root, path, false}); }

private:
    struct Key {
        RootKey root;
        std::wstring path;
        bool existed;
        bool operator==(const Key& other) const { return root == other.root && path == other.path; }
    };
    struct Saved {
        RootKey root;
        std::wstring path;
        std::wstring name;
        bool present = false;
        DWORD type = 0;
        std::vector<BYTE> data;
    };

    static std::wstring upper(std::wstring text) {
        CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
        return text;
    }
    static bool exists(const Key& key) {
        HKEY opened = nullptr;
        if (RegOpenKeyExW(root_of(key.root), key.path.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
        RegCloseKey(opened);
        return true;
    }
    static void delete_value(RootKey root, const std::wstring& path, const std::wstring& name) {
        HKEY key = nullptr;
        if (RegOpenKeyExW(root_of(root), path.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
        RegDeleteValueW(key, name.c_str());
        RegCloseKey(key);
    }

    std::vector<Key> keys_;
    std::vector<Saved> values_;
};

// The description the catalogue gives a caption, for the "Info" column.
std::wstring description_of(const std::wstring& caption) {
    for (const RestrictionEntry& entry : restriction_catalogue())
        if (entry.caption == caption) return std::wstring(entry.description);
    return {};
}

// Wine 8's list view has no groups. Each group message is taken and answered
// with 0, doing nothing: LVM_ENABLEGROUPVIEW, LVM_INSERTGROUP (Windows answers
// the new group's index, so Wine's 0 looks like success for a first group),
// LVM_GETGROUPINFO for any id (writing nothing back), LVM_GETGROUPCOUNT,
// LVM_HASGROUP, LVM_ISGROUPVIEWENABLED, LVM_MOVEITEMTOGROUP, LVM_REMOVEGROUP
// and LVM_REMOVEALLGROUPS. LVIF_GROUPID is ignored both ways: LVM_INSERTITEMW
// and LVM_SETITEMW accept it and succeed, and LVM_GETITEMW leaves iGroupId as
// the caller filled it. The items are drawn as one flat list in the order they
// were added, without group headings. On Windows the group view is on, both
// groups exist with their headings and each item reports its own group.
void expect_groups(const RemoteListView& view, const std::vector<int>& expected) {
    const bool wine = running_on_wine();
    if (!wine || view.group_view_enabled()) {
        EXPECT_TRUE(view.group_view_enabled());
        EXPECT_EQ(view.group_count(), 2);
        EXPECT_EQ(view.group_header(kGroupDesktopExplorer), L"Desktop & Explorer");
        EXPECT_EQ(view.group_header(kGroupSystemSecurity), L"System & Security");
    } else {
        EXPECT_EQ(view.group_count(), 0);
        EXPECT_FALSE(view.group_header(kGroupSystemSecurity));
    }
    for (int i = 0; i < static_cast<int>(expected.size()); ++i) {
        const auto group = view.group_id(i);
        ASSERT_TRUE(group) << "item " << i;
        if (wine && *group == RemoteListView::kGroupIdNotWritten) continue;
        EXPECT_EQ(*group, expected[static_cast<std::size_t>(i)]) << "item " << i;
    }
}

class RestrictionFixer : public ::testing::Test {
protected:
    void start() {
        app = App::launch();
        main = app.main_window();
        ASSERT_NE(main, nullptr) << "no main window";
        ASSERT_FALSE(wait_message_box(app.id(), 300)) << "a box at start";
        ASSERT_TRUE(select_page(main, kRestrictionPage));
        list = find_control(main, lvRESTRICT);
        box = find_control(main, lbRESTRICT);
        ASSERT_TRUE(list && box);
        view = std::make_unique<RemoteListView>(list);
        ASSERT_TRUE(view->ready()) << "cannot reach the program's memory: " << GetLastError();
    }
    // Clicks a button and answers the message box it shows; the box, or
    // nothing when none came.
    std::optional<MessageBoxInfo> click_and_answer(int button, DWORD timeout_ms = 10000) {
        click(find_control(main, button));
        auto shown = wait_message_box(app.id(), timeout_ms);
        if (shown) answer(*shown, IDOK);
        return shown;
    }
    static void expect_box(const std::optional<MessageBoxInfo>& shown, const std::wstring& text, IconKind icon) {
        ASSERT_TRUE(shown) << "no message box";
        EXPECT_EQ(shown->text, text);
        EXPECT_EQ(shown->caption, L"Vantrix");
        EXPECT_EQ(shown->icon, icon) << icon_name(shown->icon);
        ASSERT_EQ(shown->buttons.size(), 1u);
        EXPECT_EQ(shown->buttons.front().first, IDOK);
    }
    std::vector<std::wstring> captions() const {
        std::vector<std::wstring> out;
        for (int i = 0; i < view->count(); ++i)
            out.push_back(view->text(i));
        return out;
    }
    std::vector<std::wstring> lines() const { return list_box_lines(box); }
    bool check_all_ticked() const {
        return SendMessageW(find_control(main, cbCHECKALLRESTRICT), BM_GETCHECK, 0, 0) == BST_CHECKED;
    }

    RestrictionRegistry registry; // made before the program starts, put back after it ends
    App app;
    HWND main = nullptr;
    HWND list = nullptr;
    HWND box = nullptr;
    std::unique_ptr<RemoteListView> view;
};

TEST_F(RestrictionFixer, ScanListsTheSetRestrictionsAndRemovalClearsTheTickedOnes) {
    const auto HKCU = RootKey::current_user;
    RestrictionRegistry::set_dword(HKCU, kPoliciesSystem, L"DisableTaskMgr", 1);
    RestrictionRegistry::set_dword(HKCU, kPoliciesExplorer, L"NoClose", 1);
    ASSERT_NO_FATAL_FAILURE(start());

    expect_box(click_and_answer(btnSCANRESTRICT), L"Found 2 restrictions on this computer!", IconKind::error);
    ASSERT_EQ(captions(), (std::vector<std::wstring>{kTaskManager, kShutdown})); // catalogue order
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(view->text(i, 1), description_of(view->text(i)));
        EXPECT_EQ(view->image(i), 0) << "the cross image";
        EXPECT_EQ(view->state_image(i), 1) << "an empty check box";
    }
    expect_groups(*view, {kGroupSystemSecurity, kGroupDesktopExplorer});
    EXPECT_TRUE(lines().empty());

    // A click on the check box, then the state change it makes, back and forth.
    ASSERT_TRUE(view->click_check_box(0));
    ASSERT_TRUE(wait_until([&] { return view->checked(0); }));
    EXPECT_EQ(lines(), std::vector<std::wstring>{kTaskManager});
    ASSERT_TRUE(view->set_checked(0, false));
    EXPECT_TRUE(lines().empty());
    ASSERT_TRUE(view->set_checked(0, true));
    ASSERT_TRUE(view->set_checked(1, true));
    EXPECT_EQ(lines(), (std::vector<std::wstring>{kTaskManager, kShutdown}));

    expect_box(click_and_answer(btnFIXRESTRICT), L"Done!", IconKind::information);
    EXPECT_EQ(RestrictionRegistry::dword(HKCU, kPoliciesSystem, L"DisableTaskMgr"), std::nullopt);
    EXPECT_EQ(RestrictionRegistry::dword(HKCU, kPoliciesExplorer, L"NoClose"), std::nullopt);
    EXPECT_TRUE(RestrictionRegistry::key_exists(HKCU, kPoliciesSystem));
    EXPECT_TRUE(RestrictionRegistry::key_exists(HKCU, kPoliciesExplorer));
    ASSERT_EQ(view->count(), 2) << "the list is not scanned again";
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(view->image(i), 1) << "the tick image, item " << i;
        EXPECT_TRUE(view->checked(i)) << "item " << i;
    }
    EXPECT_TRUE(lines().empty());

    // Nothing is left to remove, and an item already removed cannot be chosen again.
    EXPECT_FALSE(click_and_answer(btnFIXRESTRICT, 1500)) << "a box for a removal of nothing";
    ASSERT_TRUE(view->set_checked(0, false));
    ASSERT_TRUE(view->set_checked(0, true));
    EXPECT_TRUE(lines().empty());

    // A new scan finds nothing and empties the list.
    expect_box(click_and_answer(btnSCANRESTRICT), L"Restrictions not found!", IconKind::information);
    EXPECT_EQ(view->count(), 0);
}

TEST_F(RestrictionFixer, NothingSetIsReportedWithAnEmptyList) {
    ASSERT_NO_FATAL_FAILURE(start());
    expect_box(click_and_answer(btnSCANRESTRICT), L"Restrictions not found!", IconKind::information);
    EXPECT_EQ(view->count(), 0);
    EXPECT_TRUE(lines().empty());
}

TEST_F(RestrictionFixer, CheckAllTicksAndUnticksEveryItem) {
    // Display Settings under both roots is one restriction, listed once.
    RestrictionRegistry::set_dword(RootKey::current_user, kPoliciesSystem, L"DisableTaskMgr", 1);
    RestrictionRegistry::set_dword(RootKey::local_machine, kPoliciesSystem, L"NoDispCPL", 1);
    RestrictionRegistry::set_dword(RootKey::current_user, kPoliciesSystem, L"NoDispCPL", 1);
    RestrictionRegistry::set_dword(RootKey::current_user, kPoliciesExplorer, L"HideClock", 1);
    ASSERT_NO_FATAL_FAILURE(start());
    expect_box(click_and_answer(btnSCANRESTRICT), L"Found 3 restrictions on this computer!", IconKind::error);
    const std::vector<std::wstring> found{kTaskManager, L"Display Settings", L"Clock"};
    ASSERT_EQ(captions(), found);

    HWND check_all = find_control(main, cbCHECKALLRESTRICT);
    click(check_all);
    ASSERT_TRUE(wait_until([&] { return lines().size() == 3; })) << lines().size() << " lines";
    EXPECT_EQ(lines(), found);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(view->checked(i)) << "item " << i;

    click(check_all);
    ASSERT_TRUE(wait_until([&] { return !check_all_ticked(); }));
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(view->checked(i)) << "item " << i;
    EXPECT_TRUE(lines().empty());

    // A scan while "Check All" is ticked lists its items unticked, with nothing chosen.
    click(check_all);
    ASSERT_TRUE(wait_until([&] { return lines().size() == 3; }));
    expect_box(click_and_answer(btnSCANRESTRICT), L"Found 3 restrictions on this computer!", IconKind::error);
    EXPECT_TRUE(check_all_ticked());
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(view->checked(i)) << "item " << i;
    EXPECT_TRUE(lines().empty());
}
} // namespace
} // namespace vx::e2e
