// Checks the compiled message tables that the build makes from the message
// sources: identifiers, the rows left empty, order, bounds and the printf
// conversions of every text.
#include <zel/zel.h>

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr unsigned32 kFirstDescription = 4050;  // rows from here name sub-components

unsigned32 number_of(unsigned32 code) { return code & 0xFFF; }

// Empty when every conversion in text is well formed, else what is wrong.
std::string conversion_problem(const char *text) {
    static const char *const lengths[] = {"hh", "ll", "h", "l", "L", "j", "z", "t"};
    for (const char *p = text; (p = std::strchr(p, '%')) != nullptr;) {
        if (*++p == '%') {
            ++p;
            continue;
        }
        p += std::strspn(p, "-+ #0'");
        p += *p == '*' ? 1 : std::strspn(p, "0123456789");
        if (*p == '.') {
            ++p;
            p += *p == '*' ? 1 : std::strspn(p, "0123456789");
        }
        for (const char *len : lengths) {
            if (std::strncmp(p, len, std::strlen(len)) == 0) {
                p += std::strlen(len);
                break;
            }
        }
        if (*p == '\0') return "dangling %";
        if (*p == 'n') return "%n";
        if (!std::strchr("diouxXcspSC", *p)) return std::string("unknown conversion %") + *p;
        ++p;
    }
    return "";
}

TEST(MessageSources, RowsAreOrderedWithinBounds) {
    for (int t = 0; t < 3; ++t) {
        const zel_msg_table &entry = zel_msg_g_compiled_table[t];
        ASSERT_GT(entry.count, 0u);
        EXPECT_EQ(entry.low, entry.table[0].code) << t;
        for (unsigned32 i = 0; i < entry.count; ++i) {
            unsigned32 code = entry.table[i].code;
            EXPECT_TRUE(code >= entry.low && code <= entry.high) << std::hex << code;
            if (i > 0) {
                EXPECT_LT(entry.table[i - 1].code, code) << std::hex << code;
            }
        }
    }
}

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
            EXPECT_EQ("", conversion_problem(row.text));
            if (number_of(row.code) >= kFirstDescription) {
                EXPECT_FALSE(text.empty());
                EXPECT_EQ(std::string::npos, text.find_first_of(" %"));
                continue;
            }
            if (text.empty()) {
                ++empty;
                continue;
            }
            char id[16];
            std::snprintf(id, sizeof id, "KVX%s%04u", letters.c_str(), unsigned(number_of(row.code)));
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
