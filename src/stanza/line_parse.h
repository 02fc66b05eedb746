// Reading one line of a stanza file and taking it apart: blank or comment,
// heading, or entry, with the stanza name, entry name and value converted
// back into the local code page.
#ifndef ZEL_SRC_STANZA_LINE_PARSE_H
#define ZEL_SRC_STANZA_LINE_PARSE_H

#include <jrnmsg/lyr.h>

#include <cstdio>

#include "stanza/stanza_internal.h"

namespace zel {

struct ParsedLine {
    enum Kind { end, blank, heading, entry } kind;
    int length;  // bytes read, line feed included
    // A heading's stanza name, or an entry's name and value.
    char name[kStanzaLineSize];
    char value[kStanzaLineSize];
    bool has_value;
};

enum class LineResult {
    ok,
    read_error,     // the stream failed
    malformed,      // a heading without ']', an entry without '=' or name
    unconvertible,  // the line or a text of it is not valid in the code page
};

// Reads and classifies the line at offset start, where the stream is.
// Headings are parsed only when parse_headings is set and entries only when
// parse_entries is set; the others are only classified. A failure has written
// its message, which names stanza (may be null) for a malformed entry.
// keeps_ascii: code_page_keeps_ascii(cs) is known to hold.
LineResult read_parsed_line(FILE *stream, off_t start, lyr_cs_t cs, bool keeps_ascii,
                            bool parse_headings, bool parse_entries, const char *stanza,
                            ParsedLine *out);

// True when the code page turns each ASCII byte into the unit of the same
// value and back.
bool code_page_keeps_ascii(lyr_cs_t cs);

// The status a caller receives for a failed line.
unsigned32 line_failure_status(LineResult result);

}  // namespace zel

#endif
