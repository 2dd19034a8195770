#include "cli/recipe.h"

namespace pelorin::cli {

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

const std::string* Step::Find(std::string_view key) const {
    for (const Entry& e : entries)
        if (e.key == key)
            return &e.value;
    return nullptr;
}

std::vector<Step> ParseRecipe(std::string_view text, int first_line) {
    // Editors on Windows start UTF-8 files with a byte-order mark; UTF-16
    // starts with one of its own and is refused as a whole.
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    else if (text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF"))
        throw RecipeError(first_line,
                          "is UTF-16 text; recipes are UTF-8 text: save the recipe as UTF-8");
    std::vector<Step> steps;
    int number = first_line;
    for (std::size_t start = 0; start <= text.size(); ++number) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        const std::string_view line = text.substr(start, end - start);
        if (line.find('\0') != std::string_view::npos)
            throw RecipeError(number, "holds a NUL byte; recipes are UTF-8 text");
        const std::vector<std::string> words = Words(line, number);
        start = end + 1;
        if (words.empty())
            continue;
        Step step{words[0], {}, number};
        if (step.name.find('=') != std::string::npos)
            throw RecipeError(number, "\"" + step.name +
                                          "\" is not a step name: a line starts "
                                          "with the step, then its key=value entries");
        for (std::size_t w = 1; w < words.size(); ++w) {
            const std::size_t eq = words[w].find('=');
            if (eq == std::string::npos || eq == 0)
                throw RecipeError(number, "\"" + words[w] + "\" is not an entry: write key=value");
            Entry entry{words[w].substr(0, eq), words[w].substr(eq + 1)};
            if (step.Find(entry.key))
                throw RecipeError(number, entry.key + "= is given twice");
            step.entries.push_back(std::move(entry));
        }
        steps.push_back(std::move(step));
    }
    return steps;
}

}  // namespace pelorin::cli
