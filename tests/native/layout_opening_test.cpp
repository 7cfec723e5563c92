#include <gtest/gtest.h>

#include <map>
#include <set>
#include <vector>

#include "app/components.h"
#include "app/layout.h"

namespace vx {
namespace {

using namespace main_ids;

// The page a control lies on (0 for the header band and the pages themselves).
int page_of(const ControlSpec& control, const std::map<int, int>& parent_of) {
    for (int id = control.parent; id != kFormParent;) {
        if (id == TabSheet1 || id == tsFILEASSOC || id == tsRESTRICTFIX || id == tsADVANCEDFIX) return id;
        auto up = parent_of.find(id);
        if (up == parent_of.end()) return -1;
        id = up->second;
    }
    return 0;
}

TEST(MainWindowOpening, ShowsTheHeaderAndHomeFirstAndMakesTheOtherPagesAfterwards) {
    const auto all = main_window_layout();
    const auto opening = main_window_opening_layout();
    const auto later = main_window_later_layout();
    ASSERT_EQ(opening.size() + later.size(), all.size());
    std::map<int, int> parent_of;
    for (const auto& control : all)
        if (control.id != kUnnamedId) parent_of[control.id] = control.parent;

    std::set<int> opening_pages;
    for (std::size_t i = 0; i < opening.size(); ++i) {
        EXPECT_EQ(opening[i].id, all[i].id) << i;
        const int page = page_of(opening[i], parent_of);
        EXPECT_TRUE(page == 0 || page == TabSheet1) << "control " << opening[i].id << " of a hidden page";
        if (opening[i].kind == ControlKind::page) opening_pages.insert(opening[i].id);
    }
    // The tab strip has all four tabs from the start.
    EXPECT_EQ(opening_pages, (std::set<int>{TabSheet1, tsFILEASSOC, tsRESTRICTFIX, tsADVANCEDFIX}));
    for (std::size_t i = 0; i < later.size(); ++i) {
        EXPECT_EQ(later[i].id, all[opening.size() + i].id) << i;
        const int page = page_of(later[i], parent_of);
        EXPECT_TRUE(page == tsFILEASSOC || page == tsRESTRICTFIX || page == tsADVANCEDFIX) << later[i].id;
    }

    // Made one page at a time: each part holds one whole page, in order, so
    // every control's container exists when the control is made.
    std::vector<int> made_pages;
    std::size_t at = opening.size();
    for (const auto& part : main_window_later_pages()) {
        ASSERT_FALSE(part.empty());
        const int page = page_of(part.front(), parent_of);
        made_pages.push_back(page);
        std::set<int> made;
        for (const auto& control : part) {
            EXPECT_EQ(page_of(control, parent_of), page) << control.id;
            EXPECT_TRUE(control.parent == page || made.count(control.parent)) << control.id << " before its parent";
            if (control.id != kUnnamedId) made.insert(control.id);
            ASSERT_LT(at, all.size());
            EXPECT_EQ(control.id, all[at++].id);
        }
    }
    EXPECT_EQ(at, all.size());
    EXPECT_EQ(made_pages, (std::vector<int>{tsFILEASSOC, tsRESTRICTFIX, tsADVANCEDFIX}));
}

} // namespace
} // namespace vx
