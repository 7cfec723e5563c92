// The layout tables of the main and About windows: what the Win32 side needs
// to build them (every parent made before its children, IDs that are unique
// and never IDOK or IDCANCEL, every catalogue button known by name) and the
// scaling of places, sizes and fonts.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "app/components.h"
#include "app/layout.h"
#include "fixers/advanced/advanced_catalogue.h"
#include "fixers/assoc/assoc_catalogue.h"
#include "services/error.h"

namespace vx {
namespace {

void expect_buildable(const std::vector<ControlSpec>& controls, const std::set<int>& form_ids) {
    std::set<int> made;
    for (const ControlSpec& control : controls) {
        SCOPED_TRACE(to_utf8(std::wstring(main_component_name(control.id))) + " id " + std::to_string(control.id));
        EXPECT_NE(control.id, 0);
        EXPECT_NE(control.id, 1); // IDOK: Enter would press it
        EXPECT_NE(control.id, 2); // IDCANCEL: Esc would press it
        EXPECT_TRUE(control.parent == kFormParent || made.count(control.parent)) << "parent made after its child";
        if (control.id == kUnnamedId) continue;
        EXPECT_TRUE(made.insert(control.id).second) << "ID used twice";
        EXPECT_TRUE(form_ids.count(control.id) || control.id >= kFirstRowId) << "ID of no component";
    }
}

std::set<int> ids_between(int first, int end) {
    std::set<int> ids;
    for (int id = first + 1; id < end; ++id)
        ids.insert(id);
    return ids;
}

TEST(WindowLayout, TablesCanBeBuiltInOrderWithUniqueIds) {
    expect_buildable(main_window_layout(), ids_between(main_ids::kFirst, main_ids::kEnd));
    const auto about = about_layout();
    expect_buildable({about.begin(), about.end()}, ids_between(about_ids::kFirst, about_ids::kEnd));
}

TEST(WindowLayout, EveryCatalogueButtonIsAComponentOfTheMainWindow) {
    // A button name the component header does not know would get no ID and
    // its row no handler.
    std::set<int> ids;
    for (const AssociationEntry& entry : kAssociations) {
        SCOPED_TRACE(to_utf8(entry.button));
        const int id = main_component_id(entry.button);
        EXPECT_NE(id, 0);
        EXPECT_TRUE(ids.insert(id).second);
    }
    for (const AdvancedRow& row : advanced_rows()) {
        SCOPED_TRACE(to_utf8(std::wstring(row.component)));
        const int id = main_component_id(row.component);
        EXPECT_NE(id, 0);
        EXPECT_TRUE(ids.insert(id).second);
    }
    EXPECT_EQ(ids.size(), 26u + 26u);
    EXPECT_EQ(main_component_name(main_component_id(L"btnFIXTXTFILE")), L"btnFIXTXTFILE");
    EXPECT_EQ(main_component_name(0), L"");
}

TEST(WindowLayout, AssociationRowsStackInPageOrderAndAlternateColours) {
    const auto rows = association_rows_layout();
    std::vector<const ControlSpec*> panels;
    for (const ControlSpec& control : rows)
        if (control.parent == main_ids::ScrollBox2) panels.push_back(&control);
    ASSERT_EQ(panels.size(), 26u);
    for (std::size_t i = 0; i < panels.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(panels[i]->y, static_cast<int>(i) * 41);
        EXPECT_EQ(panels[i]->width, 585);
        EXPECT_EQ(panels[i]->height, 41);
        EXPECT_EQ(panels[i]->colour, i % 2 == 0 ? Colour::button_face : Colour::white);
    }
    // Each row's button belongs to that row's panel.
    for (std::size_t i = 0; i < kAssociations.size(); ++i) {
        const int id = main_component_id(kAssociations[i].button);
        for (const ControlSpec& control : rows) {
            if (control.id == id) {
                EXPECT_EQ(control.parent, panels[i]->id) << to_utf8(kAssociations[i].button);
            }
        }
    }
}

TEST(WindowLayout, AdvancedRowsStackByTheirHeightsWithButtonsAtTheirOffsets) {
    const auto rows = advanced_rows_layout();
    std::map<int, const ControlSpec*> by_id;
    for (const ControlSpec& control : rows)
        by_id[control.id] = &control;
    int top = 0, panels = 0;
    for (const ControlSpec& control : rows) {
        if (control.parent != main_ids::ScrollBox1) continue;
        ++panels;
        EXPECT_EQ(control.y, top);
        EXPECT_EQ(control.width, 613);
        top += control.height;
    }
    EXPECT_EQ(panels, 26);
    // Three headers of 41, the first repair row 41, the other 22 rows 40.
    EXPECT_EQ(top, 3 * 41 + 41 + 22 * 40);
    const ControlSpec* header = by_id.at(main_ids::Panel43);
    EXPECT_EQ(header->caption, L"Internet && Connections");
    EXPECT_TRUE(header->flags & flag::raised);
    EXPECT_EQ(by_id.at(main_ids::btnFIXFILEHOST)->y, 9);
    EXPECT_EQ(by_id.at(main_ids::btnResetGPedit)->y, 6);
    EXPECT_EQ(by_id.at(main_ids::btnFIXDNSCACHE)->x, 520);
}

// Every repair and association row has one mark, inside its row, clear of
// the row's button and below or beside its texts, so a long difference never
// covers what the row already showed.
TEST(WindowLayout, EachRowHasOneMarkInsideItClearOfItsButtonAndTexts) {
    struct Case {
        std::vector<ControlSpec> rows;
        int first_mark;
        std::size_t marks;
    };
    std::size_t repairs = 0;
    for (const AdvancedRow& row : advanced_rows())
        if (row.kind == AdvancedRow::Kind::repair) ++repairs;
    const Case cases[] = {{association_rows_layout(), kFirstAssociationMarkId, kAssociations.size()},
                          {advanced_rows_layout(), kFirstAdvancedMarkId, repairs}};
    for (const auto& c : cases) {
        std::map<int, const ControlSpec*> by_id;
        for (const ControlSpec& control : c.rows) by_id[control.id] = &control;
        for (std::size_t i = 0; i < c.marks; ++i) {
            SCOPED_TRACE(c.first_mark + static_cast<int>(i));
            ASSERT_TRUE(by_id.count(c.first_mark + static_cast<int>(i)));
            const ControlSpec& mark = *by_id.at(c.first_mark + static_cast<int>(i));
            EXPECT_TRUE(mark.flags & flag::ellipsis);
            EXPECT_TRUE(mark.caption.empty()) << "a mark before any check";
            const ControlSpec& panel = *by_id.at(mark.parent);
            EXPECT_LE(mark.y + mark.height, panel.height);
            EXPECT_LE(mark.x + mark.width, panel.width);
            for (const ControlSpec& other : c.rows) {
                if (other.parent != mark.parent || &other == &mark) continue;
                if (other.kind == ControlKind::button) {
                    EXPECT_LT(mark.x + mark.width, other.x) << "the mark reaches the button";
                } else if (other.kind == ControlKind::label) {
                    // Beside a text, or under it.
                    EXPECT_TRUE(mark.x >= 240 || mark.y >= other.y + 13) << to_utf8(std::wstring(other.caption));
                }
            }
        }
        EXPECT_FALSE(by_id.count(c.first_mark + static_cast<int>(c.marks))) << "a mark of no row";
    }
}

TEST(WindowLayout, ScalesEachPlaceSizeAndFontByTheDpi) {
    struct Case {
        int dpi;
        ControlSpec control;
        ScaledControl expected;
    };
    const ControlSpec list{main_ids::lvRESTRICT, ControlKind::list_view, 0, 16, 88, 601, 281, {}, {}, {}, 0};
    const ControlSpec title{main_ids::Label1, ControlKind::label, 0, 84, 8, 0, 0, L"", {-40, false}, {}, 0};
    const ControlSpec band{main_ids::Image2, ControlKind::picture, 0, 0, 0, 641, 89, L"", {-11, false}, {}, 0};
    const Case cases[] = {
        {96, list, {16, 88, 601, 281, 0}},
        {144, list, {24, 132, 902, 422, 0}}, // 601 * 1.5 = 901.5: halves away from zero
        {120, list, {20, 110, 751, 351, 0}},
        {144, title, {126, 12, 0, 0, -60}},
        {144, band, {0, 0, 962, 134, -17}}, // -16.5 rounds to -17
        {192, band, {0, 0, 1282, 178, -22}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dpi);
        const ScaledControl at = scale_control(c.control, DpiScale(c.dpi));
        EXPECT_EQ(at.x, c.expected.x);
        EXPECT_EQ(at.y, c.expected.y);
        EXPECT_EQ(at.width, c.expected.width);
        EXPECT_EQ(at.height, c.expected.height);
        EXPECT_EQ(at.font_height, c.expected.font_height);
    }
}

} // namespace
} // namespace vx
