// Build step: reads the panel resource and writes the two files generated
// from it, so that the resource is the one source of every panel, control and
// menu-item id.
//   uir_ids RESOURCE IDS_HEADER RESOURCE_SOURCE
// IDS_HEADER gets a namespace per named panel with a constant per named
// control and menu item; RESOURCE_SOURCE defines uir::PanelResourceText().
#include <fstream>
#include <iostream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>

#include "core/uir/uir.h"

namespace {

std::string Constant(const std::string& name, int id) {
    return "inline constexpr int k" + name + " = " + std::to_string(id) + ";\n";
}

std::string Header(const pelorin::uir::Resource& res) {
    std::ostringstream out;
    out << "// Generated from resources/pelorin.uir by uir_ids: do not edit.\n"
           "#pragma once\n\nnamespace pelorin::ids {\n";
    std::set<std::string> panels;
    for (const auto& p : res.panels) {
        if (p.name.empty())
            continue;
        if (!panels.insert(p.name).second)
            throw pelorin::uir::UirError("pelorin.uir, line " + std::to_string(p.line) +
                                         ": panel name " + p.name + " is used twice");
        std::set<std::string> names{"Panel"};
        const auto add = [&](const std::string& name, int id, int line) {
            if (name.empty())
                return;
            if (!names.insert(name).second)
                throw pelorin::uir::UirError("pelorin.uir, line " + std::to_string(line) +
                                             ": name " + name + " is used twice in panel " +
                                             p.name);
            out << Constant(name, id);
        };
        out << "\nnamespace " << p.name << " {\n" << Constant("Panel", p.id);
        for (const auto& c : p.controls)
            add(c.name, c.id, c.line);
        for (const auto& m : p.menus)
            for (const auto& item : m.items)
                add(item.name, item.id, p.line);
        out << "}  // namespace " << p.name << "\n";
    }
    out << "\n}  // namespace pelorin::ids\n";
    return out.str();
}

std::string Source(const std::string& text) {
    // A raw literal whose delimiter the resource cannot hold.
    std::string delimiter = "uir";
    while (text.find(")" + delimiter + "\"") != std::string::npos)
        delimiter += "x";
    return "// Generated from resources/pelorin.uir by uir_ids: do not edit.\n"
           "#include \"core/uir/uir.h\"\n\n"
           "std::string_view pelorin::uir::PanelResourceText() {\n"
           "    return R\"" +
           delimiter + "(" + text + ")" + delimiter +
           "\";\n"
           "}\n";
}

// Writes only when the content changes, so that a rebuild of the resource
// recompiles only what depends on a changed id.
bool WriteIfChanged(const std::string& path, const std::string& content) {
    {
        std::ifstream in(path, std::ios::binary);
        if (in && std::string(std::istreambuf_iterator<char>(in), {}) == content)
            return true;
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    return static_cast<bool>(out.flush());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: uir_ids RESOURCE IDS_HEADER RESOURCE_SOURCE\n";
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::cerr << "uir_ids: cannot read " << argv[1] << "\n";
        return 1;
    }
    const std::string text(std::istreambuf_iterator<char>(in), {});
    try {
        const pelorin::uir::Resource res = pelorin::uir::ParseUir(text);
        if (!WriteIfChanged(argv[2], Header(res)) || !WriteIfChanged(argv[3], Source(text))) {
            std::cerr << "uir_ids: cannot write the generated files\n";
            return 1;
        }
    } catch (const pelorin::uir::UirError& e) {
        std::cerr << "uir_ids: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
