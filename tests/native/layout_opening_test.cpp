#include <gtest/gtest.h>

#include <map>
#include <set>

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
}

} // namespace
} // namespace vx
