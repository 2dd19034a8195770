#include "core/recipe/manual.h"

#include <span>
#include <sstream>
#include <string_view>
#include <vector>

#include "core/recipe/runner.h"

namespace pelorin::recipe {

namespace {

// The texts both the help and the manual pages show, paragraph by paragraph.
constexpr std::string_view kSummary =
    "design SWIFT excitation waveforms for FT-ICR mass spectrometers";

constexpr std::string_view kCliDescription[] = {
    "pelorin-cli runs the design steps of Pelorin without a window. It reads a recipe: one step "
    "a line, its name, then key=value entries in any order. A value with blanks goes in double "
    "quotes; # starts a comment. Frequencies are in kHz, m/z values in thomson, the Hadamard "
    "band width in Hz.",
    "Each step does what a commit on its panel does in the window, and is refused where the "
    "panel would refuse it; entries are checked against the panels' ranges. Every step of a "
    "recipe is checked before the first one runs, so a misspelt step further down writes "
    "nothing.",
    "Files appear complete or not at all. CSV files hold numbers with 17 significant digits. A "
    "series (swim with last=, or hadamard batch=) prints its account on standard output, and "
    "counts its members on standard error when that is a terminal; members skipped for want "
    "of power are listed there and do not stop the run.",
};

constexpr std::string_view kExample[] = {
    "reset layout=tek samples=65536 bandwidth=1250",
    "notch from=200 to=400 level=1",
    "swift factor=-1",
    "store file=band.swf",
};

constexpr std::string_view kExitStatus[] = {
    "0 when every step ran.",
    "2 when a step was refused (the message names the recipe and the line), a file of a series "
    "could not be written, standard output could not be written, or the command line is wrong. "
    "Files written by earlier steps stay.",
};

constexpr std::string_view kGuiDescription[] = {
    "pelorin is the window in which an operator shapes a magnitude profile over frequency "
    "(bands and notches, smoothing, SWIM modulation, Hadamard-encoded frequency lists, "
    "isolation of m/z values), synthesises its SWIFT waveform and stores it as a .swf file "
    "for the arbitrary waveform generator. It also converts .dat waveforms to .swf, opens "
    ".swf files with their spectrum and figures, and saves designs as recipes that "
    "pelorin-cli(1) runs unchanged.",
    "Given FILE, pelorin opens it at start: a .swf file as a waveform, anything else as a "
    "design.",
};

std::string Wrap(std::string_view text, std::size_t width, const std::string& indent) {
    std::string out, line;
    std::istringstream words{std::string(text)};
    for (std::string word; words >> word;) {
        if (!line.empty() && line.size() + 1 + word.size() > width) {
            out += indent + line + "\n";
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
    }
    return out + indent + line + "\n";
}

// Text for man(7): backslashes and hyphens escaped, no line starting with a
// control character.
std::string Roff(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '\\')
            out += "\\e";
        else if (c == '-')
            out += "\\-";
        else
            out += c;
    }
    if (!out.empty() && (out[0] == '.' || out[0] == '\''))
        out.insert(0, "\\&");
    return out;
}

std::string Header(const std::string& name, const std::string& title) {
    return ".TH " + name + " 1 \"\" \"Pelorin " PELORIN_VERSION "\" \"" + title + "\"\n.SH NAME\n" +
           name + " \\- " + Roff(kSummary) + "\n";
}

std::string Paragraphs(std::span<const std::string_view> paragraphs) {
    std::string out;
    for (std::string_view p : paragraphs)
        out += ".PP\n" + Roff(p) + "\n";
    return out;
}

}  // namespace

std::string VersionText(const std::string& program) {
    return program + " " PELORIN_VERSION "\n";
}

std::string HelpText() {
    std::ostringstream text;
    text << "Usage: pelorin-cli RECIPE         runs the steps of a recipe file\n"
            "       pelorin-cli -              reads the recipe from standard input\n"
            "       pelorin-cli -e STEP ...    runs the steps given, one per -e\n"
            "       pelorin-cli --help | --version\n\n";
    for (std::string_view p : kCliDescription)
        text << Wrap(p, 80, "") << "\n";
    text << "Steps:\n";
    for (const StepDef& d : Steps())
        text << "  " << d.name << (d.usage.empty() ? "" : " ") << d.usage << "\n"
             << Wrap(d.what, 74, "      ") << "      e.g. " << d.example << "\n";
    text << "\nExample, a band from 200 to 400 kHz stored as a .swf file:\n";
    for (std::string_view line : kExample)
        text << "  " << line << "\n";
    text << "\nExit status:\n";
    for (std::string_view p : kExitStatus)
        text << Wrap(p, 78, "  ");
    return text.str();
}

