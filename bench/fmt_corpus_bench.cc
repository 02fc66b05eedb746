// The formatting engine on the library's own message corpus: every compiled
// and catalog message text that has a conversion, rendered with arguments of
// the types it reads, against glibc snprintf and {fmt} (on the text
// translated once into its syntax), and measured without a buffer. Prints
// the ratios at the end; --slowest instead times each text alone against
// glibc and prints the ten slowest.
#include <time.h>

#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "contenders.h"
#include "corpus_calls.h"
#include "fmt/fmt_internal.h"
#include "ratio_reporter.h"

namespace {

using corpus::WideArg;

template <class T>
T to_fmt(T v) {
    return v;
}
const char *to_fmt(WideArg) { return ""; }  // texts with wide strings are left out

struct FmtRender {
    char *buf;
    size_t size;
    fmt::string_view text;
    template <class... A>
    int operator()(A... a) {
        auto r = fmt::vformat_to_n(buf, size - 1, text, fmt::make_format_args(to_fmt(a)...));
        *r.out = '\0';
        return static_cast<int>(r.size);
    }
};

struct Entry {
    std::string text;
    int sig;
    corpus::Values values;
    std::string fmt_text;  // empty when {fmt} cannot say the same
};

bool is_integer(int type) { return type >= zel::kTypeShort && type <= zel::kTypeULongLong; }

// The text in {fmt} syntax, with arguments numbered as the typed call passes
// them; false when {fmt} cannot render it exactly as printf does.
bool translate(const std::string &text, const std::string &sig, std::string *out) {
    zel_fmt_ctx ctx;
    int highest;
    if (zel::fmt_scan(&ctx, nullptr, text.c_str(), &highest) != 0) return false;
    auto index = [&](int slot) {
        return std::to_string(
            std::count_if(sig.begin(), sig.begin() + slot - 1, [](char c) { return c != '%'; }));
    };
    auto literal = [&](const char *a, const char *b) {
        for (; a < b; ++a) {
            *out += *a;
            if (*a == '{' || *a == '}') *out += *a;
        }
    };
    bool ok = true;
    const char *p = text.c_str();
    for (int i = 0; i < ctx.conv_count; ++i) {
        const zel_fmt_conv &c = ctx.convs[i];
        literal(p, c.start);
        p = c.end;
        unsigned32 f = c.flags;
        int t = c.type;
        if (t == zel::kTypePercent) {
            ok &= !(f & zel::kLayoutFlags);
            *out += '%';
            continue;
        }
        bool integer = is_integer(t), real = t >= zel::kTypeExp && t <= zel::kTypeLongGeneral;
        bool is_unsigned = integer && (t - zel::kTypeShort) % 2 == 1;
        bool has_width = f & (zel::kFlagWidth | zel::kFlagWidthArg);
        bool has_prec = f & (zel::kFlagPrec | zel::kFlagPrecArg);
        ok &= t != zel::kTypeWideChar && t != zel::kTypeWideString && !(f & zel::kFlagGroup);
        ok &= !(has_prec && (integer || t == zel::kTypeChar || t == zel::kTypePointer));
        ok &= !((f & zel::kFlagAlt) && !real);  // "#x" of 0 is "0" in printf
        std::string options;
        if (has_width) {
            if (f & zel::kFlagMinus)
                options += '<';
            else if (!((f & zel::kFlagZero) && (integer || real)))
                options += '>';
        }
        if (!is_unsigned && (integer || real)) {
            if (f & zel::kFlagPlus)
                options += '+';
            else if (f & zel::kFlagSpace)
                options += ' ';
        }
        if ((f & zel::kFlagAlt) && real) options += '#';
        if (has_width && (f & zel::kFlagZero) && (integer || real)) options += '0';
        if (f & zel::kFlagWidthArg)
            options += "{" + index(c.width) + "}";
        else if (f & zel::kFlagWidth)
            options += std::to_string(c.width);
        if (f & zel::kFlagPrecArg)
            options += ".{" + index(c.precision) + "}";
        else if (f & zel::kFlagPrec)
            options += "." + std::to_string(c.precision);
        const char *end = c.end - 1;  // the conversion character
        switch (*end) {
        case 'o':
        case 'x':
        case 'X':
        case 'c':
        case 'p':
        case 'e':
        case 'E':
        case 'f':
        case 'g':
        case 'G': options += *end; break;
        default: break;
        }
        *out += "{" + index(c.argnum) + (options.empty() ? "" : ":" + options) + "}";
    }
    literal(p, text.c_str() + text.size());
    zel::fmt_release(&ctx);
    return ok;
}

std::vector<Entry> g_entries;
char g_buf[8192];

[[noreturn]] void fail(const char *why, const std::string &text, const char *a, const char *b) {
    std::fprintf(stderr, "%s: \"%s\"\n  expected \"%s\"\n  got      \"%s\"\n", why, text.c_str(), a,
                 b);
    std::abort();
}

// Reads the corpus, translates it, and checks that every contender says
// what glibc says.
void set_up() {
    corpus::Corpus c = corpus::read_corpus(ZEL_FMT_CORPUS_CATALOGS);
    std::vector<std::string> left_out;
    for (size_t i = 0; i < c.texts.size(); ++i) {
        const corpus::Text &t = c.texts[i];
        Entry e{t.text, corpus::signature_index(t.signature), corpus::values_for(i), {}};
        if (e.sig < 0) {
            std::fprintf(stderr, "no typed call for signature \"%s\" of \"%s\"\n",
                         t.signature.c_str(), t.text.c_str());
            std::abort();
        }
        if (!translate(t.text, t.signature, &e.fmt_text)) {
            e.fmt_text.clear();
            left_out.push_back(t.text);
        }
        g_entries.push_back(std::move(e));
    }
    static char want[8192];
    for (Entry &e : g_entries) {
        corpus::LibcRender libc{want, sizeof want, e.text.c_str()};
        int n = corpus::call(e.sig, libc, e.values);
        corpus::ZelRender zel{g_buf, sizeof g_buf, e.text.c_str()};
        if (corpus::call(e.sig, zel, e.values) != n || std::strcmp(g_buf, want) != 0)
            fail("zel_snprintf differs from glibc", e.text, want, g_buf);
        corpus::ZelMeasure measure{e.text.c_str()};
        if (corpus::call(e.sig, measure, e.values) != n)
            fail("the measuring pass differs from glibc", e.text, want, "");
        if (e.fmt_text.empty()) continue;
        FmtRender f{g_buf, sizeof g_buf, e.fmt_text};
        if (corpus::call(e.sig, f, e.values) != n || std::strcmp(g_buf, want) != 0)
            fail("{fmt} differs from glibc", e.fmt_text, want, g_buf);
    }
    std::printf(
        "corpus: %d texts, %zu with conversions, %zu distinct signatures; "
        "%zu left out of {fmt}:\n",
        c.total, c.texts.size(), static_cast<size_t>(corpus::kSignatureCount), left_out.size());
    for (const std::string &t : left_out) std::printf("  %s\n", t.c_str());
}

void BM_Corpus_zel(benchmark::State &state) {
    for (auto _ : state) {
        for (const Entry &e : g_entries) {
            corpus::ZelRender f{g_buf, sizeof g_buf, e.text.c_str()};
            benchmark::DoNotOptimize(corpus::call(e.sig, f, e.values));
        }
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Corpus_zel);

void BM_Corpus_glibc(benchmark::State &state) {
    for (auto _ : state) {
        for (const Entry &e : g_entries) {
            corpus::LibcRender f{g_buf, sizeof g_buf, e.text.c_str()};
            benchmark::DoNotOptimize(corpus::call(e.sig, f, e.values));
        }
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Corpus_glibc);

// The same texts as the other contenders, less those {fmt} cannot say:
// compared with BM_Corpus_zel_fmt_texts.
void BM_Corpus_fmt(benchmark::State &state) {
    for (auto _ : state) {
        for (const Entry &e : g_entries) {
            if (e.fmt_text.empty()) continue;
            FmtRender f{g_buf, sizeof g_buf, e.fmt_text};
            benchmark::DoNotOptimize(corpus::call(e.sig, f, e.values));
        }
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Corpus_fmt);

void BM_Corpus_zel_fmt_texts(benchmark::State &state) {
    for (auto _ : state) {
        for (const Entry &e : g_entries) {
            if (e.fmt_text.empty()) continue;
            corpus::ZelRender f{g_buf, sizeof g_buf, e.text.c_str()};
            benchmark::DoNotOptimize(corpus::call(e.sig, f, e.values));
        }
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Corpus_zel_fmt_texts);

void BM_Corpus_zel_measure(benchmark::State &state) {
    for (auto _ : state) {
        for (const Entry &e : g_entries) {
            corpus::ZelMeasure f{e.text.c_str()};
            benchmark::DoNotOptimize(corpus::call(e.sig, f, e.values));
        }
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Corpus_zel_measure);

double thread_seconds() {
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// Median over rounds of the CPU time of `calls` calls of f.
template <class F>
double median_time(const Entry &e, F f) {
    constexpr int kRounds = 9, kCalls = 2000;
    double t[kRounds];
    for (double &x : t) {
        double start = thread_seconds();
        for (int i = 0; i < kCalls; ++i) benchmark::DoNotOptimize(corpus::call(e.sig, f, e.values));
        x = thread_seconds() - start;
    }
    std::nth_element(t, t + kRounds / 2, t + kRounds);
    return t[kRounds / 2] / kCalls;
}

void print_slowest() {
    std::vector<std::pair<double, const Entry *>> ratios;
    for (const Entry &e : g_entries) {
        double zel = median_time(e, corpus::ZelRender{g_buf, sizeof g_buf, e.text.c_str()});
        double libc = median_time(e, corpus::LibcRender{g_buf, sizeof g_buf, e.text.c_str()});
        ratios.push_back({libc / zel, &e});
    }
    std::sort(ratios.begin(), ratios.end(),
              [](const auto &a, const auto &b) { return a.first < b.first; });
    std::printf("The ten texts slowest against glibc (glibc time over zel time):\n");
    for (size_t i = 0; i < 10 && i < ratios.size(); ++i)
        std::printf("%6.2fx  %s\n", ratios[i].first, ratios[i].second->text.c_str());
}

// --passes=N CONTENDER: N whole-corpus passes of one contender and nothing
// else, for instruction counts (the difference of two N per pass).
int run_passes(long passes, const char *who) {
    auto passes_of = [&](auto contender) {
        for (long i = 0; i < passes; ++i)
            for (const Entry &e : g_entries) benchmark::DoNotOptimize(contender(e));
        return 0;
    };
    if (std::strcmp(who, "zel") == 0)
        return passes_of([](const Entry &e) {
            corpus::ZelRender f{g_buf, sizeof g_buf, e.text.c_str()};
            return corpus::call(e.sig, f, e.values);
        });
    if (std::strcmp(who, "glibc") == 0)
        return passes_of([](const Entry &e) {
            corpus::LibcRender f{g_buf, sizeof g_buf, e.text.c_str()};
            return corpus::call(e.sig, f, e.values);
        });
    if (std::strcmp(who, "measure") == 0)
        return passes_of([](const Entry &e) {
            corpus::ZelMeasure f{e.text.c_str()};
            return corpus::call(e.sig, f, e.values);
        });
    if (std::strcmp(who, "fmt") == 0)
        return passes_of([](const Entry &e) {
            if (e.fmt_text.empty()) return 0;
            FmtRender f{g_buf, sizeof g_buf, e.fmt_text};
            return corpus::call(e.sig, f, e.values);
        });
    std::fprintf(stderr, "--passes=N takes zel, glibc, fmt or measure\n");
    return 2;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc == 3 && std::strncmp(argv[1], "--passes=", 9) == 0) {
        set_up();
        return run_passes(std::atol(argv[1] + 9), argv[2]);
    }
    bool slowest = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--slowest") == 0) {
            slowest = true;
            std::copy(argv + i + 1, argv + argc + 1, argv + i);
            --argc;
            break;
        }
    }
    set_up();
    if (slowest) {
        print_slowest();
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.print_ratio("zel over glibc (target >= 1.5)", "BM_Corpus_glibc", "BM_Corpus_zel");
    reporter.print_ratio("zel over {fmt} (target >= 1.0)", "BM_Corpus_fmt",
                         "BM_Corpus_zel_fmt_texts");
    reporter.print_ratio("measuring over rendering (target >= 1.2)", "BM_Corpus_zel",
                         "BM_Corpus_zel_measure");
    benchmark::Shutdown();
    return 0;
}
