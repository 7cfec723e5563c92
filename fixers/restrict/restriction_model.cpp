#include "fixers/restrict/restriction_model.h"

#include "services/text.h"

namespace vx {

RestrictionModel::RestrictionModel(RegistryBackend& registry, Ui& ui, RestrictionView* view)
    : registry_(registry), ui_(ui), view_(view) {}

std::optional<std::size_t> RestrictionModel::find_selected(std::wstring_view caption) const {
    for (std::size_t i = 0; i < selection_.size(); ++i)
        if (equals_ignore_case(selection_[i], caption)) return i;
    return std::nullopt;
}

void RestrictionModel::unselect(std::wstring_view caption) {
    const auto position = find_selected(caption);
    if (!position) return;
    selection_.erase(selection_.begin() + static_cast<std::ptrdiff_t>(*position));
    if (view_) view_->selection_removed(*position);
}

void RestrictionModel::insert_found(std::wstring_view caption, std::wstring_view description, int group) {
    for (const auto& item : found_)
        if (starts_with_ignore_case(item.caption, caption)) return;
    FoundItem item{std::wstring(caption), std::wstring(description), group, kCrossImage, false};
    found_.push_back(item);
    if (view_) view_->item_added(item);
}

void RestrictionModel::scan() {
    found_.clear();
    if (view_) view_->items_cleared();
    // The new list starts unticked, so nothing chosen before may stay chosen:
    // a left-over caption would otherwise let "Remove Restriction" clear values
    // the user no longer sees.
    selection_.clear();
    if (view_) view_->selection_cleared();

    for (const auto& entry : restriction_catalogue())
        if (is_restricted(registry_, entry)) insert_found(entry.caption, entry.description, entry.group);

    if (found_.empty())
        ui_.show_message(kNoRestrictionsText, mb::icon_information);
    else
        ui_.show_message(L"Found " + std::to_wstring(found_.size()) + L" restrictions on this computer!",
                         mb::icon_error);
}

void RestrictionModel::rebuild_selection() {
    // Always over the whole list: the selection holds exactly the ticked items
    // that still show the cross image.
    for (const auto& item : found_) {
        const auto caption = trim(item.caption);
        if (!item.checked) {
            unselect(caption);
        } else if (item.image == kCrossImage && !find_selected(caption)) {
            selection_.push_back(caption);
            if (view_) view_->selection_appended(caption);
        }
    }
}

void RestrictionModel::item_checked(std::size_t index, bool checked) {
    if (index >= found_.size()) return;
    found_[index].checked = checked;
    rebuild_selection();
}

void RestrictionModel::check_all(bool checked) {
    // Each item that really changes counts as one check change, with its own
    // rebuild; an item already in the wanted state is left alone.
    for (std::size_t i = 0; i < found_.size(); ++i) {
        if (found_[i].checked == checked) continue;
        found_[i].checked = checked;
        if (view_) view_->check_changed(i, checked);
        rebuild_selection();
    }
}

void RestrictionModel::remove_selected() {
    if (selection_.empty()) return;

    if (back_up_) {
        // Every value a chosen restriction may be cleared from, and the key
        // the removal creates where it is missing.
        BackupPlan plan;
        for (const auto& entry : restriction_catalogue()) {
            if (!find_selected(trim(entry.caption))) continue;
            for (const auto& place : entry.locations())
                plan.keys.push_back({place.root, std::wstring(place.key_path), {std::wstring(place.value_name)}});
        }
        if (!back_up_(plan)) return;
    }

    std::vector<std::wstring> not_removed;
    for (const auto& entry : restriction_catalogue()) {
        const auto caption = trim(entry.caption);
        if (!find_selected(caption)) continue;
        remove(registry_, entry);
        // A value that could not be deleted (no right to change the key) is
        // still set: its item keeps the cross image and stays chosen.
        if (is_restricted(registry_, entry)) {
            not_removed.push_back(caption);
            continue;
        }
        for (std::size_t i = 0; i < found_.size(); ++i) {
            auto& item = found_[i];
            if (!item.checked || item.image == kTickImage || !equals_ignore_case(trim(item.caption), caption)) continue;
            item.image = kTickImage;
            if (view_) view_->image_changed(i, kTickImage);
        }
        unselect(caption);
    }

    if (!not_removed.empty()) {
        std::wstring text = kNotRemovedText;
        for (const auto& caption : not_removed)
            text += L"\n" + caption;
        ui_.show_message(text, mb::icon_error);
    } else if (selection_.empty()) {
        ui_.show_message(kRemovedText, mb::icon_information);
    }
}

} // namespace vx
