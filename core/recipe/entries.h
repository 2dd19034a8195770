// Reading the entries of a recipe step: whole numbers, reals, words and
// paths, each refused with a message that quotes what was written.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "core/recipe/recipe.h"
#include "core/refusal.h"

namespace pelorin::recipe {

// A step's refusal; the front end adds the recipe and the line.
inline Refusal Refused(const std::string& text) {
    return Refusal(text);
}

// v with as few digits as read back to the same double.
std::string Num(double v);
// v with as few digits as read back, through a double as a step reads them, to
// the same float (a frequency of the list).
std::string Num(float v);

// "key=text", as the operator wrote it.
std::string Setting(std::string_view key, const std::string& text);

// A whole decimal number, an optional '+' before its first digit.
long long ParseWhole(std::string_view key, const std::string& text);

// A finite decimal real, an optional '+' before its first digit.
double ParseReal(std::string_view key, const std::string& text);

// Whether value is one of the words "a|b|c".
bool IsWord(std::string_view words, const std::string& value);

// "key=a or key=b or key=c", for a message.
std::string Words(std::string_view words, std::string_view key);

// The value of key; refused when the step does not give it.
const std::string& Required(const Step& s, std::string_view key);

// A non-empty path given as key=.
std::string RequiredPath(const Step& s, std::string_view key);

// The value of key, or fallback when the step does not give it.
std::string Word(const Step& s, std::string_view key, std::string_view fallback);

// How many of the keys the step gives.
int Given(const Step& s, std::initializer_list<std::string_view> keys);

}  // namespace pelorin::recipe
