// Message catalogs: lookup by locale, the cache, code sets and failures.
#include <clocale>

#include "support/test_support.h"

namespace {

using namespace zeltest;

// "Speicher konnte nicht zugeteilt werden: Größe" in ISO-8859-1.
const std::string kGermanLatin1 = "Speicher konnte nicht zugeteilt werden: Gr\xF6\xDF\x65";
const std::string kGermanUtf8 = "Speicher konnte nicht zugeteilt werden: Gr\xC3\xB6\xC3\x9F\x65";

std::string with(const std::string &text, unsigned32 status) { return text + " " + std::to_string(status); }

std::string catalog_source(const std::string &text, int number = 151) {
    return "$set 1\n$quote \"\n" + std::to_string(number) + " \"" + text + "\"\n";
}

// Components 0x3000 + n ("vr" catalogs), and their message 151.
std::string comp_name(unsigned32 n) {
    char name[4];
    zel_msg__inq_comp((0x3000 + n) << 12, name);
    return name;
}
unsigned32 comp_code(unsigned32 n) { return 0x30000097u | ((0x3000 + n) << 12); }

class CatalogTest : public ::testing::Test {
protected:
    void SetUp() override {
        unsetenv("ZEL_CATALOG_DIR");
        setenv("NLSPATH", (dir_.path() + "/%L/%N").c_str(), 1);
    }
    std::string comp_catalog(unsigned32 n) { return dir_.file("C/vr" + comp_name(n) + ".cat"); }
    // "text status" after a lookup; a text the caller owns is freed.
    std::string got(const char *text) { return (text ? text : "(null)") + (" " + std::to_string(st)); }
    std::string got(char *text) { return taken(text) + " " + std::to_string(st); }
    TempDir dir_;
    unsigned32 st = 1;  // a status that no lookup leaves
};

TEST_F(CatalogTest, GermanCatalogWinsOverCompiledTextInBothCodeSets) {
    compile_catalog(dir_.file("de_DE.ISO-8859-1/vrqpc.cat"), catalog_source(kGermanLatin1), "de_DE.ISO-8859-1");
    ASSERT_NE(nullptr, std::setlocale(LC_ALL, "de_DE.ISO-8859-1"));
    EXPECT_EQ(kGermanLatin1 + "|" + kGermanUtf8,
              taken(zel_msg_get_msg(ZEL_S_NO_MEMORY, &st)) + "|" + taken(zel_msg_get_msg_utf8(ZEL_S_NO_MEMORY, &st)));
    EXPECT_EQ(0u, st);
    // A code the catalog lacks falls back to the compiled text.
    EXPECT_EQ("KVXSC0152E   No more entries were found in the specified list.",
              taken(zel_msg_get_msg(ZEL_S_NO_MORE_ENTRIES, &st)));
    // A named locale converted into a named code set.
    EXPECT_EQ(kGermanUtf8, taken(zel_msg_get_locale_cat_msg(ZEL_S_NO_MEMORY, "de_DE.ISO-8859-1", "UTF8", 0, &st)));
}

// A missing catalog is remembered, but a new search path is searched at once.
TEST_F(CatalogTest, MissingCatalogIsRememberedUntilTheSearchPathChanges) {
    setenv("VRSVC_DEBUG_MSG", "", 1);
    testing::internal::CaptureStderr();
    EXPECT_EQ(nullptr, zel_msg_get_cat_msg(ZEL_S_NO_MEMORY, &st));
    std::string diagnostics = testing::internal::GetCapturedStderr();
    EXPECT_EQ(ZEL_S_CAT_NOT_FOUND, st);
    for (std::string part : {"NLSPATH=" + dir_.path() + "/%L/%N\n", std::string("LYRDIR="),
                             std::string("catopen(vrqpc.cat) status = 10652208\n")})
        EXPECT_NE(std::string::npos, diagnostics.find(part)) << diagnostics;
    compile_catalog(dir_.file("C/vrqpc.cat"), catalog_source("late"));
    EXPECT_EQ(with("(null)", ZEL_S_CAT_NOT_FOUND), got(zel_msg_get_cat_msg(ZEL_S_NO_MEMORY, &st)));
    setenv("NLSPATH", (dir_.path() + "/%L/%N:").c_str(), 1);
    EXPECT_STREQ("late", zel_msg_get_cat_msg(ZEL_S_NO_MEMORY, &st));
}

TEST_F(CatalogTest, PlainLookupsAndTheirStatuses) {
    compile_catalog(dir_.file("C/vrqpc.cat"), catalog_source("catalog text"));
    EXPECT_EQ(with("catalog text", 0), got(zel_msg_get_cat_msg(ZEL_S_NO_MEMORY, &st)));
    EXPECT_EQ(with("(null)", ZEL_S_CAT_NO_MESSAGE), got(zel_msg_get_cat_msg(ZEL_S_NO_MORE_ENTRIES, &st)));
    zel_msg_catalog *cat = zel_msg_cat_open(0x3665A000, &st);
    EXPECT_TRUE(cat && cat == zel_msg_cat_open(0x3665AFFF, &st));  // one catalog per component
    zel_msg_cat_close(cat, &st);
    EXPECT_EQ(0u, st);
    const std::tuple<const char *, const char *, int, unsigned32> locale_cases[] = {
        {nullptr, nullptr, 5, ZEL_S_INTERNAL_CHECK_FAILED}, {nullptr, "NO-SUCH-SET", 0, ZEL_S_CAT_NOT_OPENED}};
    for (const auto &[locale, code_set, set, status] : locale_cases)
        EXPECT_EQ(with("(null)", status), got(zel_msg_get_locale_cat_msg(ZEL_S_NO_MEMORY, locale, code_set, set, &st)));
    EXPECT_EQ(with("(null)", 0), got(zel_msg_get_locale_cat_msg(0, nullptr, nullptr, 0, &st)));
    EXPECT_EQ(nullptr, zel_msg_cat_open(0x3665B001, nullptr));  // null status pointers are accepted
    EXPECT_STREQ("KVXSC0151E   Memory could not be allocated.",
                 zelmsg_get_utf8_locale_msg(0x3665A097, "C", nullptr, &st));
}

TEST_F(CatalogTest, SwitchedOffPlainCatalogsLeaveLocaleLookups) {
    setenv("SVC_NOXPGCAT", "1", 1);
    compile_catalog(dir_.file("C/vrqpc.cat"), catalog_source("catalog text"));
    EXPECT_EQ(with("(null)", ZEL_S_CAT_NO_MESSAGE), got(zel_msg_get_cat_msg(ZEL_S_NO_MEMORY, &st)));
    EXPECT_EQ("KVXSC0151E   Memory could not be allocated.", taken(zel_msg_get_msg(ZEL_S_NO_MEMORY, &st)));
    EXPECT_EQ("catalog text", taken(zel_msg_get_locale_cat_msg(ZEL_S_NO_MEMORY, nullptr, nullptr, 4, &st)));
}

TEST_F(CatalogTest, DceAndFacilityCatalogs) {
    // DCE codes try the "vrb" name first, and both names on NLSPATH before the
    // installed catalogs.
    TempDir installed;
    compile_catalog(installed.file("C/vrbbas.cat"), catalog_source("installed", 521));
    setenv("ZEL_CATALOG_DIR", installed.path().c_str(), 1);
    compile_catalog(dir_.file("C/dcebas.cat"), catalog_source("from dce", 521));
    EXPECT_STREQ("from dce", zel_msg_get_cat_msg(0, &st));
    compile_catalog(dir_.file("C/vrbivc.cat"), catalog_source("from vrb", 456));
    compile_catalog(dir_.file("C/dceivc.cat"), catalog_source("from dce", 456));
    EXPECT_STREQ("from vrb", zel_msg_get_cat_msg(ZEL_S_SVC_LOCK_FAILED, &st));
    // Facility 0x40004005: dce010001.cat, message 5; message 1 names the facility.
    compile_catalog(dir_.file("C/dce010001.cat"), "$set 1\n$quote \"\n1 \"facility\"\n5 \"it broke\"\n");
    compile_catalog(dir_.file("C/dce010002.cat"), catalog_source("it broke", 5));
    const std::pair<unsigned32, std::string> texts[] = {
        {0, "from dce (dce / bas)0"}, {0x40004005, "it broke (facility)0"}, {0x40008005, "status 0x40008005-1"}};
    for (const auto &t : texts) {
        int ist = 1;
        char text[ZEL_ERROR_TEXT_MAX];
        zel_error_inq_text(t.first, text, &ist);
        EXPECT_EQ(t.second, text + std::to_string(ist));
    }
}

// A ninth catalog evicts the least recently used, later read from its file again.
TEST_F(CatalogTest, NinthCatalogEvictsTheLeastRecentlyUsed) {
    for (unsigned32 comp = 0; comp < 9; ++comp) compile_catalog(comp_catalog(comp), catalog_source("old"));
    for (unsigned32 comp = 0; comp < 8; ++comp) EXPECT_STREQ("old", zel_msg_get_cat_msg(comp_code(comp), &st));
    // Rewrite every file; cached catalogs keep their old text until evicted.
    for (unsigned32 comp = 0; comp < 9; ++comp) {
        compile_catalog(comp_catalog(comp) + ".new", catalog_source("new"));
        std::rename((comp_catalog(comp) + ".new").c_str(), comp_catalog(comp).c_str());
    }
    EXPECT_STREQ("old", zel_msg_get_cat_msg(comp_code(0), &st));  // now the most recent
    EXPECT_STREQ("new", zel_msg_get_cat_msg(comp_code(8), &st));  // evicts component 1
    EXPECT_STREQ("old", zel_msg_get_cat_msg(comp_code(2), &st));
    EXPECT_STREQ("new", zel_msg_get_cat_msg(comp_code(1), &st));  // reopened
}

TEST_F(CatalogTest, OversizedSettingsFailCleanly) {
    setenv("NLSPATH", (std::string(10000, 'x') + "/%N").c_str(), 1);
    EXPECT_EQ(nullptr, zel_msg_cat_open(0x3665B097, &st));
    EXPECT_EQ(with("(null)", ZEL_S_CAT_NOT_FOUND),
              got(zel_msg_get_locale_cat_msg(ZEL_S_NO_MEMORY, std::string(600, 'l').c_str(), nullptr, 1, &st)));
}

// Lookups from several threads while others open new catalogs into the cache.
TEST_F(CatalogTest, ConcurrentLookupsAndOpenings) {
    for (unsigned32 comp = 0; comp < 12; ++comp) compile_catalog(comp_catalog(comp), catalog_source(comp_name(comp)));
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t, &wrong] {
            unsigned32 status;
            for (int i = 0; i < 300; ++i) {
                unsigned32 comp = (i * 7 + t) % 12;
                if (taken(zel_msg_get_msg(comp_code(comp), &status)) != comp_name(comp)) ++wrong;
            }
        });
    for (auto &thread : threads) thread.join();
    EXPECT_EQ(0, wrong.load());
}

// Plain frees: the cancelled thread unwinds through no C++ objects.
void *look_up_until_cancelled(void *) {
    for (unsigned32 st;; pthread_testcancel()) {
        std::free(zel_msg_get_msg(ZEL_S_NO_MEMORY, &st));
        std::free(zel_msg_get_locale_cat_msg(ZEL_S_NO_MEMORY, nullptr, "UTF8", 2, &st));
    }
}

// A thread cancelled inside a lookup leaves no lock held.
TEST_F(CatalogTest, CancelledLookupLeavesNoLockHeld) {
    compile_catalog(dir_.file("C/vrqpc.cat"), catalog_source("catalog text"));
    pthread_t thread;
    pthread_create(&thread, nullptr, look_up_until_cancelled, nullptr);
    usleep(20000);
    pthread_cancel(thread);
    pthread_join(thread, nullptr);
    EXPECT_EQ("catalog text", taken(zel_msg_get_msg(ZEL_S_NO_MEMORY, &st)));
}

}  // namespace
