// Message text costs: zel_msg_get_msg from a cached catalog, from the
// compiled tables when the catalog lacks the message or no catalog exists, and
// ZELMsgCache hits, each beside a peer (catgets; a map under a shared mutex).
#include <zel/ZELMsgCache.h>
#include <zel/zel.h>

#include <benchmark/benchmark.h>
#include <nl_types.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <shared_mutex>
#include <string>
#include <unordered_map>

namespace {

// In the benchmark's catalog (vrqpc.cat): 151 and 152 only.
const unsigned32 kInCatalog = ZEL_S_NO_MEMORY;
const unsigned32 kCatalogLacks = ZEL_S_STZ_FILE_OPEN_ERROR;  // compiled qpc text 162
const unsigned32 kNoCatalog = 0x3665B096;                    // qpd: no vrqpd.cat anywhere
std::string g_catalog_path;

void BM_GetMsgCatalogHit(benchmark::State &state) {
    unsigned32 status;
    for (auto _ : state) std::free(zel_msg_get_msg(kInCatalog, &status));
    if (status != 0) state.SkipWithError("catalog text not found");
}
BENCHMARK(BM_GetMsgCatalogHit);

// Peer: the C library's catgets on an open catalog, plus the same copy.
void BM_PeerCatgetsCopy(benchmark::State &state) {
    nl_catd cat = catopen(g_catalog_path.c_str(), NL_CAT_LOCALE);
    for (auto _ : state) std::free(strdup(catgets(cat, 1, kInCatalog & 0xFFF, "")));
    catclose(cat);
}
BENCHMARK(BM_PeerCatgetsCopy);

void BM_GetMsgCatalogLacksMessage(benchmark::State &state) {
    unsigned32 status;
    for (auto _ : state) std::free(zel_msg_get_msg(kCatalogLacks, &status));
}
BENCHMARK(BM_GetMsgCatalogLacksMessage);

void BM_GetMsgNoCatalog(benchmark::State &state) {
    unsigned32 status;
    for (auto _ : state) std::free(zel_msg_get_msg(kNoCatalog, &status));
}
BENCHMARK(BM_GetMsgNoCatalog);

ZELMsgCache *g_cache;
constexpr unsigned long kCachedCodes = 200;  // about two per bucket

void BM_MsgCacheHit(benchmark::State &state) {
    unsigned long i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(g_cache->getMessage(0x3665A000 + i));
        i = i + 1 == kCachedCodes ? 0 : i + 1;
    }
}
BENCHMARK(BM_MsgCacheHit)->Threads(1)->Threads(2);

std::unordered_map<unsigned long, std::string> g_peer_map;
std::shared_mutex g_peer_lock;

void BM_PeerSharedMutexMapHit(benchmark::State &state) {
    unsigned long i = 0;
    for (auto _ : state) {
        std::shared_lock<std::shared_mutex> hold(g_peer_lock);
        benchmark::DoNotOptimize(g_peer_map.find(0x3665A000 + i)->second.c_str());
        i = i + 1 == kCachedCodes ? 0 : i + 1;
    }
}
BENCHMARK(BM_PeerSharedMutexMapHit)->Threads(1)->Threads(2);

// A catalog of two qpc messages in a fresh directory, found through NLSPATH;
// the install directory is pointed at the same place, so a missing catalog
// costs only the search.
bool make_catalog(const std::string &dir) {
    std::string source = dir + "/vrqpc.msg";
    FILE *f = std::fopen(source.c_str(), "w");
    if (!f) return false;
    std::fputs(
        "$set 1\n$quote \"\n151 \"KVXSC0151E   Speicher nicht verfuegbar.\"\n"
        "152 \"KVXSC0152E   Keine weiteren Eintraege.\"\n",
        f);
    std::fclose(f);
    g_catalog_path = dir + "/vrqpc.cat";
    std::string command = "gencat " + g_catalog_path + " " + source;
    if (std::system(command.c_str()) != 0) return false;
    setenv("NLSPATH", (dir + "/%N").c_str(), 1);
    setenv("ZEL_CATALOG_DIR", dir.c_str(), 1);
    return true;
}

}  // namespace

int main(int argc, char **argv) {
    char dir[] = "/tmp/msg_cache_bench.XXXXXX";
    if (!mkdtemp(dir) || !make_catalog(dir)) {
        std::fprintf(stderr, "msg_cache_bench: cannot make the catalog in %s\n", dir);
        return 1;
    }
    ZELMsgCache cache;
    g_cache = &cache;
    for (unsigned long i = 0; i < kCachedCodes; ++i) {
        g_peer_map[0x3665A000 + i] = cache.getMessage(0x3665A000 + i);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::system(("rm -rf " + std::string(dir)).c_str());
    return 0;
}
