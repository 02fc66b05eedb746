// Lists the arguments a printf format consumes, by position, reading
// conversions the way the C library's printf does.
#include "conversions.h"

#include <cstring>

namespace zeltool {
namespace {

constexpr size_t kMaxPosition = 4096;  // the C library's NL_ARGMAX

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

// Reads "N$" at p; returns N (1..kMaxPosition) and moves p past it, or
// returns 0 and leaves p alone.
size_t read_position(const char *&p) {
    const char *q = p;
    size_t n = 0;
    while (*q >= '0' && *q <= '9' && n <= kMaxPosition) n = n * 10 + (*q++ - '0');
    if (q == p || *q != '$' || n == 0 || n > kMaxPosition) return 0;
    p = q + 1;
    return n;
}

void skip_digits(const char *&p) {
    while (*p >= '0' && *p <= '9') ++p;
}

// A '*' width or precision at p consumes an int argument.
void read_star(const char *&p, Collector &out) {
    if (*p == '*') {
        ++p;
        out.add(read_position(p), "*");
    } else {
        skip_digits(p);
    }
}

std::string read_length(const char *&p) {
    for (const char *modifier : {"hh", "ll", "h", "l", "L", "q", "j", "z", "t"}) {
        size_t n = std::strlen(modifier);
        if (std::strncmp(p, modifier, n) == 0) {
            p += n;
            return modifier;
        }
    }
    return "";
}

}  // namespace

std::vector<std::string> printf_conversions(const char *text) {
    Collector out;
    const char *p = text;
    while ((p = std::strchr(p, '%')) != nullptr) {
        const char *start = p++;
        if (*p == '%') {
            ++p;
            continue;
        }
        size_t position = read_position(p);
        while (*p && std::strchr("-+ #0'I", *p)) ++p;
        read_star(p, out);
        if (*p == '.') {
            ++p;
            read_star(p, out);
        }
        std::string kind = read_length(p);
        if (*p == 'm') {
            ++p;  // the text of errno: no argument
        } else if (*p && std::strchr("diouxXeEfFgGaAcspnCS", *p)) {
            out.add(position, kind + *p++);
        } else {
            if (*p) ++p;
            out.add(position, "!" + std::string(start, p));
        }
    }
    return out.finish();
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
