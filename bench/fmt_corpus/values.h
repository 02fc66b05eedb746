// Argument values for the corpus texts: deterministic, but varied the way
// log arguments are (short words and paths, small, large and negative
// numbers), chosen per text and argument number from fixed pools. The
// generated typed calls read them through the accessor named by each
// signature letter.
#ifndef ZEL_BENCH_FMT_CORPUS_VALUES_H
#define ZEL_BENCH_FMT_CORPUS_VALUES_H

#include <jrnmsg/lyr.h>

#include <cstddef>
#include <cwchar>
#include <iterator>

#include "corpus.h"

namespace corpus {

// A wide string in both widths: 16-bit units for the engine's "%S", wchar_t
// for the C library's.
struct WideArg {
    const lyr_wchar_t *w16;
    const wchar_t *w32;
};

// The pools the values are taken from.
struct Pools {
    static constexpr const char *kStrings[] = {
        "svc",
        "/var/opt/zel/log/routing.cfg",
        "worker-12",
        "",
        "KVXSC0162E",
        "/etc/x",
        "the remote host closed the connection",
        "authn",
        "cn=admin,o=example",
        "0x3665a096",
        "/home/build/work/very/deep/directory/tree/with/a/long/file-name.dat",
        "C",
    };
    static constexpr long long kNumbers[] = {
        0,
        1,
        -1,
        42,
        2147483647,
        -2147483647LL - 1,
        65535,
        123456,
        -7,
        1000000,
        -98765,
        9,
        17,
        4096,
        -300,
        31,
        8080,
        1LL << 40,
        -(1LL << 35),
        2718281828LL,
    };
    static constexpr unsigned long long kUnsigned[] = {
        0,
        1,
        0xdeadbeef,
        42,
        0x3665a096,
        4294967295u,
        255,
        1000000,
        0x7fffffff,
        8,
        18446744073709551615ull,
        123456789012ull,
        65536,
        3,
    };
    static constexpr double kDoubles[] = {0.0, 1.5, -2.25, 3.14159265358979, 1e-7, 6.02e23, 100.0};
    static constexpr lyr_wchar_t kWide0[] = {'s', 't', 'a', 'n', 'z', 'a', 0};
    static constexpr lyr_wchar_t kWide1[] = {'/', 'e', 't', 'c', '/', 'z', 'e',
                                             'l', '.', 'c', 'f', 'g', 0};
    static constexpr lyr_wchar_t kWide2[] = {0};
    static constexpr WideArg kWides[] = {
        {kWide0, L"stanza"}, {kWide1, L"/etc/zel.cfg"}, {kWide2, L""}};
};

// The values of one text: for each argument number, its place in each pool.
struct Values {
    unsigned char number[kMaxArguments + 1], unsign[kMaxArguments + 1], string[kMaxArguments + 1],
        wide_string[kMaxArguments + 1], real[kMaxArguments + 1];

    long long n(int k) const { return Pools::kNumbers[number[k]]; }
    unsigned long long un(int k) const { return Pools::kUnsigned[unsign[k]]; }

    char c(int k) const { return static_cast<char>('a' + unsign[k] % 26); }
    int C(int k) const { return 'A' + unsign[k] % 26; }
    const char *s(int k) const { return Pools::kStrings[string[k]]; }
    WideArg S(int k) const { return Pools::kWides[wide_string[k]]; }
    short h(int k) const { return static_cast<short>(n(k)); }
    unsigned short H(int k) const { return static_cast<unsigned short>(un(k)); }
    int i(int k) const { return static_cast<int>(n(k)); }
    unsigned u(int k) const { return static_cast<unsigned>(un(k)); }
    int w(int k) const { return static_cast<int>(un(k) % 24); }
    long l(int k) const { return static_cast<long>(n(k)); }
    unsigned long L(int k) const { return static_cast<unsigned long>(un(k)); }
    long long q(int k) const { return n(k); }
    unsigned long long Q(int k) const { return un(k); }
    const void *p(int k) const { return s(k); }
    double d(int k) const { return Pools::kDoubles[real[k]]; }
    long double D(int k) const { return d(k); }
};

inline Values values_for(size_t text_index) {
    auto pick = [&](size_t k, size_t pool) {
        return static_cast<unsigned char>((text_index * 7 + k * 3 + k * k) % pool);
    };
    Values v;
    for (size_t k = 0; k <= kMaxArguments; ++k) {
        v.number[k] = pick(k, std::size(Pools::kNumbers));
        v.unsign[k] = pick(k, std::size(Pools::kUnsigned));
        v.string[k] = pick(k, std::size(Pools::kStrings));
        v.wide_string[k] = pick(k, std::size(Pools::kWides));
        v.real[k] = pick(k, std::size(Pools::kDoubles));
    }
    return v;
}

}  // namespace corpus

#endif
