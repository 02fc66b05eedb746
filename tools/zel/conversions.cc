// Lists the arguments a printf format consumes, by position, reading each
// conversion with the formatting engine's own scanner.
#include "conversions.h"

#include <cstring>

#include "fmt/conversion_scan.h"
#include "fmt/fmt_internal.h"

namespace zeltool {
namespace {

// Higher argument numbers are refused, so that a damaged text cannot make
// the list huge.
constexpr size_t kMaxPosition = 4096;

class Collector {
public:
    // Records `kind` for the argument at `position` (1-based), or for the
    // next argument in order when position is 0.
    void add(size_t position, const std::string &kind) {
        size_t slot = position ? position - 1 : next_++;
        if (slot >= list_.size()) list_.resize(slot + 1);
        std::string &entry = list_[slot];
        if (entry.empty()) {
            entry = kind;
        } else if (entry != kind) {
            entry += "|" + kind;
        }
    }

    std::vector<std::string> finish() {
        for (std::string &entry : list_) {
            if (entry.empty()) entry = "?";
        }
        return std::move(list_);
    }

private:
    std::vector<std::string> list_;
    size_t next_ = 0;
};

// The length modifiers and letter as written: "ld", "Lf", "s".
std::string kind_of(const zel_fmt_conv &conv) {
    const char *p = conv.end - 1;
    while (std::strchr("hlLq", p[-1])) --p;
    return std::string(p, conv.end);
}

// Positions of the value and of its "*" arguments; 0 for the next in order.
bool read_positions(const zel_fmt_conv &conv, size_t *width, size_t *precision, size_t *value) {
    auto position = [](bool given, int number) { return given ? static_cast<size_t>(number) : 0; };
    *width = position(conv.flags & zel::kFlagWidthArgNum, conv.width);
    *precision = position(conv.flags & zel::kFlagPrecArgNum, conv.precision);
    *value = position(conv.flags & zel::kFlagValueNum, conv.argnum);
    return *width <= kMaxPosition && *precision <= kMaxPosition && *value <= kMaxPosition;
}

}  // namespace

std::vector<std::string> printf_conversions(const char *text) {
    Collector out;
    const char *p = text;
    while ((p = std::strchr(p, '%')) != nullptr) {
        const char *start = p;
        zel_fmt_conv conv;
        size_t width, precision, value;
        if (!zel::scan_conversion(start, &conv) ||
            !read_positions(conv, &width, &precision, &value)) {
            p = conv.end ? conv.end : rejected_end(start);
            out.add(0, "!" + std::string(start, p));
            continue;
        }
        p = conv.end;
        if (conv.type == zel::kTypePercent) continue;  // consumes nothing
        if (conv.flags & zel::kFlagWidthArg) out.add(width, "*");
        if (conv.flags & zel::kFlagPrecArg) out.add(precision, "*");
        out.add(value, kind_of(conv));
    }
    return out.finish();
}

const char *rejected_end(const char *percent) {
    const char *p = percent + 1;
    p += std::strspn(p, "0123456789$.*-+ #'hlLqjzt");
    return *p ? p + 1 : p;
}

std::string format_conversions(const std::vector<std::string> &list) {
    if (list.empty()) return "-";
    std::string text;
    for (const std::string &kind : list) {
        if (!text.empty()) text += ' ';
        bool plain = kind != "*" && kind != "?" && kind[0] != '!';
        text += plain ? "%" + kind : kind;
    }
    return text;
}

}  // namespace zeltool
