#include "core/uir/uir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "resources/panel_ids.h"

namespace pelorin::uir {
namespace {

TEST(Uir, ParsesPanelsControlsAndMenus) {
    const Resource r = ParseUir(R"uir(
# comment
panel 7 "Set / Reset" name=SetReset note="Entries"
  int 4 "Samples" name=Samples2 min=2 max=100 value=8 callback=Apply   # trailing comment
  double 5 "Bandwidth (kHz)" min=0.5 max=12500 value=1250 precision=3 tip="snaps"
  ring 2 "From" items="0:Typed bounds|1:Graph cursors" value=1
  switch 9 "Tek" value=1 row=awg
  button 7 "Apply" callback=Apply
end
panel 8 "Main" callback=Main
  graph 2 "Profile" xlabel="Frequency (kHz)"
  menu "&File"
    item 3 "&Store" name=MenuStore callback=Store shortcut="Ctrl+S" dimmed=1
    separator
    item 5 "E&xit" callback=Exit
end
)uir");
    ASSERT_EQ(r.panels.size(), 2u);
    const PanelDef* p = r.panel(7);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->title, "Set / Reset");
    EXPECT_EQ(p->note, "Entries");
    EXPECT_EQ(p->name, "SetReset");
    EXPECT_EQ(p->control(4)->name, "Samples2");
    const ControlDef* bw = p->control(5);
    ASSERT_TRUE(bw);
    EXPECT_EQ(bw->kind, Kind::Double);
    EXPECT_EQ(bw->value, 1250.0);
    EXPECT_EQ(bw->precision, 3);
    EXPECT_EQ(bw->tip, "snaps");
    EXPECT_EQ(p->control(4)->callback, "Apply");
    ASSERT_EQ(p->control(2)->items.size(), 2u);
    EXPECT_EQ(p->control(2)->items[1], (std::pair<int, std::string>{1, "Graph cursors"}));
    EXPECT_EQ(p->control(9)->row, "awg");
    const PanelDef* m = r.panel(8);
    ASSERT_EQ(m->menus.size(), 1u);
    ASSERT_EQ(m->menus[0].items.size(), 3u);
    EXPECT_TRUE(m->menus[0].items[0].dimmed);
    EXPECT_EQ(m->menus[0].items[0].name, "MenuStore");
    EXPECT_EQ(m->menus[0].items[1].id, 0);  // separator
    EXPECT_EQ(m->menus[0].items[2].callback, "Exit");
    EXPECT_EQ(r.panel(3), nullptr);
}

// Each malformed resource is refused with the line that holds the fault.
TEST(Uir, MalformedResourcesNameTheLine) {
    const std::pair<const char*, const char*> cases[] = {
        {"panel 1 \"A\"\n  int 2 \"x\" max=1\n", "not closed"},
        {"panel 1 \"A\"\n  knob 2 \"x\"\nend\n", "line 2: unknown keyword \"knob\""},
        {"panel 1 \"A\"\n  int 2 \"x\" colour=red\nend\n", "line 2: unknown entry \"colour\""},
        {"panel 1 \"A\"\n  int 2 \"x\" max=ten\nend\n", "line 2: \"max\" needs a number"},
        {"panel 1 \"A\"\n  int 2 \"x\" min=5 max=1\nend\n", "max below min"},
        {"panel 1 \"A\"\n  int 2 \"x\" min=0 max=1 value=3\nend\n", "starts outside"},
        {"panel 1 \"A\"\n  int 2 \"x\"\n  double 2 \"y\"\nend\n",
         "line 3: control 2 is defined twice"},
        {"panel 1 \"A\"\nend\npanel 1 \"B\"\nend\n", "line 3: panel 1 is defined twice"},
        {"int 2 \"x\"\n", "line 1: \"int\" outside a panel"},
        {"panel 1 \"A\n", "not closed"},
        {"panel 1 \"A\"\n  item 3 \"x\"\nend\n", "line 2: a menu item outside a menu"},
        {"panel 1 \"A\"\n  menu \"M\"\n    item 3 \"x\" checked=1\nend\n",
         "line 3: checked=1 needs a group="},
        {"panel 1 \"A\"\n  ring 2 \"x\" items=\"one\"\nend\n", "value:text"},
        {"panel one \"A\"\nend\n", "\"id\" needs a number"},
        {"panel 3e33 \"A\"\nend\n", "\"id\" needs a whole number"},
        {"panel 1 \"A\"\n  int 2 \"x\" max=nan\nend\n", "line 2: \"max\" needs a number"},
        {"panel 1 \"A\"\n  int 2\nend\n", "needs an id and a quoted label"},
        {"panel 1 \"A\" name=2nd\nend\n", "line 1: \"2nd\" is no name"},
        {"panel 1 \"A\"\n  int 2 \"x\" name=a_b\nend\n", "line 2: \"a_b\" is no name"},
    };
    for (const auto& [text, expected] : cases) {
        try {
            ParseUir(text);
            ADD_FAILURE() << "accepted: " << text;
        } catch (const UirError& e) {
            EXPECT_NE(std::string(e.what()).find(expected), std::string::npos)
                << e.what() << "\nexpected: " << expected;
        }
    }
}

// The program's own resource, as compiled in: every id the program refers to
// comes from it through the generated header, and the Set/Reset panel starts
// in the Tektronix layout.
TEST(Uir, ProgramResourceStartsInTheTektronixLayout) {
    const Resource r = ParseUir(PanelResourceText());
    namespace sr = ids::SetReset;
    const PanelDef* p = r.panel(sr::kPanel);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->control(sr::kTekSwitch)->value, 1.0);
    EXPECT_EQ(p->control(sr::kNiSwitch)->value, 0.0);
    EXPECT_TRUE(p->control(sr::kTekSamples)->visible && p->control(sr::kTekBandwidth)->visible);
    EXPECT_FALSE(p->control(sr::kNiSamples)->visible || p->control(sr::kNiBandwidth)->visible);
    EXPECT_GE(p->control(sr::kTekSamples)->min, 2.0);
    EXPECT_GT(p->control(sr::kTekBandwidth)->min, 0.0);
    EXPECT_LE(p->control(sr::kTekBandwidth)->max, 12500.0);
}

}  // namespace
}  // namespace pelorin::uir
