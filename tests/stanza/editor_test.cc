// The stanza editor: the whole file after each kind of edit, where the cursor
// is left, refused edits, and random files written and read back.
#include <algorithm>
#include <random>

#include "stanza_test_util.h"

namespace {

using namespace zeltest;
using Edit = std::function<std::string(zelStzFile_t *)>;

const std::string kFile = "# top\n[a]\nx = 1\ny = 2 # note\n# before b\n[b]\nz = 3\n";

// The cursor after an edit, then after one more next-entry move.
std::string then_next(zelStzFile_t *s) {
    std::string here = cursor(s);
    zelStzMoveNextEntry(s);
    return here + " " + cursor(s);
}

std::string number(int n) { return std::to_string(n); }
std::string and_cursor(int n, zelStzFile_t *s) { return number(n) + cursor(s); }  // n first, then the cursor

// Each edit runs first on a read-only and on an in-memory handle, where it is
// refused and the file stays as it was.
TEST(StanzaEditor, EachEditWritesExactlyItsTextAndLeavesTheCursorWhereTheWalkGoesOn) {
    const std::string a_tail = "# before b\n[b]\nz = 3\n", noted = "# top\n[a]\nx = 1\ny = 2 # note\n";
    const std::string none;  // the edit returns nothing: the cursor after it and after a next-entry move are seen
    const std::tuple<std::string, Edit, std::string, std::string> rows[] = {
        {kFile, [&](auto s) { return zelStzMoveEntry(s, "a", "y"), zelStzInsertEntry(s, "n", "v"), none; },
         "# top\n[a]\nx = 1\nn = v\ny = 2 # note\n" + a_tail, "a/n/v a/y/2"},
        {kFile,
         [&](auto s) {
             return zelStzMoveStanza(s, "b"), zelStzMoveNextEntry(s), zelStzInsertEntry(s, "n", nullptr), none;
         },
         kFile + "n = \n", "b/n/- b/-/-"},
        {kFile, [&](auto s) { return zelStzAddEntry(s, "y", "9"), none; }, "# top\n[a]\nx = 1\ny = 9\n" + a_tail,
         "a/y/9 a/-/-"},
        {kFile, [&](auto s) { return zelStzAddEntry(s, "n", "v v"), none; },
         noted + "# before b\nn = v v\n[b]\nz = 3\n", "a/n/v v a/-/-"},
        {kFile, [&](auto s) { return zelStzChangeValue(s, nullptr), none; },
         "# top\n[a]\nx = \ny = 2 # note\n" + a_tail, "a/x/- a/y/2"},
        {kFile, [](auto s) { return zelStzMoveEntry(s, "a", "y"), number(zelStzDeleteCurrentEntry(s)); },
         "# top\n[a]\nx = 1\n" + a_tail, "1"},
        {kFile, [](auto s) { return number(zelStzDeleteEntry(s, "b", "z")); }, noted + "# before b\n[b]\n", "1"},
        {kFile, [](auto s) { return and_cursor(zelStzDeleteEntry(s, "b", "q"), s); }, kFile, "0-/-/-!171"},
        {kFile, [&](auto s) { return zelStzAddStanzaWithComment(s, "c", "# new"), none; }, kFile + "# new\n[c]\n",
         "c/-/- c/-/-"},
        {"[a]\nx = 1", [&](auto s) { return zelStzAddStanza(s, "c"), none; }, "[a]\nx = 1[c]\n", "c/-/- c/-/-"},
        {kFile, [&](auto s) { return zelStzMoveStanza(s, "b"), zelStzAddStanzaWithComment(s, "a", "# no"), none; },
         kFile, "a/x/1 a/y/2"},
        {"[a]\nx = 1\n[e]\n# c\n\n[b]\n", [](auto s) { return number(zelStzDeleteStanza(s, "e")); },
         "[a]\nx = 1\n[b]\n", "1"},
        {kFile, [](auto s) { return number(zelStzDeleteStanza(s, "b")); }, noted + "# before b\n", "1"},
        {kFile, [](auto s) { return and_cursor(zelStzDeleteStanza(s, "q"), s); }, kFile, "1-/-/-"},
    };
    TempDir dir;
    const std::string f = dir.file("f");
    for (const auto &[before, edit, after, wanted] : rows) {
        for (unsigned flags : {ZEL_STZ_READ_ONLY, ZEL_STZ_READ_ONLY | ZEL_STZ_IN_MEMORY, ZEL_STZ_READ_WRITE}) {
            write_file(f, before);
            Stz s = open_stz(f, flags);
            ASSERT_TRUE(s);
            std::string seen = edit(s.get());
            const bool writes = flags & ZEL_STZ_READ_WRITE;
            seen += writes ? (seen.empty() ? then_next(s.get()) : "") : cursor(s.get());
            s.reset();
            EXPECT_EQ(writes ? after : before, read_file(f)) << wanted << " " << flags;
            const std::string refusal = flags & ZEL_STZ_IN_MEMORY ? "!170" : "!174";
            EXPECT_TRUE(writes ? seen == wanted : seen.find(refusal) != std::string::npos) << wanted << " " << seen;
        }
    }
}

// Up to `most` characters of `alphabet`, none blank at either end.
std::string random_text(std::mt19937 &rng, int most, const std::string &alphabet) {
    std::string out;
    for (int n = std::uniform_int_distribution<>(0, most)(rng); n > 0; --n)
        out += alphabet[std::uniform_int_distribution<size_t>(0, alphabet.size() - 1)(rng)];
    out.erase(0, out.find_first_not_of(" \t"));
    return out.erase(out.find_last_not_of(" \t") + 1);
}

// The value kept under key in list, added at its end when missing.
template <class T>
T &upsert(std::vector<std::pair<std::string, T>> &list, const std::string &key) {
    auto at = std::find_if(list.begin(), list.end(), [&](auto &item) { return item.first == key; });
    return at != list.end() ? at->second : list.emplace_back(key, T()).second;
}

// Seeded random adds, to new and existing stanzas and entries, are kept in a
// model; the file and its in-memory copy both read back as the model says.
TEST(StanzaEditor, RandomEditsReadBackAsWritten) {
    TempDir dir;
    write_file(dir.file("f"), "");
    std::mt19937 rng(14);
    std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>> model;
    Stz s = open_stz(dir.file("f"), ZEL_STZ_READ_WRITE);
    ASSERT_TRUE(s);
    for (int i = 0; i < 300; ++i) {
        // Stanza names hold no ']', entry names no '=' and no leading '#' or '[', values no '#'.
        std::string stanza = random_text(rng, 3, "ab #=[\\"), name = "k" + random_text(rng, 3, "ab #[]\t"),
                    value = random_text(rng, 12, "ab =[]\t\\");
        upsert(upsert(model, stanza), name) = value;
        zelStzAddStanza(s.get(), stanza.c_str());
        zelStzAddEntry(s.get(), name.c_str(), value.empty() && i % 2 ? nullptr : value.c_str());
        ASSERT_EQ(0u, s->error) << i;
    }
    std::string forward, backward;
    for (const auto &[stanza, entries] : model) {
        std::string text = "[" + stanza + "]";
        for (const auto &[name, value] : entries) text += " " + name + "=" + (value.empty() ? "-" : value);
        forward += (forward.empty() ? "" : " ") + text;
        backward = text + (backward.empty() ? "" : " ") + backward;
    }
    EXPECT_EQ(forward, walk(s.get()));
    s.reset();
    Stz mem = open_stz(dir.file("f"), ZEL_STZ_READ_ONLY | ZEL_STZ_IN_MEMORY);
    ASSERT_TRUE(mem);
    EXPECT_EQ(backward, walk(mem.get()));
    EXPECT_EQ(1, zelStzValidate(mem.get()));
    EXPECT_GT(model.size(), 20u);
}

}  // namespace
