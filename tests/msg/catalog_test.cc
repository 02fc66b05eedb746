// Message catalogs: finding a code's catalog in a locale, the cache of open
// catalogs, conversion into a code set, and the failures of each step.
#include <zel/zel.h>

#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <clocale>
#include <thread>

#include "support/test_support.h"

namespace {

using zeltest::compile_catalog;
using zeltest::taken;
using zeltest::TempDir;

// "Speicher konnte nicht zugeteilt werden: Größe" in ISO-8859-1.
const std::string kGermanLatin1 = "Speicher konnte nicht zugeteilt werden: Gr\xF6\xDF" "e";
const std::string kGermanUtf8 = "Speicher konnte nicht zugeteilt werden: Gr\xC3\xB6\xC3\x9F" "e";

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
    TempDir dir_;
};

TEST_F(CatalogTest, GermanCatalogWinsOverCompiledTextInBothCodeSets) {
    compile_catalog(dir_.file("de_DE.ISO-8859-1/vrqpc.cat"), catalog_source(kGermanLatin1),
                    "de_DE.ISO-8859-1");
    ASSERT_NE(nullptr, std::setlocale(LC_ALL, "de_DE.ISO-8859-1"));
    unsigned32 st = 1;
    EXPECT_EQ(kGermanLatin1, taken(zel_msg_get_msg(0x3665A097, &st)));
    EXPECT_EQ(0u, st);
    EXPECT_EQ(kGermanUtf8, taken(zel_msg_get_msg_utf8(0x3665A097, &st)));
    // A code the catalog lacks falls back to the compiled text.
    EXPECT_EQ("KVXSC0152E   No more entries were found in the specified list.",
              taken(zel_msg_get_msg(0x3665A098, &st)));
    // A named locale converted into a named code set.
    EXPECT_EQ(kGermanUtf8, taken(zel_msg_get_locale_cat_msg(0x3665A097, "de_DE.ISO-8859-1", "UTF8", 0, &st)));
}

// A missing catalog, with the diagnostics VRSVC_DEBUG_MSG asks for. The
// failure is remembered for a while, but a new search path is searched at once.
TEST_F(CatalogTest, MissingCatalogIsRememberedUntilTheSearchPathChanges) {
    setenv("VRSVC_DEBUG_MSG", "", 1);
    testing::internal::CaptureStderr();
    unsigned32 st = 0;
    EXPECT_EQ(nullptr, zel_msg_get_cat_msg(0x3665A097, &st));
    std::string diagnostics = testing::internal::GetCapturedStderr();
    EXPECT_EQ(0x10652208u, st);
    EXPECT_NE(std::string::npos, diagnostics.find("NLSPATH=" + dir_.path() + "/%L/%N\n"));
    EXPECT_NE(std::string::npos, diagnostics.find("LYRDIR="));
    EXPECT_NE(std::string::npos, diagnostics.find("catopen(vrqpc.cat) status = 10652208\n"));
    compile_catalog(dir_.file("C/vrqpc.cat"), catalog_source("late"));
    EXPECT_EQ(nullptr, zel_msg_get_cat_msg(0x3665A097, &st));
    EXPECT_EQ(0x10652208u, st);
    setenv("NLSPATH", (dir_.path() + "/%L/%N:").c_str(), 1);
    EXPECT_STREQ("late", zel_msg_get_cat_msg(0x3665A097, &st));
}

TEST_F(CatalogTest, PlainLookupsAndTheirStatuses) {
    compile_catalog(dir_.file("C/vrqpc.cat"), catalog_source("catalog text"));
    unsigned32 st = 1;
    EXPECT_STREQ("catalog text", zel_msg_get_cat_msg(0x3665A097, &st));
    EXPECT_EQ(0u, st);
    EXPECT_EQ(nullptr, zel_msg_get_cat_msg(0x3665A098, &st));
    EXPECT_EQ(0x10652205u, st);
    zel_msg_catalog *cat = zel_msg_cat_open(0x3665A000, &st);
    ASSERT_NE(nullptr, cat);
    EXPECT_EQ(cat, zel_msg_cat_open(0x3665AFFF, &st));  // one catalog per component
    zel_msg_cat_close(cat, &st);
    EXPECT_EQ(0u, st);
    EXPECT_EQ(nullptr, zel_msg_get_locale_cat_msg(0x3665A097, nullptr, nullptr, 5, &st));
    EXPECT_EQ(0x106521FAu, st);
    EXPECT_EQ(nullptr, zel_msg_get_locale_cat_msg(0x3665A097, nullptr, "NO-SUCH-SET", 0, &st));
    EXPECT_EQ(0x10652206u, st);
    EXPECT_EQ(nullptr, zel_msg_get_locale_cat_msg(0, nullptr, nullptr, 0, &st));
    EXPECT_EQ(0u, st);
    // Null status pointers are accepted.
    EXPECT_EQ(nullptr, zel_msg_cat_open(0x3665B001, nullptr));
    EXPECT_STREQ("KVXSC0151E   Memory could not be allocated.",
                 zelmsg_get_utf8_locale_msg(0x3665A097, "C", nullptr, &st));
}

