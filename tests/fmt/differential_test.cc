// Random formats give the system snprintf's bytes and length at every size.
#include <zel/zel.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <limits>
#include <random>

#include "support/test_support.h"

namespace {

struct Arg {
    enum Kind { kInt, kLong, kLongLong, kDouble, kLongDouble, kPointer } kind;
    long long i;
    long double f;
    const void *p;
};

struct Case {
    std::string format;
    std::vector<Arg> args;
};

constexpr size_t kMaxArgs = 4;
int g_failures = 0;

void compare(const Case *c, ...) {
    va_list args, ap;
    va_start(args, c);
    va_copy(ap, args);
    int n = vsnprintf(nullptr, 0, c->format.c_str(), ap);
    va_end(ap);
    for (int size : {0, 1, n / 2, n, n + 1, n + 100}) {
        if (size < 0) continue;
        std::string want(static_cast<size_t>(size) + 8, '#'), got(want);
        va_copy(ap, args);
        int wn = vsnprintf(&want[0], static_cast<size_t>(size), c->format.c_str(), ap);
        va_end(ap);
        va_copy(ap, args);
        int gn = zel_vsnprintf(&got[0], size, c->format.c_str(), ap);
        va_end(ap);
        if (wn != gn || want != got) {
            ADD_FAILURE() << "format \"" << c->format << "\" size " << size << ": want " << wn << " \"" << want
                          << "\", got " << gn << " \"" << got << "\"";
            ++g_failures;
            break;
        }
    }
    // Measuring without a buffer counts the same.
    va_copy(ap, args);
    EXPECT_EQ(n, zel_vsnprintf(nullptr, 0, c->format.c_str(), ap)) << c->format;
    va_end(ap);
    va_end(args);
}

// Builds the variadic call argument by argument, each at its own type.
template <typename... A>
void call(const Case &c, size_t i, A... a) {
    if constexpr (sizeof...(A) >= kMaxArgs) {
        compare(&c, a...);
    } else {
        if (i == c.args.size()) return compare(&c, a...);
        const Arg &x = c.args[i];
        switch (x.kind) {
        case Arg::kInt: return call(c, i + 1, a..., static_cast<int>(x.i));
        case Arg::kLong: return call(c, i + 1, a..., static_cast<long>(x.i));
        case Arg::kLongLong: return call(c, i + 1, a..., x.i);
        case Arg::kDouble: return call(c, i + 1, a..., static_cast<double>(x.f));
        case Arg::kLongDouble: return call(c, i + 1, a..., x.f);
        case Arg::kPointer: return call(c, i + 1, a..., x.p);
        }
    }
}

// Random formats of up to kMaxArgs arguments, with edge values often.
struct Generator {
    std::mt19937 rng;

    Case next() {
        Case c;
        text(c.format);
        while (c.args.size() < kMaxArgs && chance(75)) conversion(c), text(c.format);
        return c;
    }
    int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }
    bool chance(int percent) { return pick(1, 100) <= percent; }
    template <typename T, size_t N>
    T any_of(const T (&values)[N]) {
        return values[pick(0, static_cast<int>(N) - 1)];
    }

    void text(std::string &s) {  // printable characters after '%'
        for (int n = pick(0, 6); n > 0; --n) s += static_cast<char>(pick('&', '~'));
    }

    long long integer() {
        static const long long edges[] = {LLONG_MIN, LLONG_MAX, INT_MIN, INT_MAX, 65535, 65536,
                                          -32769,    255,       256,     8,       16};
        int kind = pick(0, 3);
        return kind == 0   ? pick(-20, 20)
               : kind == 1 ? pick(INT_MIN, INT_MAX)
               : kind == 2 ? any_of(edges)
                           : static_cast<long long>(rng());
    }

    long double floating() {
        static const double inf = std::numeric_limits<double>::infinity(),
                            nan = std::numeric_limits<double>::quiet_NaN();
        static const long double edges[] = {0.0L,         -0.0L,  0.5L,     9.5L, 0.05L, 1e-5L,
                                            123456789.0L, 1e300L, -1e-300L, inf,  -inf,  nan};
        switch (pick(0, 5)) {
        case 0: return pick(-1000, 1000) / 8.0L;
        case 1: return std::ldexp(static_cast<long double>(pick(1, 1 << 30)), pick(-80, 80)) * (chance(50) ? 1 : -1);
        case 2: return any_of(edges);
        default: return std::uniform_real_distribution<double>(-1e6, 1e6)(rng);
        }
    }

