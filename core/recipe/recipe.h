// Recipes: plain-text lists of steps for the command-line front end, one step
// a line, "name key=value key=value ...", "#" starting a comment.
#pragma once

#include <iosfwd>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace pelorin::recipe {

struct Entry {
    std::string key;
    std::string value;
};

struct Step {
    std::string name;
    std::vector<Entry> entries;  // in the order written
    int line = 0;                // where the step stands in its recipe

    // The value of key (the first, for a key given more than once), or
    // nullptr when the step does not give it.
    const std::string* Find(std::string_view key) const;
    // Every value of key, in the order written.
    std::vector<std::string> All(std::string_view key) const;
};

// The recipe line of a step: its name, then its entries as key=value in their
// order, a value in double quotes when it holds a blank or a '#' or is empty.
// Throws Refusal for a value no line can hold (a double quote or a control
// character, such as a line break, in it).
std::string FormatStep(const Step& step);

// A recipe that cannot be read as steps; line says where.
class RecipeError : public std::runtime_error {
public:
    RecipeError(int line, const std::string& reason) : std::runtime_error(reason), line_(line) {}
    int line() const noexcept { return line_; }

private:
    int line_;
};

// Splits text into steps. Words are separated by blanks; a value in double
// quotes may hold blanks and "#" (but no double quote); "#" outside quotes
// ends the line. Blank and comment lines give no step. Lines are numbered from
// first_line. A UTF-8 byte-order mark at the start is passed over, and a
// carriage return before a line feed counts as a blank. Throws RecipeError for
// an entry without "=" or without a key, a quote left open, a NUL byte and
// UTF-16 text. (A key given twice is the step's to refuse: a few take lists.)
std::vector<Step> ParseRecipe(std::string_view text, int first_line = 1);

// One line of a recipe, numbered number: its step, or nothing for a blank or
// comment line. Refuses as ParseRecipe does.
std::optional<Step> ParseRecipeLine(std::string_view line, int number);

// Longest line of a recipe read from a file or a stream.
inline constexpr std::size_t kMaxRecipeLine = 65536;

// Reads a recipe line by line, never holding more than one line of it; a
// longer line than kMaxRecipeLine is refused, so that /dev/zero or a binary
// file ends in a refusal rather than an exhausted memory.
std::vector<Step> ReadRecipe(std::istream& in);

// text as a message quotes it: control characters escaped as \x1b, and cut
// with an ellipsis after 60 characters.
std::string Shown(std::string_view text);

// A whole message made safe for a terminal: control characters escaped, cut
// with an ellipsis after 2000 characters.
std::string Printable(std::string_view message);

}  // namespace pelorin::recipe
