// Reading a 500-stanza, 10 000-entry configuration file: a walk through a file
// handle, an in-memory load and lookups in it, beside inih parsing the same
// file; and one entry added in the middle of a 1 MB file. Prints the ratios.
#include <zel/zel.h>

#include <benchmark/benchmark.h>
#include <ini.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <unistd.h>

#include "ratio_reporter.h"

namespace {

constexpr int kStanzas = 500;
constexpr int kEntriesPerStanza = 20;
constexpr long kBigFileBytes = 1024 * 1024;

const char *const kKeys[] = {"max-sessions", "listen-port", "log-file",    "timeout",
                             "host",         "ssl-enabled", "cache-size",  "retry-count",
                             "admin-user",   "trace-level", "keystore",    "idle-seconds",
                             "backlog",      "ldap-server", "audit-file",  "worker-threads",
                             "description",  "realm",       "ticket-life", "compress"};

// A realistic value for entry j of stanza s; every 13th has none.
std::string value_for(int s, int j) {
    switch ((s * 7 + j) % 13) {
    case 0: return "";
    case 1: return "/var/vrmox/log/server-" + std::to_string(s) + ".log";
    case 2: return "host-" + std::to_string(s % 37) + ".example.com:" + std::to_string(7000 + j);
    case 3: return "yes";
    case 4: return "cn=admin,o=example,c=us";
    case 5: return "Session server " + std::to_string(s) + ", building " + std::to_string(j);
    default: return std::to_string((s + 1) * (j + 3) * 17 % 65536);
    }
}

// One entry line with the spacing varied as people write them. Entries are
// not indented: inih reads an indented line as the continuation of the
// previous value, which would make it do different work from ours.
std::string entry_line(int s, int j) {
    std::string name = std::string(kKeys[j % 20]) + "-" + std::to_string(j / 20 + s % 4);
    std::string value = value_for(s, j);
    switch ((s + j) % 5) {
    case 0: return name + "=" + value + "\n";
    case 1: return name + "\t=\t" + value + "\n";
    case 2: return name + " = " + value + (value.empty() ? "" : "   # note") + "\n";
    default: return name + " = " + value + "\n";
    }
}

// The stanzas server-0 ... server-(n-1), with comments and blank lines.
std::string stanza_text(int stanzas) {
    std::string text = "# Session servers of the test cell.\n# Generated for the benchmark.\n\n";
    for (int s = 0; s < stanzas; ++s) {
        if (s % 3 == 0) text += "# server " + std::to_string(s) + " serves the west wing\n";
        text += "[server-" + std::to_string(s) + "]\n";
        for (int j = 0; j < kEntriesPerStanza; ++j) {
            if (j == 10 && s % 2 == 0) text += "# tuning\n";
            text += entry_line(s, j);
        }
        text += "\n";
    }
    return text;
}

// The files live in a fresh folder under ZEL_BENCH_DIR (else /tmp), removed
// at exit.
struct BenchFiles {
    std::string dir, small, big, big_text;
    int big_stanzas = 0;

