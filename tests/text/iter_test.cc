// ZELStringIter over views and strings, in place or not, and ZELHashTable's
// buckets and chain order with 29 buckets.
#include <zel/ZELHashTable.h>
#include <zel/ZELString.h>
#include <zel/ZELStringIter.h>
#include <zel/ZELStringRef.h>

#include "support/test_support.h"

namespace {

// The remaining tokens, each followed by '|'.
std::string tokens(ZELStringIter &it) {
    std::string out;
    for (ZELStringRef token; it.next(token);) out += std::string(token.getData(), token.getLen()) + "|";
    return out;
}

// Every text is split three ways: as a view, as a string kept intact and as a
// string split in place, the last both inline and after a longer text left a
// heap buffer behind; in place, every separator becomes a zero byte of the
// string's own text.
TEST(ZELStringIter, TokensAgreeWithEntriesInEveryMode) {
    const struct {
        const char *text, *tokens;
        int entries;
    } cases[] = {
        {"a,,b", "a||b|", 3}, {"a,", "a|", 1},   {" a , b", "a |b|", 2},  {"   ", "", 0},     {"", "", 0},
        {",a", "|a|", 2},     {"a,  ", "a|", 1}, {"a , ,b", "a ||b|", 3}, {"abc", "abc|", 1}, {" , ", "|", 1},
    };
    const std::string longer(40, 'z');
    for (const auto &c : cases) {
        std::string split = c.text;
        for (char &ch : split) ch = ch == ',' ? '\0' : ch;
        ZELStringIter view(ZELStringRef(c.text), ',');
        EXPECT_EQ(c.entries, view.entries()) << c.text;
        EXPECT_EQ(c.tokens, tokens(view)) << c.text;
        for (int mode = 0; mode < 3; ++mode) {
            ZELString s(mode == 2 ? longer.c_str() : c.text);
            ASSERT_TRUE(s.set(c.text));
            ZELStringIter it(s, ',', mode == 0);
            EXPECT_EQ(c.entries, it.entries()) << c.text << " mode " << mode;
            EXPECT_EQ(c.tokens, tokens(it)) << c.text << " mode " << mode;
            EXPECT_EQ(mode == 0 ? c.text : split, std::string(s.getData(), s.getLen())) << c.text << " mode " << mode;
        }
    }
}

TEST(ZELStringIter, ContainsLooksAheadWithoutMoving) {
    ZELStringIter it(ZELStringRef("a, b,c ,d"), ',');
    ZELStringRef token, a("a"), b("b"), c("c"), cb("c "), d("d");
    ASSERT_TRUE(it.next(token));
    const std::pair<ZELStringRef *, bool> asks[] = {{&a, false}, {&b, true}, {&c, false}, {&cb, true}, {&d, true}};
    for (const auto &[value, wanted] : asks) EXPECT_EQ(wanted, it.contains(*value)) << value->getData();
    EXPECT_EQ("b|c |d|", tokens(it));
    EXPECT_FALSE(it.contains(d));
}

// The bucket of a hash with 29 buckets folds its upper three bytes into the
// lowest one before the modulo.
unsigned fold29(unsigned h) { return (h ^ (h >> 24) ^ ((h >> 8) & 0xFF) ^ ((h >> 16) & 0xFF)) % 29; }

TEST(ZELHashTable, BucketsChainsAndIteration) {
    ZELHashTable<ZELString, ZELString> table(29, true);
    // Five keys, then three of k0's chain: two put at its head, the third appended at its end.
    std::vector<std::string> keys = {"", "a", "help", "verbose", "\xFF\xFE\xFD\xFC"};
    const unsigned home = fold29(ZELString("k0").hash());
    for (int i = 0; keys.size() < 8; ++i) {
        std::string k = "k" + std::to_string(i);
        if (fold29(ZELString(k.c_str()).hash()) == home) keys.push_back(k);
    }
    for (size_t i = 0; i < keys.size(); ++i) {
        auto *key = new ZELString(keys[i].c_str()), *value = new ZELString(std::to_string(i).c_str());
        const unsigned bucket = fold29(key->hash());
        ASSERT_EQ(bucket, table.bucketOf(key->hash())) << keys[i];
        ASSERT_TRUE(i < 7 ? table.insertHead(key, value) : table.append(key, value));
        EXPECT_EQ(i < 7, key == table.buckets[bucket]->key) << keys[i];
    }
    std::string chain, walked, expected;
    for (auto *n = table.buckets[home]; n; n = n->next) chain += std::string(n->value->getData()) + " ";
    EXPECT_TRUE(chain.find("6 5 ") == 0 && chain.rfind("7 ") == chain.size() - 2) << chain;
    EXPECT_STREQ("7", table.find(ZELStringRef(keys[7].c_str()))->value->getData());
    EXPECT_EQ(nullptr, table.find(ZELString("absent")));
    // Iteration visits every node once, bucket by bucket, each chain from its head.
    for (unsigned b = 0; b < 29; ++b) {
        for (auto *n = table.buckets[b]; n; n = n->next) expected += std::string(n->key->getData()) + "|";
    }
    for (auto *n = table.first(); n; n = table.next(n)) walked += std::string(n->key->getData()) + "|";
    EXPECT_EQ(expected, walked);
    EXPECT_EQ(8, table.entryCount);
}

}  // namespace
