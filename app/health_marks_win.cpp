#include "app/health_marks_win.h"

#include <string>

#include "app/components.h"
#include "app/controls_win.h"
#include "fixers/advanced/advanced_catalogue.h"
#include "fixers/advanced/advanced_health.h"
#include "fixers/assoc/assoc_catalogue.h"

namespace vx {

namespace {

constexpr COLORREF kIntactColour = RGB(0, 128, 0);
constexpr COLORREF kDamagedColour = RGB(192, 0, 0);

void show_mark(HWND mark, const std::wstring& text, bool intact) {
    if (!mark) return;
    set_label_colour(mark, intact ? kIntactColour : kDamagedColour);
    SetWindowTextW(mark, text.c_str());
}

bool showing(HWND mark) { return mark && GetWindowTextLengthW(mark) > 0; }

} // namespace

void refresh_association_mark(Services& services, const AssociationEntry& entry,
                              const std::function<HWND(int)>& find) {
    const auto index = static_cast<int>(&entry - kAssociations.data());
    HWND mark = find(kFirstAssociationMarkId + index);
    if (!showing(mark)) return;
    const auto health = check_association(services.registry, services.texts, entry);
    show_mark(mark, health.summary(), health.intact());
}

void refresh_advanced_mark(Services& services, const AdvancedRow& row, const std::function<HWND(int)>& find) {
    int index = 0;
    for (const AdvancedRow& other : advanced_rows()) {
        if (other.kind != AdvancedRow::Kind::repair) continue;
        if (&other == &row) break;
        ++index;
    }
    HWND mark = find(kFirstAdvancedMarkId + index);
    if (!showing(mark)) return;
    const AdvancedHealth health = check_advanced_row(services, row.component);
    show_mark(mark, health.summary(), health.intact());
}

void mark_association_rows(Services& services, const std::function<HWND(int)>& find) {
    const auto all = check_associations(services.registry, services.texts);
    for (std::size_t i = 0; i < all.size(); ++i)
        show_mark(find(kFirstAssociationMarkId + static_cast<int>(i)), all[i].summary(), all[i].intact());
}

void mark_advanced_rows(Services& services, const std::function<HWND(int)>& find) {
    int index = 0;
    for (const AdvancedRow& row : advanced_rows()) {
        if (row.kind != AdvancedRow::Kind::repair) continue;
        const AdvancedHealth health = check_advanced_row(services, row.component);
        show_mark(find(kFirstAdvancedMarkId + index++), health.summary(), health.intact());
    }
}

} // namespace vx
