// ZELMsgCache: shared buckets, lookups, adoption, allocation failure, threads.
#include <zel/ZELMsgCache.h>

#include <new>

#include "support/test_support.h"

// While set, the nothrow operator new (the cache's node allocation) fails.
static std::atomic<bool> g_fail_nothrow_new{false};

void *operator new(std::size_t size, const std::nothrow_t &) noexcept {
    if (g_fail_nothrow_new) return nullptr;
    try {
        return ::operator new(size);
    } catch (...) {
        return nullptr;
    }
}

namespace {

const unsigned long kBase = 0x3665A000;

std::string looked_up(unsigned long code) {
    unsigned32 status;
    return zeltest::taken(zel_msg_get_msg(static_cast<unsigned32>(code), &status));
}

TEST(MsgCache, LooksUpOnceThenReturnsAndKeepsTheCachedText) {
    ZELMsgCache cache;
    const char *unknown = cache.getMessage(0x3665A0C8);
    EXPECT_STREQ("Unknown message number 0x3665a0c8", unknown);
    EXPECT_EQ(unknown, cache.searchHashTable(0x3665A0C8));
    EXPECT_EQ(unknown, cache.getMessage(0x3665A0C8));

    const char *known = cache.getMessage(ZEL_S_NO_MEMORY);
    EXPECT_STREQ(looked_up(ZEL_S_NO_MEMORY).c_str(), known);
    // A second text for a cached code is freed; the cached one is handed back.
    const char *text = strdup("another text");
    EXPECT_EQ(0u, cache.addToHashTable(ZEL_S_NO_MEMORY, &text));
    EXPECT_EQ(known, text);
    EXPECT_EQ(known, cache.getMessage(ZEL_S_NO_MEMORY));
}

TEST(MsgCache, NodeAllocationFailureIsReportedAndCachesNothing) {
    unsigned32 status;
    zel_svc_init(0, &status);  // the report goes through the client component
    ZELMsgCache cache;
    const char *text = strdup("still the caller's");
    testing::internal::CaptureStderr();
    g_fail_nothrow_new = true;
    unsigned long rc = cache.addToHashTable(ZEL_S_DATA_NOT_AVAILABLE, &text);
    const char *got = cache.getMessage(ZEL_S_ACCESS_DENIED);
    g_fail_nothrow_new = false;
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(ZEL_S_NO_MEMORY, rc);
    EXPECT_STREQ("still the caller's", text);
    std::free(const_cast<char *>(text));
    EXPECT_TRUE(got == nullptr && cache.searchHashTable(ZEL_S_DATA_NOT_AVAILABLE) == nullptr);
    EXPECT_NE(std::string::npos, err.find("KVXSC0151E")) << err;
    EXPECT_NE(nullptr, cache.getMessage(ZEL_S_ACCESS_DENIED));  // looked up again
}

// Readers and writers walk overlapping codes both ways, starting together.
TEST(MsgCache, ConcurrentThreadsAgreeOnOneTextPerCode) {
    ZELMsgCache cache;
    const int kCodes = 400, kThreads = 6, kReaders = 4;
    std::vector<std::string> expected;
    for (int i = 0; i < kCodes; ++i) expected.push_back(looked_up(kBase + i));

    static const char kNotWalked[] = "";
    std::atomic<int> waiting{kThreads};
    std::vector<std::vector<const char *>> seen(kThreads, std::vector<const char *>(kCodes, kNotWalked));
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (waiting--; waiting > 0;) std::this_thread::yield();
            for (int k = 0; k < kCodes * 3 / 4; ++k) {
                int i = (t * kCodes / kThreads + (t % 2 ? kCodes - k : k)) % kCodes;
                const char *text = t < kReaders ? cache.getMessage(kBase + i) : strdup(expected[i].c_str());
                if (t >= kReaders && cache.addToHashTable(kBase + i, &text) != 0) text = "(failed)";
                seen[t][i] = text;
            }
        });
    }
    for (std::thread &thread : threads) thread.join();
    for (int t = 0; t < kThreads; ++t)
        for (int i = 0; i < kCodes; ++i) {
            if (seen[t][i] == kNotWalked) continue;
            EXPECT_EQ(cache.searchHashTable(kBase + i), seen[t][i]) << t << " " << i;
            EXPECT_EQ(expected[i], seen[t][i]) << t << " " << i;
        }
}

}  // namespace
