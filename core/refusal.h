// An operation refused with a message for the operator. The core throws it;
// each front end shows it (a notice in the window, a line on standard error).
#pragma once

#include <stdexcept>
#include <string>

namespace pelorin {

enum class Severity { Error, Warning };

class Refusal : public std::runtime_error {
public:
    explicit Refusal(const std::string& text, Severity severity = Severity::Error)
        : std::runtime_error(text), severity_(severity) {}
    Severity severity() const noexcept { return severity_; }
    // The title of the notice that shows it.
    const char* title() const noexcept {
        return severity_ == Severity::Warning ? "Warning" : "Error";
    }

private:
    Severity severity_;
};

// Work the operator cancelled: nothing it would have changed has changed.
class Cancelled : public Refusal {
public:
    using Refusal::Refusal;
};

}  // namespace pelorin
