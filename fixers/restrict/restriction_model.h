#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fixers/restrict/restriction_catalogue.h"
#include "fixers/undo/backup.h"
#include "services/registry.h"
#include "services/ui.h"

namespace vx {

// Small images of the found list.
inline constexpr int kCrossImage = 0; // the restriction is present
inline constexpr int kTickImage = 1;  // a removal has cleared it

inline constexpr wchar_t kNoRestrictionsText[] = L"Restrictions not found!";
inline constexpr wchar_t kRemovedText[] = L"Done!";
inline constexpr wchar_t kNotRemovedText[] = L"These restrictions could not be removed:";

// One found restriction as the list shows it.
struct FoundItem {
    std::wstring caption;
    std::wstring description;
    int group = kGroupDesktopExplorer;
    int image = kCrossImage;
    bool checked = false;
    bool operator==(const FoundItem&) const = default;
};

// What the page must show. The Win32 view mirrors each call into its list view
// and its hidden list box; nothing is decided there.
class RestrictionView {
public:
    virtual ~RestrictionView() = default;
    virtual void items_cleared() = 0;
    // Appended at the end of the found list, unticked.
    virtual void item_added(const FoundItem& item) = 0;
    virtual void image_changed(std::size_t index, int image) = 0;
    // A check state the page itself changed (never one the user just clicked).
    virtual void check_changed(std::size_t index, bool checked) = 0;
    virtual void selection_cleared() = 0;
    virtual void selection_appended(const std::wstring& caption) = 0;
    virtual void selection_removed(std::size_t position) = 0;
};

// The Restriction Fixer page: the found list, the selection list of the
// captions to remove, and the scan, tick, "Check All" and removal workflows.
class RestrictionModel {
public:
    RestrictionModel(RegistryBackend& registry, Ui& ui, RestrictionView* view = nullptr);

    void set_view(RestrictionView* view) { view_ = view; }
    // Saves what a removal is about to change; answers false, having told the
    // person why, when it could not, and the removal then changes nothing.
    using BackUp = std::function<bool(const BackupPlan&)>;
    void set_backup(BackUp back_up) { back_up_ = std::move(back_up); }

    // "Scan": a fresh, unticked list of the restrictions set now, then the count.
    void scan();
    // The user changed the tick of one item.
    void item_checked(std::size_t index, bool checked);
    // "Check All": every item takes the box's state.
    void check_all(bool checked);
    // "Remove Restriction": clears the chosen restrictions in catalogue order.
    void remove_selected();

    // Appends an item unless one already starts with `caption` (letter case
    // ignored), as the list view's partial-match search finds it.
    void insert_found(std::wstring_view caption, std::wstring_view description, int group);

    const std::vector<FoundItem>& found() const { return found_; }
    const std::vector<std::wstring>& selection() const { return selection_; }
    // Whole-text lookup in the selection list, letter case ignored.
    std::optional<std::size_t> find_selected(std::wstring_view caption) const;

private:
    void rebuild_selection();
    void unselect(std::wstring_view caption);

    RegistryBackend& registry_;
    Ui& ui_;
    RestrictionView* view_;
    BackUp back_up_;
    std::vector<FoundItem> found_;
    std::vector<std::wstring> selection_;
};

} // namespace vx
