// libjrnmsg catalogs and locales: search paths, conversion, damaged files.
#include <jrnmsg/lyr.h>

#include <clocale>

#include "support/test_support.h"

namespace {

using zeltest::TempDir;

const char kNope[] = "?NOPE?";

// A catalog with ISO-8859-1 texts compiled by gencat into dir/sub/name.
std::string make_catalog(const TempDir &tmp, const std::string &sub, const std::string &name = "test.cat") {
    std::string path = tmp.path() + "/" + sub + "/" + name;
    zeltest::compile_catalog(path, "$set 1\n1 Gr\xfc\xdf Gott\n2 plain %s\n$set 2\n5 other\n", "de_DE.ISO-8859-1");
    return path;
}

// Opens test.cat for a locale; null with errno as lyr_catopen left it.
lyr_cat_t open_for(const char *locale, const char *name = "test.cat") {
    lyr_loc_t loc = lyr_loc_new(locale);
    EXPECT_NE(loc, nullptr) << locale;
    lyr_cat_t cat = lyr_catopen(name, 1, loc);
    int err = errno;
    lyr_loc_free(loc);
    errno = err;
    return cat;
}

class LyrCatalog : public ::testing::Test {
protected:
    void SetUp() override {
        unsetenv("NLSPATH");
        setenv("ZEL_CATALOG_DIR", empty_.path().c_str(), 1);
    }
    TempDir tmp_, empty_;
};

TEST_F(LyrCatalog, RoundTripInTwoCodeSets) {
    make_catalog(tmp_, "de_DE.ISO-8859-1");
    setenv("NLSPATH", (tmp_.path() + "/%L/%N").c_str(), 1);
    lyr_cs_t utf8 = lyr_cs_new("UTF8"), latin1 = lyr_cs_new("ISO-8859-1");
    lyr_cat_t cat = open_for("de_DE.ISO-8859-1");
    ASSERT_NE(cat, nullptr);
    const char *u = lyr_catgets(cat, 1, 1, kNope, utf8);
    EXPECT_EQ(lyr_catgets(cat, 1, 1, kNope, utf8), u);  // cached, stays put
    EXPECT_EQ(std::string("Gr\xc3\xbc\xc3\x9f Gott|Gr\xfc\xdf Gott|plain %s|other"),
              std::string(u) + "|" + lyr_catgets(cat, 1, 1, kNope, latin1) + "|" +
                  lyr_catgets(cat, 1, 2, kNope, nullptr) + "|" + lyr_catgets(cat, 2, 5, kNope, utf8));
    lyr_cs_t ascii = lyr_cs_new("ANSI_X3.4-1968");  // the last cannot be converted
    for (const char *missing : {lyr_catgets(cat, 1, 99, kNope, utf8), lyr_catgets(cat, 3, 1, kNope, utf8),
                                lyr_catgets(cat, 1, 1, kNope, ascii)})
        EXPECT_EQ(missing, kNope);
    EXPECT_EQ(lyr_catclose(cat), 0);
    lyr_cs_free(utf8), lyr_cs_free(latin1), lyr_cs_free(ascii);
}

// true when test.cat opens for the locale.
bool opens(const char *locale) {
    lyr_cat_t cat = open_for(locale);
    if (cat) lyr_catclose(cat);
    return cat != nullptr;
}

TEST_F(LyrCatalog, NlspathEscapes) {
    struct Case {
        const char *tmpl, *file;  // the file the template must find, under the directory
    } cases[] = {
        {"%L/%N", "de_DE.ISO-8859-1/test.cat"},
        {"%l/%t/%c/%N", "de/DE/ISO-8859-1/test.cat"},
        {"x_%l%%/%N", "x_de%/test.cat"},
        {"%l/cat/fixed", "de/cat/fixed"},
    };
    for (const Case &c : cases) {
        TempDir tmp;
        std::string file = c.file;
        size_t slash = file.rfind('/');
        make_catalog(tmp, file.substr(0, slash), file.substr(slash + 1));
        setenv("NLSPATH", ("/nonexistent/%N:" + tmp.path() + "/" + c.tmpl).c_str(), 1);
        EXPECT_TRUE(opens("de_DE.ISO-8859-1")) << c.tmpl;
    }
    // An empty element stands for %N, relative to the working directory.
    make_catalog(tmp_, ".");
    ASSERT_EQ(chdir(tmp_.path().c_str()), 0);
    setenv("NLSPATH", "/nonexistent/%N::", 1);
    EXPECT_TRUE(opens("de_DE.ISO-8859-1"));
}

TEST_F(LyrCatalog, ShorterLocaleFormsAndInstallationDirectory) {
    make_catalog(tmp_, "de_DE");
    make_catalog(tmp_, "fr");
    setenv("NLSPATH", (tmp_.path() + "/%L/%N").c_str(), 1);
    for (const char *loc : {"de_DE.ISO-8859-1", "de_DE@euro", "fr_FR.ISO-8859-1", "fr"}) EXPECT_TRUE(opens(loc)) << loc;
    errno = 0;
    EXPECT_EQ(open_for("en_US.UTF-8"), nullptr);
    EXPECT_EQ(errno, ENOENT);

    // Not on NLSPATH: the installation directory, then its C catalogs.
    unsetenv("NLSPATH");
    setenv("ZEL_CATALOG_DIR", tmp_.path().c_str(), 1);
    EXPECT_TRUE(opens("fr_FR.UTF-8"));
    EXPECT_FALSE(opens("en_US.UTF-8"));
    make_catalog(tmp_, "C");
    lyr_cat_t cat = open_for("en_US.UTF-8");
    ASSERT_NE(cat, nullptr);
    EXPECT_STREQ(lyr_catgets(cat, 2, 5, kNope, nullptr), "other");
    lyr_catclose(cat);
}

TEST_F(LyrCatalog, ProcessLocaleAndDirectPaths) {
    make_catalog(tmp_, "de_DE.ISO-8859-1");
    setenv("NLSPATH", (tmp_.path() + "/%L/%N").c_str(), 1);
    char name[64], cs[32];
    ASSERT_EQ(lyr_os_lang_name(name, sizeof name), 0);
    EXPECT_STREQ(name, "C");
    EXPECT_EQ(lyr_catopen("test.cat", 1, nullptr), nullptr);
    ASSERT_NE(setlocale(LC_ALL, "de_DE.ISO-8859-1"), nullptr);
    ASSERT_EQ(lyr_os_lang_name(name, sizeof name) + lyr_os_cs_name(cs, sizeof cs), 0);
    EXPECT_EQ(std::string("de_DE.ISO-8859-1 ISO-8859-1"), std::string(name) + " " + cs);
    EXPECT_EQ(lyr_os_lang_name(name, 4), -1);
    // Without a code set the text is as held; a name with a slash opens as it is.
    for (std::string file : {std::string("test.cat"), tmp_.path() + "/de_DE.ISO-8859-1/test.cat"}) {
        lyr_cat_t cat = lyr_catopen(file.c_str(), 1, nullptr);
        ASSERT_NE(cat, nullptr);
        EXPECT_STREQ(lyr_catgets(cat, 1, 1, kNope, nullptr), "Gr\xfc\xdf Gott");
        lyr_catclose(cat);
    }
}

// Permissions do not apply to root, so as root the look-up runs as nobody.
TEST_F(LyrCatalog, UnreadableFileIsNotPermitted) {
    std::string path = make_catalog(tmp_, "C");
    ASSERT_EQ(chmod(path.c_str(), 0), 0);
    ASSERT_EQ(chmod(tmp_.path().c_str(), 0755), 0);
    ASSERT_EQ(chmod((tmp_.path() + "/C").c_str(), 0755), 0);
    setenv("NLSPATH", (tmp_.path() + "/%L/%N").c_str(), 1);
    EXPECT_EQ(0, zeltest::run_in_child([] {
                  if (geteuid() == 0 && !zeltest::become_nobody()) _exit(2);
                  lyr_cat_t cat = open_for("C");
                  _exit(cat == nullptr && errno == EPERM ? 0 : 1);
              }));
}

TEST_F(LyrCatalog, CutFilesAreRefusedAsDamaged) {
    std::string good = zeltest::read_file(make_catalog(tmp_, "src"));
    ASSERT_GT(good.size(), 12u);
    std::string path = tmp_.file("bad.cat");
    for (size_t len = 0; len < good.size(); ++len) {
        zeltest::write_file(path, good.substr(0, len));
        errno = 0;
        EXPECT_EQ(lyr_catopen(path.c_str(), 1, nullptr), nullptr) << len;
        EXPECT_EQ(errno, EBADMSG) << len;  // there but refused, not absent
    }
}

TEST(LyrLocale, HandlesAndCanonicalNames) {
    for (const char *ok : {"C", "POSIX", "de_DE.ISO-8859-1", "de", "xx_YY.UTF-8@mod", "C.UTF-8"}) {
        lyr_loc_t loc = lyr_loc_new(ok);
        EXPECT_NE(loc, nullptr) << ok;
        lyr_loc_free(loc);
    }
    const std::string too_long(300, 'a');
    for (const char *bad : {"", "../de", "de_DE.", "de_@x", "d3_DE", too_long.c_str()})
        EXPECT_EQ(lyr_loc_new(bad), nullptr) << bad;

    // Canonical names, which nothing of the library asks for yet.
    char buf[32];
    ASSERT_EQ(lyr_canonical_loc("EN_us.utf8", buf, sizeof buf), 0);
    EXPECT_STREQ(buf, "en_US.UTF-8");
    EXPECT_EQ(lyr_canonical_loc("de_DE.ISO-8859-1", buf, 8), -1);
}

}  // namespace
