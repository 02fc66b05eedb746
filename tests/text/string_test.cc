// ZELString and ZELStringRef: the move from the inline buffer to an exact heap
// buffer and its reuse, appends that alias the string's own text, conversions
// through a Latin-1 local code page, hashes, comparisons and class layout.
#include <cxxabi.h>
#include <dlfcn.h>
#include <link.h>
#include <zel/ZELCmdLine.h>
#include <zel/ZELStringIter.h>

#include <typeinfo>

#include "support/test_support.h"

namespace {

std::string text(const ZELString &s) { return std::string(s.getData(), s.getLen()); }

// Each step changes the string, then its text, capacity and whether the text
// lives in buffer() (the heap buffer once one exists) are checked.
TEST(ZELString, InlineToHeapAndReuse) {
    const std::string t29(29, 'a'), t40(40, 'b'), t35(35, 'c');
    ZELString s;
    char written[] = "written";
    struct Step {
        std::function<bool()> act;
        std::string text;
        int capacity;
        bool inBuffer;
    } steps[] = {
        {[&] { return s.set(t29.c_str()); }, t29, 30, true},
        {[&] { return s.append('x'); }, t29 + "x", 31, true},
        {[&] { return s.append(t29.c_str(), 10); }, t29 + "x" + t29.substr(0, 10), 41, true},
        {[&] { return s.set("short"); }, "short", 41, false},  // heap buffer kept, text inline
        {[&] { return s.set(t35.c_str()); }, t35, 41, true},   // and reused
        {[&] { return s.set("short") && s.expand(100); }, "short", 101, true},
        {[&] { return std::strcpy(s.buffer(), written) && s.assertBuffer(-1) == s.buffer(); }, written, 101, true},
        {[&] { return s.set(t40.c_str()) && s.set(s.getData() + 5); }, t40.substr(5), 101, true},
        {[&] { return s.set(s.getData() + 30); }, t40.substr(35), 101, false},
        {[&] { return s.append(s) && s.append(s); }, std::string(20, 'b'), 101, false},
        {[&] { return s.append(s); }, std::string(40, 'b'), 101, true},
        {[&] { return s.reset(), true; }, "", 30, true},
        {[&] { return s.set(t40.c_str()) && s.append(s); }, t40 + t40, 81, true},  // from the buffer it leaves
        {[&] { return s.set("abc") && s.append(s); }, "abcabc", 81, false},
    };
    for (size_t i = 0; i < sizeof steps / sizeof *steps; ++i) {
        EXPECT_TRUE(steps[i].act()) << "step " << i;
        EXPECT_EQ(steps[i].text, text(s)) << "step " << i;
        EXPECT_EQ('\0', s.getData()[s.getLen()]) << "step " << i;
        EXPECT_EQ(steps[i].capacity, s.capacity()) << "step " << i;
        EXPECT_EQ(steps[i].inBuffer, s.getData() == s.buffer()) << "step " << i;
    }
}

// Latin-1 to UTF-8 doubles the bytes and moves a 20-byte text to the heap;
// UTF-8 back shrinks it; bytes that are not UTF-8 add nothing, and a set()
// of them keeps the old text, also when the reserved room would fit the heap
// buffer the old text is in.
void latin1_conversions() {
    if (!std::setlocale(LC_ALL, "de_DE.ISO-8859-1")) _exit(77);
    const std::string latin(20, '\xE4'), utf8 = [] {
        std::string u;
        for (int i = 0; i < 20; ++i) u += "\xC3\xA4";
        return u;
    }();
    ZELString to(latin.c_str(), -1, ZELString::toUTF8), from("x\xC3\xBC\xC3\x9F", -1, ZELString::fromUTF8);
    ZELString back(utf8.c_str(), -1, ZELString::fromUTF8), kept("keep"), heap(latin.c_str()), heapSet(utf8.c_str());
    bool failed = !kept.append("\xC3\xA4\xFF", 3, ZELString::fromUTF8) && !heap.set("\xFF", 1, ZELString::fromUTF8) &&
                  !heapSet.set(std::string(11, '\xFF').c_str(), 11, ZELString::fromUTF8);
    const std::pair<std::string, std::string> got[] = {
        {text(to), utf8}, {std::to_string(to.capacity()), "41"}, {text(from), "x\xFC\xDF"},
        {text(back), latin}, {text(kept) + (failed ? " failed" : ""), "keep failed"},
        {text(heap), latin}, {text(heapSet), utf8}};
    int bad = 0;
    for (const auto &[g, w] : got) {
        if (g != w) std::fprintf(stderr, "got \"%s\", wanted \"%s\"\n", g.c_str(), w.c_str()), ++bad;
    }
    _exit(bad);
}

TEST(ZELString, ConversionsThroughALatin1CodePage) {
    int rc = zeltest::run_in_child(latin1_conversions);
    if (rc == 77) GTEST_SKIP() << "no de_DE.ISO-8859-1 locale";
    EXPECT_EQ(0, rc);
}

int sign(int r) { return (r > 0) - (r < 0); }

TEST(ZELStringRef, HashesAndComparisons) {
    const ZELString empty, a("a"), ab("ab"), abc("abc"), high("\xFF\x80");
    const ZELStringRef ab2("abc", 2), abx2("abx", 2), abc3("abc", 3), upper("ABC", 2);
    const std::pair<unsigned, unsigned> hashes[] = {
        {empty.hash(), 5381u},  {ZELStringRef("", 0).hash(), 5381u},
        {a.hash(), 177604u},    {ab2.hash(), ab.hash()},
        {high.hash(), ((5381u * 33) ^ 0xFF) * 33 ^ 0x80},  // bytes taken unsigned
        {ZELStringRef("\xFF\x80x", 2).hash(), high.hash()}};
    for (const auto &[got, wanted] : hashes) EXPECT_EQ(wanted, got);
    const int compares[][2] = {
        {ab2.compare(ZELStringRef("ab")), 0}, {ab2.compare(ab), 0},      {ab2.compare(abc), -1},
        {abc3.compare(ab), 1},                {ab2.compare(abx2), 0},    {ZELStringRef("abcd", 3).compare(ab2), 1},
        {ab2.compare(abc3), -1},              {ab.compare(ab2), 0},      {ab.compare(ZELStringRef("abcd", 3)), -1},
        {abc.compare(abx2), 1},               {abc.compare(ab), 1},      {ab.compare("abc", 2), 0},
        {ab.compare("abc"), -1},              {ab.compare("aa"), 1},     {upper.icompare("ab", 2), 0},
        {upper.icompare(ab), 0},              {upper.compare(ab), -1},   {ZELStringRef("abc").icompare(ZELStringRef("ABD")), -1},
    };
    for (size_t i = 0; i < sizeof compares / sizeof *compares; ++i) EXPECT_EQ(compares[i][1], sign(compares[i][0])) << i;
}

// A view that is not terminated answers a copy of its own, made once; copies
// and re-pointed views each free theirs (the sanitizer lane sees the rest).
TEST(ZELStringRef, TerminatedCopies) {
    const char bytes[] = "abc";
    ZELStringRef part(bytes, 2), whole(bytes);
    EXPECT_EQ(bytes, whole.getNullTermData());
    EXPECT_EQ(3, whole.getLen());
    const char *copy = part.getNullTermData();
    EXPECT_STREQ("ab", copy);
    EXPECT_NE(bytes, copy);
    EXPECT_EQ(copy, part.getNullTermData());
    ZELStringRef other(part);
    EXPECT_STREQ("ab", other.getNullTermData());
    other = ZELStringRef(bytes + 1, 1);
    EXPECT_STREQ("b", other.getNullTermData());
    EXPECT_EQ(0, part.set(bytes + 2, 1));
    EXPECT_STREQ("c", part.getNullTermData());
}

// Each class answers its own name and, but the command line, carries a
// virtual table of exactly two slots: its two destructors.
template <typename T>
std::string name_of() {
    char *n = abi::__cxa_demangle(typeid(T).name(), nullptr, nullptr, nullptr);
    std::string s = n ? n : "?";
    free(n);
    return s;
}

size_t vtable_size(const char *symbol) {
    const ElfW(Sym) *sym = nullptr;
    Dl_info info;
    void *table = dlsym(RTLD_DEFAULT, symbol);
    return table && dladdr1(table, &info, (void **)&sym, RTLD_DL_SYMENT) && sym ? sym->st_size : 0;
}

TEST(StringClasses, TypeInformationAndVirtualTables) {
    EXPECT_EQ("ZELString", name_of<ZELString>());
    EXPECT_EQ("ZELStringRef", name_of<ZELStringRef>());
    EXPECT_EQ("ZELStringIter", name_of<ZELStringIter>());
    EXPECT_EQ("ZELCmdLine::Option", name_of<ZELCmdLine::Option>());
    EXPECT_EQ("ZELHashTable<ZELString, ZELCmdLine::Option>", name_of<ZELCmdLine::Table>());
    static_assert(!std::is_polymorphic<ZELCmdLine>::value, "the command line has no virtual table");
    for (const char *symbol : {"_ZTV9ZELString", "_ZTV12ZELStringRef", "_ZTV13ZELStringIter", "_ZTVN10ZELCmdLine6OptionE"}) {
        EXPECT_EQ(4 * sizeof(void *), vtable_size(symbol)) << symbol;  // offset, type information, two destructors
    }
    void **vt = static_cast<void **>(dlsym(RTLD_DEFAULT, "_ZTV9ZELString"));
    ASSERT_NE(nullptr, vt);
    EXPECT_EQ(dlsym(RTLD_DEFAULT, "_ZN9ZELStringD1Ev"), vt[2]);
    EXPECT_EQ(dlsym(RTLD_DEFAULT, "_ZN9ZELStringD0Ev"), vt[3]);
#if defined(__i386__)
    static_assert(sizeof(ZELString) == 52 && sizeof(ZELStringRef) == 20 && sizeof(ZELStringIter) == 32, "layout");
    static_assert(sizeof(ZELCmdLine::Option) == 164 && sizeof(ZELCmdLine::Table) == 20, "layout");
#endif
}

}  // namespace
