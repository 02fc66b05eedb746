// ZELString and ZELStringRef: the move from the inline buffer to an exact heap
// buffer and its reuse, appends that alias the string's own text, conversions
// through a Latin-1 local code page, hashes, comparisons and class layout.
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
    // What a step does, then the text, the capacity and whether the text is in buffer().
    const std::tuple<std::function<bool()>, std::string, int, bool> steps[] = {
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
    for (const auto &[act, wanted, capacity, inBuffer] : steps) {
        EXPECT_TRUE(act()) << wanted;
        EXPECT_EQ(std::make_tuple(wanted + '\0', capacity, inBuffer),
                  std::make_tuple(std::string(s.getData(), s.getLen() + 1), s.capacity(), s.getData() == s.buffer()));
    }
}

// A local code page, one of its characters and that character in UTF-8.
struct CodePage {
    const char *locale, *local, *utf8;
    int count;  // enough of them to leave the inline buffer once converted
} g_page;
std::string g_locales;

// Converted to UTF-8 and back the text keeps its characters, also where one
// byte becomes three, more than the room reserved for it; bytes that are not
// UTF-8 add nothing, and a set() of them keeps the old text, also when the
// reserved room would fit the heap buffer that text is in.
void conversions() {
    if (std::strstr(g_page.locale, "CP1252")) setenv("LOCPATH", g_locales.c_str(), 1);  // made by the test
    if (!std::setlocale(LC_ALL, g_page.locale)) _exit(77);
    std::string local, utf8, got;
    for (int i = 0; i < g_page.count; ++i) local += g_page.local, utf8 += g_page.utf8;
    {
        ZELString to(local.c_str(), -1, ZELString::toUTF8), back(utf8.c_str(), -1, ZELString::fromUTF8);
        ZELString kept("keep"), heap(local.c_str()), heapSet(utf8.c_str());
        bool failed = !kept.append("\xC3\xA4\xFF", 3, ZELString::fromUTF8) &&
                      !heap.set("\xFF", 1, ZELString::fromUTF8) &&
                      !heapSet.set(std::string(11, '\xFF').c_str(), 11, ZELString::fromUTF8);
        got = text(to) + (to.capacity() > to.getLen() ? "|" : " small|") + text(back) + "|" + text(kept) +
              (failed ? " failed|" : "|") + text(heap) + "|" + text(heapSet);
    }
    std::string wanted = utf8 + "|" + local + "|keep failed|" + local + "|" + utf8;
    if (got != wanted) std::fprintf(stderr, "got    %s\nwanted %s\n", got.c_str(), wanted.c_str());
    _exit(got != wanted);
}

TEST(ZELString, ConversionsThroughLocalCodePages) {
    zeltest::TempDir dir;
    g_locales = dir.path();
    std::string make = "localedef -i de_DE -f CP1252 " + dir.file("de_DE.CP1252") + " >/dev/null 2>&1";
    if (std::system(make.c_str()) != 0) std::fprintf(stderr, "no CP1252 locale made\n");
    std::string skipped;
    for (CodePage page :
         {CodePage{"de_DE.ISO-8859-1", "\xE4", "\xC3\xA4", 20}, CodePage{"de_DE.CP1252", "\x80", "\xE2\x82\xAC", 11}}) {
        g_page = page;
        int rc = zeltest::run_in_child(conversions);
        if (rc == 77) skipped += std::string(" ") + page.locale;
        EXPECT_TRUE(rc == 0 || rc == 77) << page.locale << " " << rc;
    }
    if (!skipped.empty()) GTEST_SKIP() << "no locale" << skipped;
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

size_t vtable_size(const std::type_info &type) {
    const ElfW(Sym) *sym = nullptr;
    Dl_info info;
    void *table = dlsym(RTLD_DEFAULT, ("_ZTV" + std::string(type.name())).c_str());
    return table && dladdr1(table, &info, (void **)&sym, RTLD_DL_SYMENT) && sym ? sym->st_size : 0;
}

// Each class but the command line carries type information and a virtual
// table of exactly two slots: its two destructors.
TEST(StringClasses, TypeInformationAndVirtualTables) {
    static_assert(!std::is_polymorphic<ZELCmdLine>::value, "the command line has no virtual table");
    for (const std::type_info *type :
         {&typeid(ZELString), &typeid(ZELStringRef), &typeid(ZELStringIter), &typeid(ZELCmdLine::Option)}) {
        EXPECT_EQ(4 * sizeof(void *), vtable_size(*type)) << type->name();  // offset, type information, destructors
    }
#if defined(__i386__)
    static_assert(sizeof(ZELString) == 52 && sizeof(ZELStringRef) == 20 && sizeof(ZELStringIter) == 32, "layout");
    static_assert(sizeof(ZELCmdLine::Option) == 164 && sizeof(ZELCmdLine::Table) == 20, "layout");
#endif
}

}  // namespace
