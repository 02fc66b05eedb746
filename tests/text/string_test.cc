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
        {[&] { return std::strcpy(s.buffer(), "written") && s.assertBuffer(-1) == s.buffer(); }, "written", 101, true},
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
    std::string latin(20, '\xE4'), utf8;
    for (int i = 0; i < 20; ++i) utf8 += "\xC3\xA4";
    ZELString to(latin.c_str(), -1, ZELString::toUTF8), from("x\xC3\xBC\xC3\x9F", -1, ZELString::fromUTF8);
    ZELString back(utf8.c_str(), -1, ZELString::fromUTF8), kept("keep"), heap(latin.c_str()), heapSet(utf8.c_str());
    bool failed = !kept.append("\xC3\xA4\xFF", 3, ZELString::fromUTF8) && !heap.set("\xFF", 1, ZELString::fromUTF8) &&
                  !heapSet.set(std::string(11, '\xFF').c_str(), 11, ZELString::fromUTF8);
    std::string got = text(to) + "|" + std::to_string(to.capacity()) + "|" + text(from) + "|" + text(back) + "|" +
                      text(kept) + (failed ? " failed|" : "|") + text(heap) + "|" + text(heapSet);
    std::string wanted = utf8 + "|41|x\xFC\xDF|" + latin + "|keep failed|" + latin + "|" + utf8;
    if (got != wanted) std::fprintf(stderr, "got    %s\nwanted %s\n", got.c_str(), wanted.c_str());
    _exit(got != wanted);
}

TEST(ZELString, ConversionsThroughALatin1CodePage) {
    int rc = zeltest::run_in_child(latin1_conversions);
    if (rc == 77) GTEST_SKIP() << "no de_DE.ISO-8859-1 locale";
    EXPECT_EQ(0, rc);
}

TEST(ZELStringRef, HashesAndComparisons) {
    const ZELString empty, a("a"), ab("ab"), abc("abc"), high("\xFF\x80");
    const ZELStringRef ab2("abc", 2), abx2("abx", 2), abc3("abc", 3), upper("ABC", 2);
    EXPECT_EQ(5381u, empty.hash());
    EXPECT_EQ(5381u, ZELStringRef("", 0).hash());
    EXPECT_EQ(177604u, a.hash());
    EXPECT_EQ(ab.hash(), ab2.hash());
    EXPECT_EQ(((5381u * 33) ^ 0xFF) * 33 ^ 0x80, high.hash());  // bytes taken unsigned
    EXPECT_EQ(high.hash(), ZELStringRef("\xFF\x80x", 2).hash());
    // One sign per comparison, in order.
    auto sg = [](int r) { return std::string(1, r > 0 ? '+' : r < 0 ? '-' : '0'); };
    EXPECT_EQ("00-+0+-0-++0-+00--",
              sg(ab2.compare(ZELStringRef("ab"))) + sg(ab2.compare(ab)) + sg(ab2.compare(abc)) + sg(abc3.compare(ab)) +
                  sg(ab2.compare(abx2)) + sg(ZELStringRef("abcd", 3).compare(ab2)) + sg(ab2.compare(abc3)) +
                  sg(ab.compare(ab2)) + sg(ab.compare(ZELStringRef("abcd", 3))) + sg(abc.compare(abx2)) +
                  sg(abc.compare(ab)) + sg(ab.compare("abc", 2)) + sg(ab.compare("abc")) + sg(ab.compare("aa")) +
                  sg(upper.icompare("ab", 2)) + sg(upper.icompare(ab)) + sg(upper.compare(ab)) +
                  sg(ZELStringRef("abc").icompare(ZELStringRef("ABD"))));
}

// In a CP1252 code page one byte can become three UTF-8 bytes, more than the
// room reserved for it: eleven euro signs cross the inline limit on the way.
std::string g_locales;

void cp1252_growth() {
    if (setenv("LOCPATH", g_locales.c_str(), 1) != 0 || !std::setlocale(LC_ALL, "de_DE.CP1252")) _exit(77);
    std::string local(11, '\x80'), utf8;
    for (int i = 0; i < 11; ++i) utf8 += "\xE2\x82\xAC";
    bool ok;
    {
        ZELString to(local.c_str(), -1, ZELString::toUTF8), back(utf8.c_str(), -1, ZELString::fromUTF8);
        ok = text(to) == utf8 && to.capacity() > 33 && to.getData()[33] == '\0' && text(back) == local;
    }
    _exit(!ok);
}

TEST(ZELString, ConversionsBeyondTheReservedRoom) {
    zeltest::TempDir dir;
    g_locales = dir.path();
    std::string make = "localedef -i de_DE -f CP1252 " + dir.file("de_DE.CP1252") + " >/dev/null 2>&1";
    if (std::system(make.c_str()) != 0) GTEST_SKIP() << "no CP1252 locale can be made";
    int rc = zeltest::run_in_child(cp1252_growth);
    if (rc == 77) GTEST_SKIP() << "the CP1252 locale cannot be set";
    EXPECT_EQ(0, rc);
}

// A view that is not terminated answers a copy of its own, made once; copies
// and re-pointed views each free theirs (the sanitizer lane sees the rest).
TEST(ZELStringRef, TerminatedCopies) {
    const char bytes[] = "abc";
    ZELStringRef part(bytes, 2), whole(bytes);
    EXPECT_TRUE(whole.getNullTermData() == bytes && whole.getLen() == 3 && !part.isNullTerminated());
    const char *copy = part.getNullTermData();
    EXPECT_TRUE(std::strcmp(copy, "ab") == 0 && copy != bytes && copy == part.getNullTermData());
    ZELStringRef other(part);
    EXPECT_STREQ("ab", other.getNullTermData());
    other = ZELStringRef(bytes + 1, 1);
    EXPECT_EQ(0, part.set(bytes + 2, 1));
    EXPECT_EQ(std::string("b c"), std::string(other.getNullTermData()) + " " + part.getNullTermData());
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
    EXPECT_EQ("ZELString|ZELStringRef|ZELStringIter|ZELCmdLine::Option|ZELHashTable<ZELString, ZELCmdLine::Option>",
              name_of<ZELString>() + "|" + name_of<ZELStringRef>() + "|" + name_of<ZELStringIter>() + "|" +
                  name_of<ZELCmdLine::Option>() + "|" + name_of<ZELCmdLine::Table>());
    static_assert(!std::is_polymorphic<ZELCmdLine>::value, "the command line has no virtual table");
    for (const char *symbol :
         {"_ZTV9ZELString", "_ZTV12ZELStringRef", "_ZTV13ZELStringIter", "_ZTVN10ZELCmdLine6OptionE"}) {
        EXPECT_EQ(4 * sizeof(void *), vtable_size(symbol)) << symbol;  // offset, type information, two destructors
    }
#if defined(__i386__)
    static_assert(sizeof(ZELString) == 52 && sizeof(ZELStringRef) == 20 && sizeof(ZELStringIter) == 32, "layout");
    static_assert(sizeof(ZELCmdLine::Option) == 164 && sizeof(ZELCmdLine::Table) == 20, "layout");
#endif
}

}  // namespace
