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

// Absent codes, and every present row, the empty deploy texts among them.
TEST(DefaultLookup, EveryRowIsFoundAndNothingElse) {
    // Inside the interface table's bounds but without a row; code 0 stands
    // for ZEL_S_MSG_SUCCESS, which no compiled table holds.
    unsigned32 st = 0;
    for (unsigned32 code : {0x36660FD3u, 0u}) {
        EXPECT_EQ(nullptr, zel_msg_get_default_msg(code, &st));
        EXPECT_EQ(ZEL_S_MSG_NOT_IN_TABLES, st);
        st = 0;
    }
    // The gap between two ranges of one table.
    for (unsigned32 n = 181; n < 300; ++n) EXPECT_EQ(nullptr, zel_msg_get_default_msg(0x3665A000 + n, &st)) << n;
    // Every compiled row is found as the first match.
    for (unsigned32 e = 0; e < 3; ++e) {
        const zel_msg_table &entry = zel_msg_g_compiled_table[e];
        for (unsigned32 i = 0; i < entry.count; ++i) {
            st = 1;
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
    EXPECT_STREQ("ten", zel_msg_get_default_msg(0x44440010, &st));
    EXPECT_STREQ("two", zel_msg_get_default_msg(0x44440002, &st));
    EXPECT_STREQ("three", zel_msg_get_default_msg(0x44440003, &st));
    EXPECT_STREQ("KVXSC0151E   Memory could not be allocated.", zel_msg_get_default_msg(ZEL_S_NO_MEMORY, &st));
    EXPECT_EQ(nullptr, zel_msg_get_default_msg(0x44440004, &st));
    EXPECT_EQ(0x10652204u, st);
}

// A null status is accepted; unknown technologies say "???"; facility codes
// without a catalog show the bare code.
TEST(ErrorText, DescriptionsOfFoundAndMissingTexts) {
    const std::tuple<unsigned32, bool, const char *, int> cases[] = {
        {0x3665A097, false, "KVXSC0151E   Memory could not be allocated. (vr / qpc)", 0},
        {0x3665A0C8, false, "status 0x3665a0c8 (vr / qpc)", -1},
        {0, false, "status 0x10652209 (dce / bas)", -1},
        {0, true, "status 0x10652209 (vr / bas)", -1},
        {0x70000000, false, "status 0x70000000 (??? / aaa)", -1},
        {0xFFFFF001, false, "status 0xfffff001 (??? / )", -1},
        {0x40000123, false, "status 0x40000123", -1},
        {0x5FFFFFFF, true, "status 0x5fffffff", -1}};
    for (const auto &[code, utf8, text, status] : cases) {
        int st = 5;
        EXPECT_EQ(text, describe(code, &st, utf8));
        EXPECT_EQ(status, st) << text;
    }
    EXPECT_EQ("status 0x70000000 (??? / aaa)", describe(0x70000000, nullptr));
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

// Each text starts with the identifier of its code and a severity letter; rows
// that name sub-components are one word; conversions are well-formed, with no
// %n and no floating numbers.
TEST(MessageSources, TextsCarryTheirIdentifier) {
    for (int t = 0; t < 3; ++t) {
        const zel_msg_table &entry = zel_msg_g_compiled_table[t];
        char comp[4];
        zel_msg__inq_comp(entry.low, comp);  // "qpc" -> "SC", "qpd" -> "SD", "qpi" -> "SI"
        for (unsigned32 i = 0; i < entry.count; ++i) {
            const zel_msg_row &row = entry.table[i];
            const std::string text = row.text;
            char id[16];
            std::snprintf(id, sizeof id, "KVXS%c%04u", std::toupper(comp[2]), unsigned(row.code & 0xFFF) % 10000);
            bool description = (row.code & 0xFFF) >= kFirstDescription;
            EXPECT_TRUE(description ? !text.empty() && text.find_first_of(" %") == std::string::npos
                                    : text.empty() || (text.size() > 14 && text.compare(0, 9, id) == 0 &&
                                                       std::strchr("EWI", text[9]) && text.compare(10, 3, "   ") == 0 &&
                                                       !std::isspace(static_cast<unsigned char>(text[13]))))
                << text;
            for (const std::string &kind : zeltool::printf_conversions(row.text))
                EXPECT_EQ(std::string::npos, kind.find_first_not_of("hlLjzt*diouxXcspSC")) << text;
        }
    }
}

}  // namespace
