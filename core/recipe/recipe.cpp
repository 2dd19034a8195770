#include "core/recipe/recipe.h"

#include <cstdio>
#include <istream>

#include "core/refusal.h"

namespace pelorin::recipe {

std::string Shown(std::string_view text) {
    constexpr std::size_t kLongest = 60;
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (out.size() >= kLongest) {
            out += "…";
            break;
        }
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::string Printable(std::string_view message) {
    constexpr std::size_t kLongest = 2000;
    std::string out;
    for (char ch : message) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
            out += escaped;
        } else {
            out += ch;
        }
        if (out.size() >= kLongest) {
            out += "…";
            break;
        }
    }
    return out;
}

namespace {

bool Blank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

// The words of one line, quotes removed from quoted values.
std::vector<std::string> Words(std::string_view line, int number) {
    std::vector<std::string> words;
    std::size_t i = 0;
    while (true) {
        while (i < line.size() && Blank(line[i]))
            ++i;
        if (i == line.size() || line[i] == '#')
            return words;
        std::string word;
        while (i < line.size() && !Blank(line[i]) && line[i] != '#') {
            if (line[i] == '"') {
                const std::size_t close = line.find('"', i + 1);
                if (close == std::string_view::npos)
                    throw RecipeError(number,
                                      "a double quote is left open: close the value "
                                      "with a second \" on the same line");
                word.append(line.substr(i + 1, close - i - 1));
                i = close + 1;
            } else {
                word += line[i++];
            }
        }
        words.push_back(std::move(word));
    }
}

}  // namespace

std::string FormatStep(const Step& step) {
    std::string line = step.name;
    for (const Entry& e : step.entries) {
        bool quote = e.value.empty();
        for (char ch : e.value) {
            const auto c = static_cast<unsigned char>(ch);
            if (c == '"' || c < 0x20 || c == 0x7F)
                throw Refusal("The " + step.name + " step's " + e.key + "= value \"" +
                              Shown(e.value) +
                              "\" cannot be written in a recipe: it holds a double quote or a "
                              "control character.");
            quote = quote || c == ' ' || c == '#';
        }
        line += " " + e.key + "=" + (quote ? "\"" + e.value + "\"" : e.value);
    }
    return line;
}

std::vector<std::string> Step::All(std::string_view key) const {
    std::vector<std::string> values;
    for (const Entry& e : entries)
        if (e.key == key)
            values.push_back(e.value);
    return values;
}

const std::string* Step::Find(std::string_view key) const {
    for (const Entry& e : entries)
        if (e.key == key)
            return &e.value;
    return nullptr;
}

std::optional<Step> ParseRecipeLine(std::string_view line, int number) {
    if (number == 1 || line.starts_with("\xEF\xBB\xBF") || line.starts_with("\xFF\xFE") ||
        line.starts_with("\xFE\xFF")) {
        // Editors on Windows start UTF-8 files with a byte-order mark; UTF-16
        // starts with one of its own and is refused as a whole.
        if (line.starts_with("\xEF\xBB\xBF"))
            line.remove_prefix(3);
        else if (line.starts_with("\xFF\xFE") || line.starts_with("\xFE\xFF"))
            throw RecipeError(number,
                              "is UTF-16 text; recipes are UTF-8 text: save the recipe as UTF-8");
    }
    if (line.find('\0') != std::string_view::npos)
        throw RecipeError(number, "holds a NUL byte; recipes are UTF-8 text");
    const std::vector<std::string> words = Words(line, number);
    if (words.empty())
        return std::nullopt;
    Step step{words[0], {}, number};
    if (step.name.find('=') != std::string::npos)
        throw RecipeError(number, "\"" + Shown(step.name) +
                                      "\" is not a step name: a line starts with the step, then "
                                      "its key=value entries");
    for (std::size_t w = 1; w < words.size(); ++w) {
        const std::size_t eq = words[w].find('=');
        if (eq == std::string::npos || eq == 0)
            throw RecipeError(number,
                              "\"" + Shown(words[w]) + "\" is not an entry: write key=value");
        step.entries.push_back({words[w].substr(0, eq), words[w].substr(eq + 1)});
    }
    return step;
}

std::vector<Step> ParseRecipe(std::string_view text, int first_line) {
    std::vector<Step> steps;
    int number = first_line;
    for (std::size_t start = 0; start <= text.size(); ++number) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        if (auto step = ParseRecipeLine(text.substr(start, end - start), number))
            steps.push_back(std::move(*step));
        start = end + 1;
    }
    return steps;
}

std::vector<Step> ReadRecipe(std::istream& in) {
    using Traits = std::streambuf::traits_type;
    std::streambuf* buf = in.rdbuf();
    std::vector<Step> steps;
    std::string line;
    for (int number = 1;; ++number) {
        line.clear();
        int c = buf->sbumpc();
        if (Traits::eq_int_type(c, Traits::eof()))
            break;
        for (; !Traits::eq_int_type(c, Traits::eof()) && Traits::to_char_type(c) != '\n';
             c = buf->sbumpc()) {
            if (line.size() == kMaxRecipeLine)
                throw RecipeError(number, "is longer than " + std::to_string(kMaxRecipeLine) +
                                              " bytes; is this a recipe?");
            line.push_back(Traits::to_char_type(c));
        }
        if (auto step = ParseRecipeLine(line, number))
            steps.push_back(std::move(*step));
        if (Traits::eq_int_type(c, Traits::eof()))
            break;
    }
    if (in.bad())
        throw RecipeError(0, "cannot be read to its end");
    return steps;
}

}  // namespace pelorin::recipe
