// The panel resource format: a small declarative text that lists every panel
// of the program with its controls, menus and the callbacks they bind.
//
//   panel 7 "Set / Reset" name=SetReset [callback=NAME]
//     int 4 "Waveform samples" name=TekSamples min=2 max=67108864 value=8192 callback=NAME
//     double 5 "Bandwidth (kHz)" min=0.001 max=12500 value=1000 precision=3
//     switch 9 "Tektronix AWG" value=1
//     ring 13 "Law" items="1:Raised cosine|2:Rectified sine"
//     button 7 "Apply" callback=NAME
//     menu "&File"
//       item 3 "&Store waveform…" callback=NAME shortcut="Ctrl+S" dimmed=1
//       item 21 "&kHz axis" callback=NAME group=axis checked=1
//       item 34 "&Decibel scale" callback=NAME toggle=1 whilebusy=1
//       separator
//   end
//
// Lines are a keyword, positional fields (id, quoted label) and key=value
// entries; "#" starts a comment. The parser knows nothing of Qt. A name gives
// the id a constant in the generated header resources/panel_ids.h, which is
// how the program refers to it.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pelorin::uir {

enum class Kind { Int, UInt, Double, Float, Switch, Ring, Button, List, Graph, Text };

struct ControlDef {
    int id = 0;
    std::string name;
    Kind kind = Kind::Text;
    std::string label;
    std::string callback;
    std::string tip;
    std::string row;  // controls sharing a row name are laid out side by side
    double min = 0.0;
    double max = 0.0;
    double value = 0.0;
    double increment = 1.0;
    int precision = 3;
    bool visible = true;
    bool dimmed = false;
    std::vector<std::pair<int, std::string>> items;  // ring choices: value, text
    std::string xlabel;
    std::string ylabel;
    int line = 0;
};

struct MenuItemDef {
    int id = 0;  // 0 for a separator
    std::string name;
    std::string label;
    std::string callback;
    std::string shortcut;
    bool dimmed = false;
    std::string group;        // items of one group are checked one at a time
    bool toggle = false;      // checked and unchecked on its own
    bool while_busy = false;  // stays available while work runs (it changes no design)
    bool checked = false;     // checked at the start (a group's item or a toggle)
};

struct MenuDef {
    std::string title;
    std::vector<MenuItemDef> items;
};

struct PanelDef {
    int id = 0;
    std::string name;
    std::string title;
    std::string callback;
    std::string note;  // explanatory text shown at the top of the panel
    int width = 0;
    int height = 0;
    std::vector<ControlDef> controls;
    std::vector<MenuDef> menus;
    int line = 0;

    const ControlDef* control(int control_id) const;
};

struct Resource {
    std::vector<PanelDef> panels;
    const PanelDef* panel(int panel_id) const;
};

// A malformed resource; the message names the line.
class UirError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

Resource ParseUir(std::string_view text);

// The text of the program's panel resource, compiled in.
std::string_view PanelResourceText();

}  // namespace pelorin::uir
