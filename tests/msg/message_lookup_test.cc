// Status names, default texts, getters, error texts and the compiled tables.
#include <cctype>
#include <fstream>
#include <map>
#include <regex>

#include "conversions.h"
#include "support/test_support.h"

namespace {

std::string name(void (*inq)(unsigned32, char *), unsigned32 code) {
    char text[4];
    inq(code, text);
    return text;
}
std::string tech(unsigned32 code) { return name(zel_msg__inq_tech, code); }
std::string comp(unsigned32 code) { return name(zel_msg__inq_comp, code); }

std::string describe(unsigned32 code, int *status, bool utf8 = false) {
    char text[ZEL_ERROR_TEXT_MAX];
    (utf8 ? zel_error_inq_text_utf8 : zel_error_inq_text)(code, text, status);
    return text;
}

TEST(StatusCodeNames, TechnologyAndComponent) {
    EXPECT_EQ("vr qpc|dce bas|dfs aaa", tech(0x3665A096) + " " + comp(0x3665A096) + "|" + tech(0x10652203) + " " +
                                            comp(0x10652203) + "|" + tech(0x20000000) + " " + comp(0x20000000));
    for (unsigned32 t : {0u, 4u, 5u, 7u, 15u}) EXPECT_EQ("???", tech(t << 28)) << t;
    // Component number 0 is "aaa"; 63999 is the last with a name; 64000 and
    // above start with the alphabet's terminating NUL.
    EXPECT_EQ("qpi|aaa|@@@||", comp(0x36660FD3) + "|" + comp(0x30000123) + "|" + comp(0x3F9FF000) + "|" +
                                   comp(0x3FA00000) + "|" + comp(0xFFFFFFFF));
}

// Present rows, the empty deploy texts among them, are all checked below.
TEST(DefaultLookup, BoundsAndAbsence) {
    // Inside the interface table's bounds but without a row; code 0 stands
    // for ZEL_S_MSG_SUCCESS, which no compiled table holds.
    for (unsigned32 code : {0x36660FD3u, 0u}) {
        unsigned32 st = 0;
        EXPECT_EQ(nullptr, zel_msg_get_default_msg(code, &st));
        EXPECT_EQ(ZEL_S_MSG_NOT_IN_TABLES, st);
    }
    unsigned32 st;
    // The gap between two ranges of one table.
    for (unsigned32 n = 181; n < 300; ++n) EXPECT_EQ(nullptr, zel_msg_get_default_msg(0x3665A000 + n, &st)) << n;
}

TEST(DefaultLookup, EveryCompiledRowIsFoundAsTheFirstMatch) {
    for (unsigned32 e = 0; e < 3; ++e) {
        const zel_msg_table &entry = zel_msg_g_compiled_table[e];
        for (unsigned32 i = 0; i < entry.count; ++i) {
            unsigned32 st = 1;
            EXPECT_EQ(entry.table[i].text, zel_msg_get_default_msg(entry.table[i].code, &st));
            EXPECT_EQ(0u, st);
        }
    }
}

TEST(DefineTable, AddedTablesAreSearchedAfterTheCompiledOnes) {
    // Unsorted, with a duplicate (the first row wins) and a code that a
    // compiled table already holds (the compiled text wins).
    static const zel_msg_row added[] = {
        {0x44440010, "ten"}, {0x44440002, "two"}, {0x44440010, "ten again"}, {ZEL_S_NO_MEMORY, "mine"}};
    static const zel_msg_row later[] = {{0x44440002, "shadowed"}, {0x44440003, "three"}};
    unsigned32 st = 1;
    zel_msg_define_msg_table(added, 4, &st);
    EXPECT_EQ(0u, st);
    zel_msg_define_msg_table(later, 2, &st);
    zel_msg_define_msg_table(nullptr, 5, &st);  // no rows to read: appended, never matches
    EXPECT_EQ(0u, st);
    ASSERT_EQ(6u, zel_msg_g_table_size);
    EXPECT_EQ(ZEL_S_NO_MEMORY, zel_msg_g_curr_table[3].low);
    EXPECT_EQ(0x44440010u, zel_msg_g_curr_table[3].high);
    EXPECT_STREQ("ten", zel_msg_get_default_msg(0x44440010, &st));
    EXPECT_STREQ("two", zel_msg_get_default_msg(0x44440002, &st));
    EXPECT_STREQ("three", zel_msg_get_default_msg(0x44440003, &st));
    EXPECT_STREQ("KVXSC0151E   Memory could not be allocated.", zel_msg_get_default_msg(ZEL_S_NO_MEMORY, &st));
    EXPECT_EQ(nullptr, zel_msg_get_default_msg(0x44440004, &st));
    EXPECT_EQ(ZEL_S_MSG_NOT_IN_TABLES, st);
    EXPECT_EQ(zel_msg_g_compiled_table[0].table, zel_msg_g_curr_table[0].table);
}

TEST(ErrorText, DescriptionsOfFoundAndMissingTexts) {
    int st = 5;
    EXPECT_EQ("KVXSC0151E   Memory could not be allocated. (vr / qpc)", describe(ZEL_S_NO_MEMORY, &st));
    EXPECT_EQ(0, st);
    EXPECT_EQ("status 0x3665a0c8 (vr / qpc)", describe(0x3665A0C8, &st));
    EXPECT_EQ(-1, st);
    EXPECT_EQ("status 0x10652209 (dce / bas)", describe(0, &st));
    EXPECT_EQ("status 0x10652209 (vr / bas)", describe(0, &st, true));
    EXPECT_EQ(-1, st);
    // A null status is accepted; unknown technologies say "???".
    EXPECT_EQ("status 0x70000000 (??? / aaa)", describe(0x70000000, nullptr));
    EXPECT_EQ("status 0xfffff001 (??? / )", describe(0xFFFFF001, nullptr));
    // Facility codes without a catalog show the bare code.
    EXPECT_EQ("status 0x40000123", describe(0x40000123, &st));
    EXPECT_EQ(-1, st);
    EXPECT_EQ("status 0x5fffffff", describe(0x5FFFFFFF, &st, true));
}

// Each name of <zel/status.h> stands for a code of its own that has a text: a
// compiled one, or for the codes of other components one in the library's own
// catalogs; a message identifier beside a name is the one its text begins with.
TEST(StatusNames, EachNamesItsOwnCodeAndTheCodeHasItsText) {
    setenv("ZEL_CATALOG_DIR", ZEL_BUILT_CATALOGS, 1);
    unsetenv("NLSPATH");
    std::ifstream header(ZEL_STATUS_HEADER);
    ASSERT_TRUE(header.is_open());
    const std::regex define(R"(^#define (ZEL_S_\w+) 0x([0-9A-F]{8})u +/\* (KVX\w{7})?)");
    std::map<unsigned32, std::string> names;
    for (std::string line; std::getline(header, line);) {
        std::smatch m;
        if (!std::regex_search(line, m, define)) continue;
        const unsigned32 code = std::stoul(m[2], nullptr, 16);
        EXPECT_TRUE(names.emplace(code, m[1]).second) << m[1] << " and " << names[code];
        unsigned32 st;
        const char *text = zel_msg_get_default_msg(code, &st);
        if (!text) text = zel_msg_get_cat_msg(code, &st);
        ASSERT_TRUE(text && *text) << m[1];
        EXPECT_EQ(m[3], std::string(text).substr(0, m[3].length())) << m[1];
    }
    EXPECT_EQ("ZEL_S_MSG_SUCCESS", names[ZEL_S_MSG_SUCCESS]);  // the header read is the one compiled in
    EXPECT_GT(names.size(), 50u);
}

constexpr unsigned32 kFirstDescription = 4050;  // rows from here name sub-components

TEST(MessageSources, TextsCarryTheirIdentifier) {
    const unsigned32 expected_empty[3] = {0, 325, 0};
    for (int t = 0; t < 3; ++t) {
        const zel_msg_table &entry = zel_msg_g_compiled_table[t];
        // "qpc" -> "SC", "qpd" -> "SD", "qpi" -> "SI".
        char comp[4];
        zel_msg__inq_comp(entry.low, comp);
        const std::string letters = std::string("S") + char(std::toupper(comp[2]));
        unsigned32 empty = 0;
        for (unsigned32 i = 0; i < entry.count; ++i) {
            const zel_msg_row &row = entry.table[i];
            const std::string text = row.text;
            SCOPED_TRACE(text);
            // Well-formed conversions only; no %n and no floating numbers.
            for (const std::string &kind : zeltool::printf_conversions(row.text))
                EXPECT_EQ(std::string::npos, kind.find_first_not_of("hlLjzt*diouxXcspSC")) << kind;
            if ((row.code & 0xFFF) >= kFirstDescription) {
                EXPECT_FALSE(text.empty());
                EXPECT_EQ(std::string::npos, text.find_first_of(" %"));
                continue;
            }
            if (text.empty()) {
                ++empty;
                continue;
            }
            char id[16];
            std::snprintf(id, sizeof id, "KVX%s%04u", letters.c_str(), unsigned(row.code & 0xFFF));
            ASSERT_GT(text.size(), 14u);
            EXPECT_EQ(id, text.substr(0, 9));
            EXPECT_NE(std::string::npos, std::string("EWI").find(text[9]));
            EXPECT_EQ("   ", text.substr(10, 3));
            EXPECT_FALSE(std::isspace(static_cast<unsigned char>(text[13])));
        }
        EXPECT_EQ(expected_empty[t], empty) << comp;
    }
}

}  // namespace