TEST_F(CatalogTest, SwitchedOffPlainCatalogsLeaveLocaleLookups) {
    setenv("SVC_NOXPGCAT", "1", 1);
    compile_catalog(dir_.file("C/vrqpc.cat"), catalog_source("catalog text"));
    unsigned32 st = 0;
    EXPECT_EQ(nullptr, zel_msg_get_cat_msg(0x3665A097, &st));
    EXPECT_EQ(0x10652205u, st);
    EXPECT_EQ("KVXSC0151E   Memory could not be allocated.", taken(zel_msg_get_msg(0x3665A097, &st)));
    EXPECT_EQ("catalog text", taken(zel_msg_get_locale_cat_msg(0x3665A097, nullptr, nullptr, 4, &st)));
}

TEST_F(CatalogTest, DceAndFacilityCatalogs) {
    // DCE codes try the "vrb" name first.
    compile_catalog(dir_.file("C/dcebas.cat"), catalog_source("from dce", 521));
    unsigned32 st = 1;
    EXPECT_STREQ("from dce", zel_msg_get_cat_msg(0, &st));
    compile_catalog(dir_.file("C/vrbivc.cat"), catalog_source("from vrb", 456));
    compile_catalog(dir_.file("C/dceivc.cat"), catalog_source("from dce", 456));
    EXPECT_STREQ("from vrb", zel_msg_get_cat_msg(0x1354A1C8, &st));
    int ist = 1;
    char text[ZEL_ERROR_TEXT_MAX];
    zel_error_inq_text(0, text, &ist);
    EXPECT_STREQ("from dce (dce / bas)", text);
    EXPECT_EQ(0, ist);
    // Facility code 0x40004005: catalog "dce010001.cat", message 5; message 1
    // names the facility, without which there is no text.
    compile_catalog(dir_.file("C/dce010001.cat"), "$set 1\n$quote \"\n1 \"facility\"\n5 \"it broke\"\n");
    compile_catalog(dir_.file("C/dce010002.cat"), catalog_source("it broke", 5));
    zel_error_inq_text(0x40004005, text, &ist);
    EXPECT_STREQ("it broke (facility)", text);
    EXPECT_EQ(0, ist);
    zel_error_inq_text(0x40008005, text, &ist);
    EXPECT_STREQ("status 0x40008005", text);
    EXPECT_EQ(-1, ist);
}

// A ninth catalog in one class evicts the least recently used one, which is
// read from its file again when it is next needed.
TEST_F(CatalogTest, NinthCatalogEvictsTheLeastRecentlyUsed) {
    for (unsigned32 comp = 0; comp < 9; ++comp) compile_catalog(comp_catalog(comp), catalog_source("old"));
    unsigned32 st;
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

TEST_F(CatalogTest, BadCatalogFilesAndOversizedSettingsFailCleanly) {
    compile_catalog(dir_.file("C/vrqpd.cat"), catalog_source("x"));
    zeltest::write_file(dir_.file("C/vrqpc.cat"), "");
    std::string whole = zeltest::read_file(dir_.file("C/vrqpd.cat"));
    zeltest::write_file(dir_.file("C/vrqpi.cat"), whole.substr(0, whole.size() / 2));
    unsigned32 st = 0;
    EXPECT_EQ(nullptr, zel_msg_cat_open(0x3665A097, &st));
    EXPECT_EQ(0x10652206u, st);
    // The system's catalog functions may accept a damaged file that the
    // services refuse; either way a lookup gives some text.
    for (unsigned32 code : {0x3665A097u, 0x36660097u}) EXPECT_NE("(null)", taken(zel_msg_get_msg(code, &st)));
    std::string long_path(10000, 'x');
    setenv("NLSPATH", (long_path + "/%N").c_str(), 1);
    EXPECT_EQ(nullptr, zel_msg_cat_open(0x3665B097, &st));
    std::string long_locale(600, 'l');
    EXPECT_EQ("(null)", taken(zel_msg_get_locale_cat_msg(0x3665A097, long_locale.c_str(), nullptr, 1, &st)));
    EXPECT_EQ(0x10652208u, st);
}

// Lookups from several threads while others open new catalogs into the cache.
TEST_F(CatalogTest, ConcurrentLookupsAndOpenings) {
    for (unsigned32 comp = 0; comp < 12; ++comp) compile_catalog(comp_catalog(comp), catalog_source(comp_name(comp)));
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t, &wrong] {
            unsigned32 st;
            for (int i = 0; i < 300; ++i) {
                unsigned32 comp = (i * 7 + t) % 12;
                if (taken(zel_msg_get_msg(comp_code(comp), &st)) != comp_name(comp)) ++wrong;
            }
        });
    for (auto &thread : threads) thread.join();
    EXPECT_EQ(0, wrong.load());
}

// A thread cancelled inside a lookup leaves no lock held.
TEST_F(CatalogTest, CancelledLookupLeavesNoLockHeld) {
    compile_catalog(dir_.file("C/vrqpc.cat"), catalog_source("catalog text"));
    pthread_t thread;
    pthread_create(&thread, nullptr, [](void *) -> void * {
        for (;;) {
            unsigned32 st;
            // Plain frees: the cancelled thread unwinds through no C++ objects.
            std::free(zel_msg_get_msg(0x3665A097, &st));
            std::free(zel_msg_get_locale_cat_msg(0x3665A097, nullptr, "UTF8", 2, &st));
            pthread_testcancel();
        }
        return nullptr;
    }, nullptr);
    usleep(20000);
    pthread_cancel(thread);
    pthread_join(thread, nullptr);
    unsigned32 st;
    EXPECT_EQ("catalog text", taken(zel_msg_get_msg(0x3665A097, &st)));
}

}  // namespace
