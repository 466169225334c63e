#include "shell/tab_control.h"
#include "window_fixture.h"

namespace {

TEST_F(WindowTest, TabRuleKeepsTheOtherRoadClosedForClicksAndOperations)
{
    KML_Main& w = window();
    struct {
        const char* mode;
        int selected;
        int shown;
    } const cases[] = {
        {"SEGY", 0, 3}, {"SEGY", 1, 1}, {"SEGY", 2, 2}, {"SEGY", 3, 3},
        {"TEXT_XY", 3, 0}, {"TEXT_XY", 1, 1}, {"TEXT_XY", 2, 2}, {"TEXT_XY", 0, 0},
    };
    for (const auto& c : cases) {
        w.Input_Mode = QString::fromLatin1(c.mode);
        w.SSTab1->setCurrentIndex(c.selected == 1 ? 2 : 1); // start from another tab
        w.SSTab1->setCurrentIndex(c.selected);
        EXPECT_EQ(w.SSTab1->currentIndex(), c.shown) << c.mode << " selecting " << c.selected;
    }
}

} // namespace
