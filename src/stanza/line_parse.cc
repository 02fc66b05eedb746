// Taking one line of a stanza file apart. The line is converted to 16-bit
// wide characters and every test is made on them; names and values go back
// to the local code page. Where the code page keeps ASCII as it is, a line of
// ASCII bytes gives the same units, so such a line is taken apart as bytes.
#include "stanza/line_parse.h"

#include <zel/status.h>

#include <pthread.h>

#include <cstdint>
#include <cstring>
#include <string>

namespace zel {
namespace {

// The wide white-space test answers the same for a unit every time, so the
// answers for the ASCII units are asked once.
bool g_ascii_space[128];
pthread_once_t g_space_once = PTHREAD_ONCE_INIT;

void learn_ascii_space() {
    for (lyr_wchar_t c = 0; c < 128; ++c) g_ascii_space[c] = lyr_iswspace(c) != 0;
}

bool is_space(lyr_wchar_t c) { return c < 128 ? g_ascii_space[c] : lyr_iswspace(c) != 0; }
bool is_space(char c) { return g_ascii_space[static_cast<unsigned char>(c) & 0x7F]; }

// Where the parts of a line are, as unit positions.
struct Layout {
    ParsedLine::Kind kind;
    bool malformed;
    int first;  // the first non-blank unit
    int name_begin, name_end;
    int value_begin, value_end;  // value_begin < 0: no value
};

int find(const lyr_wchar_t *s, int from, lyr_wchar_t c) {
    for (int i = from; s[i]; ++i) {
        if (s[i] == c) return i;
    }
    return -1;
}

int find(const char *s, int from, char c) {
    const char *at = std::strchr(s + from, c);
    return at ? static_cast<int>(at - s) : -1;
}

// The rules of the format, on wide units or on ASCII bytes alike.
template <typename Unit>
void lay_out(const Unit *s, bool parse_headings, bool parse_entries, Layout *out) {
    int p = 0;
    while (s[p] && is_space(s[p])) ++p;
    out->first = p;
    out->malformed = false;
    if (!s[p] || s[p] == '#') {
        out->kind = ParsedLine::blank;
        return;
    }
    if (s[p] == '[') {
        out->kind = ParsedLine::heading;
        if (!parse_headings) return;
        out->name_begin = p + 1;
        out->name_end = find(s, p + 1, static_cast<Unit>(']'));
        out->malformed = out->name_end < 0;
        return;
    }
    out->kind = ParsedLine::entry;
    if (!parse_entries) return;
    int equals = find(s, p, static_cast<Unit>('='));
    if (equals <= p) {
        out->malformed = true;
        return;
    }
    int name_end = equals;
    while (name_end > p && is_space(s[name_end - 1])) --name_end;
    out->name_begin = p;
    out->name_end = name_end;
    int value = equals + 1;
    while (s[value] && is_space(s[value])) ++value;
    out->value_begin = -1;
    if (!s[value] || s[value] == '#') return;
    int value_end = find(s, value, static_cast<Unit>('#'));
    if (value_end < 0)
        value_end = value + static_cast<int>(std::char_traits<Unit>::length(s + value));
    while (value_end > value && is_space(s[value_end - 1])) --value_end;
    out->value_begin = value;
    out->value_end = value_end;
}

void copy_bytes(const char *line, int begin, int end, char (&out)[kStanzaLineSize]) {
    std::memcpy(out, line + begin, static_cast<size_t>(end - begin));
    out[end - begin] = '\0';
}

struct WideLine {
    lyr_wchar_t units[kStanzaLineSize];
    bool same_units;  // every character one byte, and each unit that byte's value
};

// Converts the units [begin, end) back into out; false after the message when
// the code page cannot hold them.
bool narrow(lyr_cs_t cs, const WideLine &wide, const char *bytes, int begin, int end,
            char (&out)[kStanzaLineSize], int message_line) {
    if (wide.same_units) {
        copy_bytes(bytes, begin, end, out);
        return true;
    }
    lyr_wchar_t text[kStanzaLineSize];
    std::memcpy(text, wide.units + begin, static_cast<size_t>(end - begin) * sizeof *text);
    text[end - begin] = 0;
    if (lyr_wcstombs(cs, out, text, sizeof out) >= 0) return true;
    stanza_message(message_line, "%S", ZEL_S_STZ_FROM_UNICODE_FAILED, text);
    return false;
}

// The line through the wide characters, with the messages for what is wrong.
LineResult parse_wide(lyr_cs_t cs, const char *bytes, bool parse_headings, bool parse_entries,
                      const char *stanza, ParsedLine *out) {
    WideLine wide;
    int units = lyr_mbstowcs(cs, wide.units, bytes, kStanzaLineSize);
    if (units < 0) {
        stanza_message(262, "%s", ZEL_S_STZ_TO_UNICODE_FAILED, bytes);
        return LineResult::unconvertible;
    }
    wide.same_units = std::strlen(bytes) == static_cast<size_t>(units);
    for (int i = 0; wide.same_units && i < units; ++i)
        wide.same_units = wide.units[i] == static_cast<unsigned char>(bytes[i]);
    if (units > 0 && wide.units[units - 1] == '\n') wide.units[units - 1] = 0;

    Layout layout;
    lay_out(wide.units, parse_headings, parse_entries, &layout);
    out->kind = layout.kind;
    const lyr_wchar_t *first = wide.units + layout.first;
    if (layout.kind == ParsedLine::heading && parse_headings) {
        if (layout.malformed) {
            stanza_message(310, "%S", ZEL_S_STZ_NO_CLOSING_BRACKET, first + 1);
            return LineResult::malformed;
        }
        return narrow(cs, wide, bytes, layout.name_begin, layout.name_end, out->name, 322)
                   ? LineResult::ok
                   : LineResult::unconvertible;
    }
    if (layout.kind != ParsedLine::entry || !parse_entries) return LineResult::ok;
    if (layout.malformed) {
        stanza_message(356, "%S%s", ZEL_S_STZ_NO_SEPARATOR, first, stanza ? stanza : "");
        return LineResult::malformed;
    }
    if (!narrow(cs, wide, bytes, layout.name_begin, layout.name_end, out->name, 372))
        return LineResult::unconvertible;
    out->has_value = layout.value_begin >= 0;
    if (out->has_value &&
        !narrow(cs, wide, bytes, layout.value_begin, layout.value_end, out->value, 398))
        return LineResult::unconvertible;
    return LineResult::ok;
}

// Eight bytes at a time: the load's lines are mostly short ASCII text.
bool all_ascii(const char *line, int length) {
    uint64_t seen = 0;
    int i = 0;
    for (; i + 8 <= length; i += 8) {
        uint64_t word;
        std::memcpy(&word, line + i, sizeof word);
        seen |= word;
    }
    for (; i < length; ++i) seen |= static_cast<unsigned char>(line[i]);
    return (seen & 0x8080808080808080ull) == 0;
}

}  // namespace

bool read_stanza_line(FILE *stream, off_t start, char (&line)[kStanzaLineSize], int *length) {
    int n = 0;
    if (fgets(line, kStanzaLineSize, stream)) n = static_cast<int>(std::strlen(line));
    // A short line without its line feed is the last one, or holds a NUL byte
    // that hides the rest from strlen: the stream offset tells its length.
    if (n < kStanzaLineSize - 1 && (n == 0 || line[n - 1] != '\n') && !ferror(stream)) {
        off_t now = ftello(stream);
        if (now > start && now - start < kStanzaLineSize) n = static_cast<int>(now - start);
    }
    *length = n;
    return n > 0;
}

bool code_page_keeps_ascii(lyr_cs_t cs) {
    char ascii[128];
    for (int i = 1; i < 128; ++i) ascii[i - 1] = static_cast<char>(i);
    ascii[127] = '\0';
    lyr_wchar_t wide[128];
    if (lyr_mbstowcs(cs, wide, ascii, 128) != 127) return false;
    for (int i = 0; i < 127; ++i) {
        if (wide[i] != static_cast<lyr_wchar_t>(i + 1)) return false;
    }
    char back[128];
    return lyr_wcstombs(cs, back, wide, sizeof back) == 127 && std::memcmp(back, ascii, 128) == 0;
}

LineResult read_parsed_line(FILE *stream, off_t start, lyr_cs_t cs, bool keeps_ascii,
                            bool parse_headings, bool parse_entries, const char *stanza,
                            ParsedLine *out) {
    pthread_once(&g_space_once, learn_ascii_space);
    char bytes[kStanzaLineSize];
    if (!read_stanza_line(stream, start, bytes, &out->length)) {
        out->kind = ParsedLine::end;
        return ferror(stream) ? LineResult::read_error : LineResult::ok;
    }
    int length = static_cast<int>(std::strlen(bytes));
    if (!keeps_ascii || !all_ascii(bytes, length))
        return parse_wide(cs, bytes, parse_headings, parse_entries, stanza, out);

    if (length > 0 && bytes[length - 1] == '\n') bytes[--length] = '\0';
    Layout layout;
    lay_out(bytes, parse_headings, parse_entries, &layout);
    // The messages for a bad line are written from its wide characters.
    if (layout.malformed) return parse_wide(cs, bytes, parse_headings, parse_entries, stanza, out);
    out->kind = layout.kind;
    bool parsed = layout.kind == ParsedLine::heading
                      ? parse_headings
                      : layout.kind == ParsedLine::entry && parse_entries;
    if (!parsed) return LineResult::ok;
    copy_bytes(bytes, layout.name_begin, layout.name_end, out->name);
    out->has_value = layout.kind == ParsedLine::entry && layout.value_begin >= 0;
    if (out->has_value) copy_bytes(bytes, layout.value_begin, layout.value_end, out->value);
    return LineResult::ok;
}

unsigned32 line_failure_status(LineResult result) {
    switch (result) {
    case LineResult::ok: return 0;
    case LineResult::read_error: return ZEL_S_STZ_READ_FAILED;
    case LineResult::malformed: return ZEL_S_STZ_BAD_FORMAT;
    case LineResult::unconvertible: return ZEL_S_STZ_INTERNAL_ERROR;
    }
    return ZEL_S_STZ_INTERNAL_ERROR;
}

}  // namespace zel
