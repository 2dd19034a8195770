#include "core/recipe/entries.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

#include "core/numbers.h"

namespace pelorin::recipe {

std::string Num(double v) {
    char buffer[32];
    return {buffer, std::to_chars(buffer, buffer + sizeof buffer, v).ptr};
}

std::string Num(float v) {
    char text[32];
    const std::string shortest(text, std::to_chars(text, text + sizeof text, v).ptr);
    if (static_cast<float>(std::strtod(shortest.c_str(), nullptr)) == v)
        return shortest;
    return Num(static_cast<double>(v));
}

std::string Setting(std::string_view key, const std::string& text) {
    return Shown(std::string(key) + "=" + text);
}

long long ParseWhole(std::string_view key, const std::string& text) {
    const std::string_view t = WithoutPlus(text);
    long long v = 0;
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    if (t.empty() || ec != std::errc() || end != t.data() + t.size())
        throw Refused(Setting(key, text) + " is not a whole number");
    return v;
}

double ParseReal(std::string_view key, const std::string& text) {
    const std::string_view t = WithoutPlus(text);
    double v = 0.0;
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    // from_chars also reads "inf" and "nan", which no entry accepts.
    if (t.empty() || ec != std::errc() || end != t.data() + t.size() || !std::isfinite(v))
        throw Refused(Setting(key, text) + " is not a number");
    return v;
}

namespace {

// Calls f for each word of "a|b|c"; stops when f returns true.
template <class F>
bool AnyWord(std::string_view words, F f) {
    for (std::size_t start = 0; start <= words.size();) {
        const std::size_t bar = std::min(words.find('|', start), words.size());
        if (f(words.substr(start, bar - start)))
            return true;
        start = bar + 1;
    }
    return false;
}

}  // namespace

bool IsWord(std::string_view words, const std::string& value) {
    return AnyWord(words, [&](std::string_view w) { return w == value; });
}

std::string Words(std::string_view words, std::string_view key) {
    std::string text;
    AnyWord(words, [&](std::string_view w) {
        text += (text.empty() ? "" : " or ") + Setting(key, std::string(w));
        return false;
    });
    return text;
}

const std::string& Required(const Step& s, std::string_view key) {
    const std::string* v = s.Find(key);
    if (!v)
        throw Refused(std::string("needs ") + std::string(key) + "=");
    return *v;
}

std::string RequiredPath(const Step& s, std::string_view key) {
    const std::string& path = Required(s, key);
    if (path.empty())
        throw Refused(Setting(key, "") + ": Must specify a file name.");
    return path;
}

std::string Word(const Step& s, std::string_view key, std::string_view fallback) {
    const std::string* v = s.Find(key);
    return v ? *v : std::string(fallback);
}

int Given(const Step& s, std::initializer_list<std::string_view> keys) {
    int n = 0;
    for (std::string_view k : keys)
        n += s.Find(k) != nullptr;
    return n;
}

}  // namespace pelorin::recipe
