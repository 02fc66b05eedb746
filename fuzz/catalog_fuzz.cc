// Any bytes as a message catalog file: our reader refuses them or indexes
// them without reading past them, and every text it gives goes through the
// conversion check that records apply before using a catalog text.
#include <jrnmsg/lyr.h>
#include <zel/msg.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "scratch_file.h"

#include "fmt/format_signature.h"
#include "msg/checked_text.h"

namespace {

uint32_t word_at(const uint8_t *data, size_t off, bool swap) {
    uint32_t v = static_cast<uint32_t>(data[off]) | static_cast<uint32_t>(data[off + 1]) << 8 |
                 static_cast<uint32_t>(data[off + 2]) << 16 |
                 static_cast<uint32_t>(data[off + 3]) << 24;
    return swap ? __builtin_bswap32(v) : v;
}

void check_text(int number, const char *text) {
    zel::FormatSignature sig;
    zel::format_signature(text, &sig);
    if (sig.usable) {
        // What the check would report is itself a format that reads the same.
        char description[4 * zel::kSignatureMax + 8];
        zel::describe_signature(sig, description, sizeof description);
        zel::FormatSignature back;
        zel::format_signature(description, &back);
        if (!zel::same_signature(sig, back)) std::abort();
    }
    unsigned32 code = 0x3665A000u | (static_cast<unsigned32>(number) & 0xFFF);
    unsigned32 status;
    const char *compiled = zel_msg_get_default_msg(code, &status);
    bool by_types = zel::catalog_text_agrees(code, text, "%s%d", compiled);
    bool by_compiled = zel::catalog_text_agrees(code, text, nullptr, compiled);
    // A text that reads no argument is always taken where nothing is passed.
    if (sig.usable && sig.count == 0 && !compiled && !by_compiled) std::abort();
    // A text that fails the engine's parse is never taken, unless it is the compiled text itself.
    if (!sig.usable && (by_types || by_compiled) && !(compiled && std::string(compiled) == text))
        std::abort();
}

void fetch(lyr_cat_t cat, int set, int number) {
    static lyr_cs_t utf8 = lyr_cs_new("UTF8");
    static lyr_cs_t latin1 = lyr_cs_new("ISO8859-1");
    static const char kAbsent[] = "?";
    const char *text = lyr_catgets(cat, set, number, kAbsent, nullptr);
    if (text == kAbsent) return;
    check_text(number, text);
    for (lyr_cs_t cs : {utf8, latin1}) {
        const char *converted = lyr_catgets(cat, set, number, kAbsent, cs);
        if (converted != kAbsent) check_text(number, converted);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string &path = zelfuzz::write_scratch_file("input.cat", data, size);
    lyr_cat_t cat = lyr_catopen(path.c_str(), 1, nullptr);
    if (!cat) return 0;
    // The (set + 1, number) pairs of the table in either byte order, and the
    // first numbers of the first sets.
    for (size_t off = 12; off + 8 <= size && off < 12 + 12 * 64; off += 12) {
        for (bool swap : {false, true}) {
            uint32_t set = word_at(data, off, swap), number = word_at(data, off + 4, swap);
            fetch(cat, static_cast<int>(set - 1), static_cast<int>(number));
        }
    }
    for (int set = 0; set < 3; ++set)
        for (int number = 0; number < 16; ++number) fetch(cat, set, number);
    lyr_catclose(cat);
    return 0;
}
