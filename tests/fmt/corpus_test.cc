// The library's whole message corpus, each text with arguments of the types
// it reads, renders and measures as the system snprintf renders it, whole
// and cut.
#include <gtest/gtest.h>

#include <cstring>

#include "contenders.h"
#include "corpus_calls.h"

namespace {

TEST(FmtCorpus, EveryMessageTextMatchesTheSystemSnprintf) {
    corpus::Corpus c = corpus::read_corpus(ZEL_FMT_CORPUS_CATALOGS);
    ASSERT_GE(c.texts.size(), 500u);
    char want[4096], got[4096];
    for (size_t i = 0; i < c.texts.size(); ++i) {
        const char *text = c.texts[i].text.c_str();
        int sig = corpus::signature_index(c.texts[i].signature);
        ASSERT_GE(sig, 0) << text;
        corpus::Values v = corpus::values_for(i);
        corpus::LibcRender libc{want, sizeof want, text};
        int n = corpus::call(sig, libc, v);
        corpus::ZelMeasure measure{text};
        EXPECT_EQ(n, corpus::call(sig, measure, v)) << text;
        for (int size : {static_cast<int>(sizeof got), n / 2 + 1}) {
            libc.size = size;
            corpus::call(sig, libc, v);
            corpus::ZelRender zel{got, size, text};
            EXPECT_EQ(n, corpus::call(sig, zel, v)) << text;
            EXPECT_STREQ(want, got) << text << " in " << size << " bytes";
        }
    }
}

}  // namespace
