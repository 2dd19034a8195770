#include "core/uir/uir.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <map>

namespace pelorin::uir {

const ControlDef* PanelDef::control(int control_id) const {
    for (const auto& c : controls)
        if (c.id == control_id)
            return &c;
    return nullptr;
}

const PanelDef* Resource::panel(int panel_id) const {
    for (const auto& p : panels)
        if (p.id == panel_id)
            return &p;
    return nullptr;
}

namespace {

struct Line {
    int number = 0;
    std::vector<std::string> positional;
    std::map<std::string, std::string> named;
};

[[noreturn]] void Fail(int line, const std::string& what) {
    throw UirError("pelorin.uir, line " + std::to_string(line) + ": " + what);
}

// Splits one line into bare words, quoted strings and key=value pairs.
Line Tokenise(std::string_view text, int number) {
    Line out;
    out.number = number;
    std::size_t i = 0;
    auto quoted = [&](std::size_t& pos) {
        std::string s;
        ++pos;  // opening quote
        while (pos < text.size() && text[pos] != '"') {
            if (text[pos] == '\\' && pos + 1 < text.size())
                ++pos;
            s += text[pos++];
        }
        if (pos >= text.size())
            Fail(number, "a quoted text is not closed");
        ++pos;
        return s;
    };
    while (i < text.size()) {
        const char c = text[i];
        if (c == ' ' || c == '\t' || c == '\r') {
            ++i;
            continue;
        }
        if (c == '#')
            break;
        if (c == '"') {
            out.positional.push_back(quoted(i));
            continue;
        }
        std::string word;
        while (i < text.size() && text[i] != ' ' && text[i] != '\t' && text[i] != '=' &&
               text[i] != '\r')
            word += text[i++];
        if (i < text.size() && text[i] == '=') {
            ++i;
            std::string value;
            if (i < text.size() && text[i] == '"') {
                value = quoted(i);
            } else {
                while (i < text.size() && text[i] != ' ' && text[i] != '\t' && text[i] != '\r')
                    value += text[i++];
            }
            if (!out.named.emplace(word, value).second)
                Fail(number, "\"" + word + "\" is given twice");
        } else {
            out.positional.push_back(word);
        }
    }
    return out;
}

double Number(const Line& l, const std::string& key, const std::string& text) {
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(text.c_str(), &end);
    // strtod also reads "nan" and "inf", which no range can hold.
    if (text.empty() || *end != '\0' || errno == ERANGE || !std::isfinite(v))
        Fail(l.number, "\"" + key + "\" needs a number, not \"" + text + "\"");
    return v;
}

int Integer(const Line& l, const std::string& key, const std::string& text) {
    const double v = Number(l, key, text);
    // Compared while still a double: converting one beyond an int is undefined.
    if (!(v >= -2147483648.0 && v <= 2147483647.0) || v != std::trunc(v))
        Fail(l.number, "\"" + key + "\" needs a whole number, not \"" + text + "\"");
    return static_cast<int>(v);
}

bool Flag(const Line& l, const std::string& key, const std::string& text) {
    if (text == "1" || text == "yes")
        return true;
    if (text == "0" || text == "no")
        return false;
    Fail(l.number, "\"" + key + "\" needs 0 or 1, not \"" + text + "\"");
}

// Hands out the named entries of a line one by one, each into its field when
// present, and refuses those that nobody asked for, so that a misspelt key is
// an error, not a silent default.
class Entries {
public:
    explicit Entries(const Line& line) : line_(line), left_(line.named) {}
    bool take(const std::string& key, std::string& out) {
        auto it = left_.find(key);
        if (it == left_.end())
            return false;
        out = it->second;
        left_.erase(it);
        return true;
    }
    void text(const std::string& key, std::string& field) { take(key, field); }
    void number(const std::string& key, double& field) {
        if (std::string v; take(key, v))
            field = Number(line_, key, v);
    }
    void integer(const std::string& key, int& field) {
        if (std::string v; take(key, v))
            field = Integer(line_, key, v);
    }
    void flag(const std::string& key, bool& field) {
        if (std::string v; take(key, v))
            field = Flag(line_, key, v);
    }
    void finish() const {
        if (!left_.empty())
            Fail(line_.number, "unknown entry \"" + left_.begin()->first + "\"");
    }

private:
    const Line& line_;
    std::map<std::string, std::string> left_;
};

const std::map<std::string, Kind>& Kinds() {
    static const std::map<std::string, Kind> kinds = {
        {"int", Kind::Int},       {"uint", Kind::UInt},     {"double", Kind::Double},
        {"float", Kind::Float},   {"switch", Kind::Switch}, {"ring", Kind::Ring},
        {"button", Kind::Button}, {"list", Kind::List},     {"graph", Kind::Graph},
        {"text", Kind::Text}};
    return kinds;
}

// A name becomes part of a C++ identifier: a letter, then letters and digits.
std::string Name(const Line& l, Entries& e) {
    std::string name;
    if (!e.take("name", name))
        return name;
    bool ok = !name.empty() && std::isalpha(static_cast<unsigned char>(name[0]));
    for (char c : name)
        ok = ok && std::isalnum(static_cast<unsigned char>(c));
    if (!ok)
        Fail(l.number, "\"" + name + "\" is no name: use letters and digits, a letter first");
    return name;
}

std::pair<int, std::string> IdAndLabel(const Line& l, const std::string& what) {
    if (l.positional.size() < 3)
        Fail(l.number, what + " needs an id and a quoted label");
    if (l.positional.size() > 3)
        Fail(l.number, "unexpected \"" + l.positional[3] + "\"");
    return {Integer(l, "id", l.positional[1]), l.positional[2]};
}

ControlDef ParseControl(const Line& l, Kind kind) {
    ControlDef c;
    c.kind = kind;
    c.line = l.number;
    std::tie(c.id, c.label) = IdAndLabel(l, "a control");
    Entries e(l);
    c.name = Name(l, e);
    e.text("callback", c.callback);
    e.text("tip", c.tip);
    e.text("row", c.row);
    e.number("min", c.min);
    e.number("max", c.max);
    e.number("value", c.value);
    e.number("increment", c.increment);
    e.integer("precision", c.precision);
    e.flag("visible", c.visible);
    e.flag("dimmed", c.dimmed);
    e.text("xlabel", c.xlabel);
    e.text("ylabel", c.ylabel);
    if (std::string v; e.take("items", v)) {
        std::size_t start = 0;
        while (start <= v.size()) {
            const std::size_t bar = std::min(v.find('|', start), v.size());
            const std::string item = v.substr(start, bar - start);
            const std::size_t colon = item.find(':');
            if (colon == std::string::npos)
                Fail(l.number, "a ring item needs the form value:text, not \"" + item + "\"");
            c.items.emplace_back(Integer(l, "items", item.substr(0, colon)),
                                 item.substr(colon + 1));
            start = bar + 1;
        }
    }
    e.finish();
    const bool numeric =
        kind == Kind::Int || kind == Kind::UInt || kind == Kind::Double || kind == Kind::Float;
    if (numeric && c.max < c.min)
        Fail(l.number, "control " + std::to_string(c.id) + " has max below min");
    if (numeric && (c.value < c.min || c.value > c.max))
        Fail(l.number, "control " + std::to_string(c.id) + " starts outside its range");
    if (kind == Kind::Ring && c.items.empty())
        Fail(l.number, "a ring needs items");
    return c;
}

}  // namespace

Resource ParseUir(std::string_view text) {
    Resource res;
    PanelDef* panel = nullptr;
    MenuDef* menu = nullptr;
    int number = 0;
    std::size_t pos = 0;
    while (pos <= text.size()) {
        const std::size_t eol = std::min(text.find('\n', pos), text.size());
        const Line l = Tokenise(text.substr(pos, eol - pos), ++number);
        pos = eol + 1;
        if (l.positional.empty()) {
            if (!l.named.empty())
                Fail(l.number, "a line needs a keyword");
            continue;
        }
        const std::string& word = l.positional[0];
        if (word == "panel") {
            if (panel)
                Fail(l.number, "panel inside a panel (missing \"end\")");
            PanelDef p;
            p.line = l.number;
            std::tie(p.id, p.title) = IdAndLabel(l, "a panel");
            if (res.panel(p.id))
                Fail(l.number, "panel " + std::to_string(p.id) + " is defined twice");
            Entries e(l);
            p.name = Name(l, e);
            e.text("callback", p.callback);
            e.text("note", p.note);
            e.integer("width", p.width);
            e.integer("height", p.height);
            e.finish();
            res.panels.push_back(std::move(p));
            panel = &res.panels.back();
            menu = nullptr;
            continue;
        }
        if (!panel)
            Fail(l.number, "\"" + word + "\" outside a panel");
        if (word == "end") {
            panel = nullptr;
            menu = nullptr;
        } else if (word == "menu") {
            if (l.positional.size() != 2)
                Fail(l.number, "a menu needs one quoted title");
            panel->menus.push_back(MenuDef{l.positional[1], {}});
            menu = &panel->menus.back();
        } else if (word == "item" || word == "separator") {
            if (!menu)
                Fail(l.number, "a menu item outside a menu");
            MenuItemDef item;
            if (word == "item") {
                std::tie(item.id, item.label) = IdAndLabel(l, "a menu item");
                Entries e(l);
                item.name = Name(l, e);
                e.text("callback", item.callback);
                e.text("shortcut", item.shortcut);
                e.flag("dimmed", item.dimmed);
                e.text("group", item.group);
                e.flag("toggle", item.toggle);
                e.flag("whilebusy", item.while_busy);
                e.flag("checked", item.checked);
                e.finish();
                if (item.toggle && !item.group.empty())
                    Fail(l.number, "an item is a toggle= or one of a group=, not both");
                if (item.checked && item.group.empty() && !item.toggle)
                    Fail(l.number,
                         "checked=1 needs a group= of items to choose among, or toggle=1");
                for (const auto& m : panel->menus)
                    for (const auto& other : m.items)
                        if (other.id == item.id && item.id != 0)
                            Fail(l.number,
                                 "menu item " + std::to_string(item.id) + " is defined twice");
            }
            menu->items.push_back(std::move(item));
        } else {
            const auto kind = Kinds().find(word);
            if (kind == Kinds().end())
                Fail(l.number, "unknown keyword \"" + word + "\"");
            ControlDef c = ParseControl(l, kind->second);
            if (c.kind != Kind::Text && panel->control(c.id))
                Fail(l.number, "control " + std::to_string(c.id) + " is defined twice in panel " +
                                   std::to_string(panel->id));
            panel->controls.push_back(std::move(c));
        }
    }
    if (panel)
        Fail(number, "panel " + std::to_string(panel->id) + " is not closed with \"end\"");
    return res;
}

}  // namespace pelorin::uir