    BenchFiles() {
        const char *base = std::getenv("ZEL_BENCH_DIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/zel_stz_bench.XXXXXX";
        if (!mkdtemp(&pattern[0])) {
            std::perror("mkdtemp");
            std::exit(1);
        }
        dir = pattern;
        small = dir + "/servers.conf";
        big = dir + "/big.conf";
        write(small, stanza_text(kStanzas));
        big_stanzas = kStanzas;
        while (static_cast<long>(big_text.size()) < kBigFileBytes)
            big_text = stanza_text(big_stanzas += 100);
        write(big, big_text);
    }
    ~BenchFiles() {
        unlink(small.c_str());
        unlink(big.c_str());
        rmdir(dir.c_str());
    }
    static void write(const std::string &path, const std::string &text) {
        FILE *f = std::fopen(path.c_str(), "w");
        if (!f || std::fwrite(text.data(), 1, text.size(), f) != text.size() || std::fclose(f)) {
            std::perror(path.c_str());
            std::exit(1);
        }
    }
};

const BenchFiles &files() {
    static BenchFiles f;
    return f;
}

zelStzFile_t *open_stanzas(benchmark::State &state, const std::string &path, unsigned flags) {
    unsigned status = 0;
    zelStzFile_t *stz = zelStzFileOpen(path.c_str(), flags, &status);
    if (!stz) state.SkipWithError(("open failed, status " + std::to_string(status)).c_str());
    return stz;
}

// Walks every stanza and entry; false when a move fails.
bool walk(zelStzFile_t *stz, int *stanzas, int *entries) {
    *stanzas = *entries = 0;
    zelStzMoveFirstStanza(stz);
    for (; stz->stanza; ++*stanzas) {
        for (; stz->name; ++*entries) {
            benchmark::DoNotOptimize(stz->value);
            if (!zelStzMoveNextEntry(stz)) return false;
        }
        if (!zelStzMoveNextStanza(stz)) return false;
    }
    return stz->error == 0;
}

bool counts_right(benchmark::State &state, bool ok, int stanzas, int entries) {
    if (ok && stanzas == kStanzas && entries == kStanzas * kEntriesPerStanza) return true;
    state.SkipWithError(("walk read " + std::to_string(stanzas) + " stanzas, " +
                         std::to_string(entries) + " entries")
                            .c_str());
    return false;
}

void BM_WalkFile_zel(benchmark::State &state) {
    const std::string &path = files().small;
    for (auto _ : state) {
        zelStzFile_t *stz = open_stanzas(state, path, ZEL_STZ_READ_ONLY);
        if (!stz) break;
        int stanzas, entries;
        bool ok = walk(stz, &stanzas, &entries);
        zelStzFileClose(stz);
        if (!counts_right(state, ok, stanzas, entries)) break;
    }
    state.SetItemsProcessed(state.iterations() * kStanzas * kEntriesPerStanza);
}
BENCHMARK(BM_WalkFile_zel)->Unit(benchmark::kMillisecond);

void BM_LoadMemory_zel(benchmark::State &state) {
    const std::string &path = files().small;
    {  // the copy must hold the whole file, or the timing means nothing
        zelStzFile_t *stz = open_stanzas(state, path, ZEL_STZ_READ_ONLY | ZEL_STZ_IN_MEMORY);
        if (!stz) return;
        int stanzas, entries;
        bool ok = walk(stz, &stanzas, &entries);
        zelStzFileClose(stz);
        if (!counts_right(state, ok, stanzas, entries)) return;
    }
    for (auto _ : state) {
        zelStzFile_t *stz = open_stanzas(state, path, ZEL_STZ_READ_ONLY | ZEL_STZ_IN_MEMORY);
        if (!stz) break;
        benchmark::DoNotOptimize(stz->memCopy);
        zelStzFileClose(stz);
    }
    state.SetItemsProcessed(state.iterations() * kStanzas * kEntriesPerStanza);
}
BENCHMARK(BM_LoadMemory_zel)->Unit(benchmark::kMillisecond);

// 100 (stanza, entry) pairs spread over the file by a fixed sequence.
std::vector<std::pair<std::string, std::string>> lookup_names() {
    std::vector<std::pair<std::string, std::string>> names;
    unsigned x = 12345;
    for (int i = 0; i < 100; ++i) {
        x = x * 1103515245u + 12345u;
        int s = static_cast<int>((x >> 8) % kStanzas);
        int j = static_cast<int>((x >> 20) % kEntriesPerStanza);
        std::string line = entry_line(s, j);
        names.emplace_back("server-" + std::to_string(s),
                           line.substr(0, line.find_first_of(" \t=")));
    }
    return names;
}

void BM_Lookup100_zel(benchmark::State &state) {
    zelStzFile_t *stz = open_stanzas(state, files().small, ZEL_STZ_READ_ONLY | ZEL_STZ_IN_MEMORY);
    if (!stz) return;
    const auto names = lookup_names();
    for (auto _ : state) {
        int found = 0;
        for (const auto &n : names)
            found += zelStzMoveEntry(stz, n.first.c_str(), n.second.c_str()) && stz->name;
        if (found != 100) {
            state.SkipWithError(("found " + std::to_string(found) + " of 100").c_str());
            break;
        }
    }
    zelStzFileClose(stz);
    state.SetItemsProcessed(state.iterations() * 100);
}
BENCHMARK(BM_Lookup100_zel)->Unit(benchmark::kMicrosecond);

// inih's callback keeps what our in-memory copy keeps: one node per stanza
// with its name, and each entry's name and value.
struct IniSection {
    std::string name;
    std::vector<std::pair<std::string, std::string>> entries;
};

int copy_entry(void *user, const char *section, const char *name, const char *value) {
    auto *sections = static_cast<std::vector<IniSection> *>(user);
    if (sections->empty() || sections->back().name != section) sections->push_back({section, {}});
    sections->back().entries.emplace_back(name, value);
    return 1;
}

int count_entry(void *user, const char *, const char *, const char *) {
    ++*static_cast<int *>(user);
    return 1;
}

void BM_Parse_inih(benchmark::State &state) {
    const char *path = files().small.c_str();
    {
        int entries = 0;
        if (ini_parse(path, count_entry, &entries) != 0 ||
            entries != kStanzas * kEntriesPerStanza) {
            state.SkipWithError(("inih read " + std::to_string(entries) + " entries").c_str());
            return;
        }
    }
    for (auto _ : state) {
        std::vector<IniSection> sections;
        if (ini_parse(path, copy_entry, &sections) != 0) state.SkipWithError("inih failed");
        benchmark::DoNotOptimize(sections.data());
    }
    state.SetItemsProcessed(state.iterations() * kStanzas * kEntriesPerStanza);
}
BENCHMARK(BM_Parse_inih)->Unit(benchmark::kMillisecond);

void BM_ParseNoCopy_inih(benchmark::State &state) {
    const char *path = files().small.c_str();
    for (auto _ : state) {
        int entries = 0;
        if (ini_parse(path, count_entry, &entries) != 0) state.SkipWithError("inih failed");
        benchmark::DoNotOptimize(entries);
    }
    state.SetItemsProcessed(state.iterations() * kStanzas * kEntriesPerStanza);
}
BENCHMARK(BM_ParseNoCopy_inih)->Unit(benchmark::kMillisecond);

// One new entry at the end of the middle stanza of a file of at least 1 MB;
// only the add is timed. Finding the stanza and deleting the entry again are
// not, and the file must be back to its first bytes at the end.
void BM_AddEntryMiddle1MB_zel(benchmark::State &state) {
    const BenchFiles &f = files();
    BenchFiles::write(f.big, f.big_text);
    const std::string middle = "server-" + std::to_string(f.big_stanzas / 2);
    zelStzFile_t *stz = open_stanzas(state, f.big, ZEL_STZ_READ_WRITE);
    if (!stz) return;
    for (auto _ : state) {
        state.PauseTiming();
        bool placed = zelStzMoveStanza(stz, middle.c_str()) && stz->stanza;
        state.ResumeTiming();
        zelStzAddEntry(stz, "bench-added", "4096");
        state.PauseTiming();
        bool added = placed && stz->error == 0;
        bool removed = added && zelStzDeleteEntry(stz, middle.c_str(), "bench-added");
        state.ResumeTiming();
        if (!removed) {
            state.SkipWithError(
                ("add or delete failed, error " + std::to_string(stz->error)).c_str());
            break;
        }
    }
    zelStzFileClose(stz);
    FILE *in = std::fopen(f.big.c_str(), "r");
    std::string after(f.big_text.size() + 1, '\0');
    size_t got = in ? std::fread(&after[0], 1, after.size(), in) : 0;
    if (in) std::fclose(in);
    if (got != f.big_text.size() || after.compare(0, got, f.big_text) != 0)
        state.SkipWithError("the file was not restored after the adds");
    state.counters["file_bytes"] = static_cast<double>(f.big_text.size());
}
BENCHMARK(BM_AddEntryMiddle1MB_zel)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    zelmsg_init("stzbench", 0);
    files();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto &t = reporter.times;
    auto ratio = [&](const char *label, const std::string &a, const std::string &b) {
        if (t.count(a) && t.count(b)) std::printf("%-52s %6.2fx\n", label, t[b] / t[a]);
    };
    std::printf("\nthroughput ratios (higher is better for zel):\n");
    ratio("in-memory load over inih parse, copying (target >= 1)", "BM_LoadMemory_zel",
          "BM_Parse_inih");
    ratio("in-memory load over inih parse, no copy", "BM_LoadMemory_zel", "BM_ParseNoCopy_inih");
    ratio("file-handle walk over inih parse, copying", "BM_WalkFile_zel", "BM_Parse_inih");
    std::printf("file of the add: %ld bytes, %d stanzas\n",
                static_cast<long>(files().big_text.size()), files().big_stanzas);
    benchmark::Shutdown();
    return 0;
}