std::string GuiHelpText() {
    std::string text = "Usage: pelorin [FILE]\n       pelorin --help | --version\n\n";
    for (std::string_view p : kGuiDescription)
        text += Wrap(p, 80, "") + "\n";
    return text +
           "The user guide is under Help > User guide (F1); man pelorin-cli describes the "
           "recipes.\n";
}

std::string CliManPage() {
    std::string page = Header("pelorin-cli", "Pelorin");
    page +=
        ".SH SYNOPSIS\n.B pelorin\\-cli\n.I RECIPE\n.br\n.B pelorin\\-cli \\-\n.br\n"
        ".B pelorin\\-cli\n\\fB\\-e\\fR \\fISTEP\\fR ...\n.br\n"
        ".B pelorin\\-cli\n\\fB\\-\\-help\\fR | \\fB\\-\\-version\\fR\n";
    page += ".SH DESCRIPTION\n" + Paragraphs(kCliDescription);
    page +=
        ".SH OPTIONS\n.TP\n.I RECIPE\nRuns the steps of a recipe file.\n.TP\n.B \\-\n"
        "Reads the recipe from standard input.\n.TP\n\\fB\\-e\\fR \\fISTEP\\fR\n"
        "Runs the step given; \\-e may be repeated, one step each.\n.TP\n.B \\-\\-help\n"
        "Prints the usage and every step.\n.TP\n.B \\-\\-version\nPrints the version.\n";
    page += ".SH STEPS\n";
    for (const StepDef& d : Steps()) {
        page += ".TP\n\\fB" + Roff(d.name) + "\\fR";
        if (!d.usage.empty())
            page += " " + Roff(d.usage);
        page += "\n" + Roff(d.what) + ".\n.br\nExample: \\f(CR" + Roff(d.example) + "\\fR\n";
    }
    page += ".SH EXAMPLES\nA band from 200 to 400 kHz stored as a .swf file:\n.PP\n.nf\n.RS\n";
    for (std::string_view line : kExample)
        page += Roff(line) + "\n";
    page += ".RE\n.fi\n.PP\nCommented recipes are in \\fI/usr/share/doc/pelorin/examples/\\fR.\n";
    page += ".SH EXIT STATUS\n";
    for (std::string_view p : kExitStatus)
        page += ".TP\n.B " + std::string(p.substr(0, 1)) + "\n" + Roff(p.substr(p.find(' ') + 1)) +
                "\n";
    page +=
        ".SH FILES\n.TP\n.I *.recipe\nDesigns: one step a line, as above; the window's "
        "File > Save design writes them.\n.TP\n.I *.swf\nWaveforms: a five\\-line text "
        "header, then one 12\\-bit code per sample as a little\\-endian 16\\-bit word.\n"
        ".SH SEE ALSO\n.BR pelorin (1)\n";
    return page;
}

std::string GuiManPage() {
    std::string page = Header("pelorin", "Pelorin");
    page +=
        ".SH SYNOPSIS\n.B pelorin\n[\\fIFILE\\fR]\n.br\n.B pelorin\n\\fB\\-\\-help\\fR | "
        "\\fB\\-\\-version\\fR\n";
    page += ".SH DESCRIPTION\n" + Paragraphs(kGuiDescription);
    page +=
        ".SH OPTIONS\n.TP\n.I FILE\nA waveform (.swf) or a design (.recipe) to open.\n.TP\n"
        ".B \\-\\-help\nPrints the usage.\n.TP\n.B \\-\\-version\nPrints the version.\n";
    page +=
        ".SH FILES\n.TP\n.I ~/.config/Pelorin/Pelorin.conf\nWhat the window remembers: "
        "folders, the window, the Set/Reset entries, the calibration, the axis and the "
        "recent designs.\n.TP\n.I /usr/share/doc/pelorin/user\\-guide.html\nThe user guide, "
        "also under Help > User guide.\n";
    page += ".SH SEE ALSO\n.BR pelorin\\-cli (1)\n";
    return page;
}

}  // namespace pelorin::recipe
