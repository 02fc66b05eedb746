// ZELString appends of short pieces and single characters against
// std::string, and ZELStringIter over a 1 MB comma-separated text (as a view
// and in place) against a std::string_view split. Prints the ratios at the end.
#include <zel/ZELString.h>
#include <zel/ZELStringIter.h>
#include <zel/ZELStringRef.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <string_view>

#include "ratio_reporter.h"

namespace {

constexpr int kFill = 4096;  // bytes appended before the string is emptied again

// Pieces of 8 to 16 bytes, as a record's fields might be.
const char *const kPieces[] = {
    "worker-1",    "session=42:",    "status 0x1065220a", "component svc", " request 4242;",
    "after 17 us", "path /var/log/", "thread main",       "cache hit 99%", "user=nobody",
};
constexpr size_t kPieceCount = sizeof kPieces / sizeof kPieces[0];
int piece_length[kPieceCount];

void BM_AppendPieces_zel(benchmark::State &state) {
    ZELString s;
    size_t i = 0;
    long long appends = 0;
    for (auto _ : state) {
        while (s.getLen() < kFill) {
            s.append(kPieces[i], piece_length[i]);
            i = i + 1 == kPieceCount ? 0 : i + 1;
            ++appends;
        }
        benchmark::DoNotOptimize(s.getData());
        s.set("");
    }
    state.SetItemsProcessed(appends);
}
BENCHMARK(BM_AppendPieces_zel);

void BM_AppendPieces_std(benchmark::State &state) {
    std::string s;
    size_t i = 0;
    long long appends = 0;
    for (auto _ : state) {
        while (s.size() < static_cast<size_t>(kFill)) {
            s.append(kPieces[i], static_cast<size_t>(piece_length[i]));
            i = i + 1 == kPieceCount ? 0 : i + 1;
            ++appends;
        }
        benchmark::DoNotOptimize(s.data());
        s.clear();
    }
    state.SetItemsProcessed(appends);
}
BENCHMARK(BM_AppendPieces_std);

void BM_AppendChars_zel(benchmark::State &state) {
    ZELString s;
    for (auto _ : state) {
        for (int n = 0; n < kFill; ++n) s.append(static_cast<char>('a' + n % 26));
        benchmark::DoNotOptimize(s.getData());
        s.set("");
    }
    state.SetItemsProcessed(state.iterations() * kFill);
}
BENCHMARK(BM_AppendChars_zel);

void BM_AppendChars_std(benchmark::State &state) {
    std::string s;
    for (auto _ : state) {
        for (int n = 0; n < kFill; ++n) s.append(1, static_cast<char>('a' + n % 26));
        benchmark::DoNotOptimize(s.data());
        s.clear();
    }
    state.SetItemsProcessed(state.iterations() * kFill);
}
BENCHMARK(BM_AppendChars_std);

// push_back is the lighter standard idiom for one character.
void BM_AppendChars_std_push_back(benchmark::State &state) {
    std::string s;
    for (auto _ : state) {
        for (int n = 0; n < kFill; ++n) s.push_back(static_cast<char>('a' + n % 26));
        benchmark::DoNotOptimize(s.data());
        s.clear();
    }
    state.SetItemsProcessed(state.iterations() * kFill);
}
BENCHMARK(BM_AppendChars_std_push_back);

// About 1 MB of tokens of 3 to 20 letters, one in four after one to three
// blanks, joined by commas; the same every run.
const std::string &split_text() {
    static const std::string text = [] {
        std::string t;
        unsigned seed = 12345;
        auto next = [&seed](unsigned n) {
            seed = seed * 1103515245u + 12345u;
            return (seed >> 16) % n;
        };
        while (t.size() < (1u << 20)) {
            if (!t.empty()) t += ',';
            if (next(4) == 0) t.append(1 + next(3), ' ');
            unsigned len = 3 + next(18);
            for (unsigned k = 0; k < len; ++k) t += static_cast<char>('a' + next(26));
        }
        return t;
    }();
    return text;
}

struct Tally {
    long long tokens = 0;
    long long bytes = 0;
};

Tally split_zel(ZELStringIter &it) {
    Tally tally;
    ZELStringRef token;
    while (it.next(token)) {
        ++tally.tokens;
        tally.bytes += token.getLen();
    }
    return tally;
}

// The same work with the standard library: blanks before a token skipped.
Tally split_std(std::string_view rest) {
    Tally tally;
    for (;;) {
        size_t start = rest.find_first_not_of(' ');
        if (start == std::string_view::npos) break;
        rest.remove_prefix(start);
        size_t comma = rest.find(',');
        std::string_view token = rest.substr(0, comma);
        ++tally.tokens;
        tally.bytes += static_cast<long long>(token.size());
        if (comma == std::string_view::npos) break;
        rest.remove_prefix(comma + 1);
    }
    return tally;
}

// The same work again, writing a zero byte over each comma as the in-place
// tokeniser does.
Tally split_std_in_place(std::string &text) {
    Tally tally;
    char *p = text.data();
    char *end = p + text.size();
    for (;;) {
        while (p < end && *p == ' ') ++p;
        if (p == end) break;
        char *comma = static_cast<char *>(std::memchr(p, ',', static_cast<size_t>(end - p)));
        char *stop = comma ? comma : end;
        ++tally.tokens;
        tally.bytes += stop - p;
        if (!comma) break;
        *comma = '\0';
        p = comma + 1;
    }
    return tally;
}

void BM_SplitView_zel(benchmark::State &state) {
    const std::string &text = split_text();
    ZELStringRef view(text.data(), static_cast<int>(text.size()), true);
    for (auto _ : state) {
        ZELStringIter it(view, ',');
        Tally tally = split_zel(it);
        benchmark::DoNotOptimize(tally);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<long long>(text.size()));
}
BENCHMARK(BM_SplitView_zel);

void BM_SplitInPlace_zel(benchmark::State &state) {
    const std::string &text = split_text();
    ZELString s;
    for (auto _ : state) {
        // Each pass zeroes the commas, so the text is put back between passes.
        state.PauseTiming();
        s.set(text.data(), static_cast<int>(text.size()));
        state.ResumeTiming();
        ZELStringIter it(s, ',', false);
        Tally tally = split_zel(it);
        benchmark::DoNotOptimize(tally);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<long long>(text.size()));
}
BENCHMARK(BM_SplitInPlace_zel);

void BM_SplitView_std(benchmark::State &state) {
    const std::string &text = split_text();
    for (auto _ : state) {
        Tally tally = split_std(text);
        benchmark::DoNotOptimize(tally);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<long long>(text.size()));
}
BENCHMARK(BM_SplitView_std);

void BM_SplitInPlace_std(benchmark::State &state) {
    const std::string &text = split_text();
    std::string s;
    for (auto _ : state) {
        state.PauseTiming();
        s = text;
        state.ResumeTiming();
        Tally tally = split_std_in_place(s);
        benchmark::DoNotOptimize(tally);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<long long>(text.size()));
}
BENCHMARK(BM_SplitInPlace_std);

// The four splits must agree before any of them is timed, or the comparison
// would be of different work.
void check_splits_agree() {
    const std::string &text = split_text();
    ZELStringRef view(text.data(), static_cast<int>(text.size()), true);
    ZELStringIter view_it(view, ',');
    ZELString s(text.data(), static_cast<int>(text.size()));
    ZELStringIter in_place_it(s, ',', false);
    std::string copy = text;
    Tally expected = split_std(text);
    Tally got[] = {split_zel(view_it), split_zel(in_place_it), split_std_in_place(copy)};
    for (const Tally &t : got) {
        if (t.tokens != expected.tokens || t.bytes != expected.bytes) {
            std::fprintf(stderr, "splits disagree: %lld tokens %lld bytes, expected %lld %lld\n",
                         t.tokens, t.bytes, expected.tokens, expected.bytes);
            std::exit(1);
        }
    }
    std::printf("split text: %zu bytes, %lld tokens, %lld token bytes\n", text.size(),
                expected.tokens, expected.bytes);
}

}  // namespace

int main(int argc, char **argv) {
    for (size_t i = 0; i < kPieceCount; ++i)
        piece_length[i] = static_cast<int>(std::strlen(kPieces[i]));
    check_splits_agree();
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto &t = reporter.times;
    auto ratio = [&](const char *label, const std::string &a, const std::string &b) {
        if (t.count(a) && t.count(b)) std::printf("%-52s %6.2fx\n", label, t[a] / t[b]);
    };
    std::printf("\ntime ratios, zel over the standard library (target <= 1.2):\n");
    ratio("append 8-16 byte pieces to 4 KB", "BM_AppendPieces_zel", "BM_AppendPieces_std");
    ratio("append single characters to 4 KB", "BM_AppendChars_zel", "BM_AppendChars_std");
    ratio("append single characters, against push_back", "BM_AppendChars_zel",
          "BM_AppendChars_std_push_back");
    ratio("split 1 MB as a view", "BM_SplitView_zel", "BM_SplitView_std");
    ratio("split 1 MB in place", "BM_SplitInPlace_zel", "BM_SplitInPlace_std");
    ratio("split 1 MB in place against the view split", "BM_SplitInPlace_zel", "BM_SplitView_std");
    benchmark::Shutdown();
    return 0;
}