    void conversion(Case &c) {
        static const char kConvs[] = "diouxXcspeEfgG";
        char conv = kConvs[pick(0, sizeof kConvs - 2)];
        bool is_float = strchr("eEfgG", conv) != nullptr;
        bool is_int = strchr("diouxX", conv) != nullptr;
        // Stars take arguments too; keep room for the value.
        size_t room = kMaxArgs - c.args.size() - 1;

        std::string f = "%";
        for (char flag : std::string("-+ #0")) {
            if (!chance(30)) continue;
            if (conv == 'p' && (flag == '+' || flag == ' ')) continue;  // the system signs pointers
            f += flag;
        }
        std::shuffle(f.begin() + 1, f.end(), rng);
        bool zero = f.find('0') != std::string::npos;

        int width = pick(0, 3);
        if (width == 1) {
            f += std::to_string(pick(1, 25));
        } else if (width == 2 && room > 0) {
            f += '*';
            c.args.push_back({Arg::kInt, pick(0, 25), 0, nullptr});
            --room;
        }
        int prec = pick(0, 3);
        bool has_prec = prec == 1 || (prec == 2 && room > 0);
        if (prec == 1) {
            f += chance(15) ? "." : "." + std::to_string(pick(0, is_float ? 25 : 12));
        } else if (prec == 2 && room > 0) {
            f += ".*";
            // A negative precision keeps the system's zero flag, not this engine's.
            c.args.push_back({Arg::kInt, pick(zero ? 0 : -2, 12), 0, nullptr});
        }
        // Here the precision turns the zero flag off for floating numbers too.
        if (is_float && has_prec && zero) f.erase(f.find('0'), 1);

        Arg value{Arg::kInt, 0, 0, nullptr};
        if (is_int) {
            static const char *kLengths[] = {"", "h", "l", "ll"};
            std::string len = any_of(kLengths);
            value.kind = len == "l" ? Arg::kLong : len == "ll" ? Arg::kLongLong : Arg::kInt;
            value.i = integer();
            // "#" octal of 0 without digits: the system still prints a 0.
            if (conv == 'o' && f.find('#') != std::string::npos && has_prec) value.i = pick(1, 4095);
            f += len;
        } else if (is_float) {
            bool ld = chance(40);
            value.kind = ld ? Arg::kLongDouble : Arg::kDouble;
            value.f = floating();
            if (ld) f += 'L';
        } else if (conv == 'c') {
            value.i = pick(1, 255);
            if (chance(20)) f += 'h';
        } else if (conv == 's') {
            static const char *kStrings[] = {"", "a", "hello", "tab\there", "0123456789abcdefghij"};
            value.kind = Arg::kPointer;
            value.p = any_of(kStrings);
            if (chance(20)) f += 'h';
        } else {  // p: the system prints "(nil)" for null, this engine only padding
            value.kind = Arg::kPointer;
            value.p = reinterpret_cast<const void *>(static_cast<uintptr_t>(rng()) | 1);
        }
        f += conv;
        c.args.push_back(value);
        c.format += f;
    }
};

TEST(FmtDifferential, RandomFormatsMatchTheSystemSnprintf) {
    Generator gen{std::mt19937(20240611)};
    for (int i = 0; i < 20000 && g_failures < 20; ++i) call(gen.next(), 0);
    // The fixed pieces that the generator only reaches by chance.
    auto i = [](long long v) { return Arg{Arg::kInt, v, 0, nullptr}; };
    auto ld = [](long double v) { return Arg{Arg::kLongDouble, 0, v, nullptr}; };
    Case fixed[] = {
        {"%%|%c|%5c|%-3c|", {i('x'), i('y'), i('z')}},
        {"%#.0x|%#5.3o|%+.0d|% 05d", {i(0), i(7), i(0), i(42)}},
        {"%Le|%LG|%.0Lf|%#.0e", {ld(1e4000L), ld(-1e-4000L), ld(2.5L), {Arg::kDouble, 0, 3.0L, nullptr}}},
        {"%.300f", {{Arg::kDouble, 0, 1e300L, nullptr}}},
    };
    for (const Case &c : fixed) call(c, 0);
}

}  // namespace
