// The contenders of the corpus benchmark and test, as callables that the
// generated typed calls invoke with one text's typed values: the engine
// rendering and measuring, the C library's snprintf, and {fmt} (in the
// benchmark only). Wide strings travel as 16-bit units to the engine and as
// wchar_t to the C library.
#ifndef ZEL_BENCH_FMT_CORPUS_CONTENDERS_H
#define ZEL_BENCH_FMT_CORPUS_CONTENDERS_H

#include <zel/fmt.h>

#include <cstdio>

#include "values.h"

namespace corpus {

template <class T>
T to_zel(T v) {
    return v;
}
inline const lyr_wchar_t *to_zel(WideArg w) { return w.w16; }
template <class T>
T to_libc(T v) {
    return v;
}
inline const wchar_t *to_libc(WideArg w) { return w.w32; }

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"
struct ZelRender {
    char *buf;
    int size;
    const char *text;
    template <class... A>
    int operator()(A... a) {
        return zel_snprintf(buf, size, text, to_zel(a)...);
    }
};
struct ZelMeasure {
    const char *text;
    template <class... A>
    int operator()(A... a) {
        return zel_snprintf(nullptr, 0, text, to_zel(a)...);
    }
};
struct LibcRender {
    char *buf;
    int size;
    const char *text;
    template <class... A>
    int operator()(A... a) {
        return std::snprintf(buf, static_cast<size_t>(size), text, to_libc(a)...);
    }
};
#pragma GCC diagnostic pop

}  // namespace corpus

#endif
