#include "core/files/csv.h"

#include <charconv>

#include "core/files/atomic_file.h"
#include "core/refusal.h"

namespace pelorin {

namespace {

void Append(std::string& out, double v) {
    // to_chars, not printf: "%.17g" would follow the locale's decimal comma.
    char buffer[32];
    const auto end =
        std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::general, 17).ptr;
    out.append(buffer, end);
}

}  // namespace

void WriteCsv(const std::string& path, std::string_view header, std::size_t count,
              const CsvRow& row) {
    AtomicFile file(path);
    std::string text(header);
    text += '\n';
    for (std::size_t i = 0; i < count; ++i) {
        const auto [a, b] = row(i);
        Append(text, a);
        text += ',';
        Append(text, b);
        text += '\n';
        if (text.size() >= (1u << 16)) {
            file.Write(text.data(), text.size());
            text.clear();
        }
    }
    file.Write(text.data(), text.size());
    file.Commit();
}

}  // namespace pelorin
