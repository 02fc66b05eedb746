// The one routine that reads a stanza file: it classifies lines (blank,
// comment, heading, entry), parses the ones its mode asks for into the
// handle's cursor, and records failures. An in-memory handle walks its copy.
#include <zel/msg.h>
#include <zel/status.h>

#include <climits>
#include <cstdarg>
#include <cstdlib>
#include <cstring>

#include "init/library_message.h"
#include "stanza/line_parse.h"
#include "stanza/stanza_internal.h"

namespace zel {
namespace {

// Frees (file) or forgets (in-memory: the copy owns them) the cursor strings.
void clear_strings(zelStzFile_t *stz, bool with_stanza) {
    if (stz->memCopy) {
        stz->name = stz->value = nullptr;
        if (with_stanza) stz->stanza = nullptr;
        return;
    }
    replace_field(stz->name, nullptr);
    replace_field(stz->value, nullptr);
    if (with_stanza) replace_field(stz->stanza, nullptr);
}

// A copy of text for a cursor field; a copy that cannot be made fails the
// read like a text that cannot be converted.
bool set_field(char *&field, const char *text) {
    char *copy = strdup(text);
    if (!copy) return false;
    replace_field(field, copy);
    return true;
}

// The walk of an in-memory copy; it never fails.
int move_in_copy(zelStzFile_t *stz, int toNextStanza, int acceptHeading) {
    zelStzMemCopy *copy = stz->memCopy;
    stz->name = stz->value = nullptr;
    if (!copy->currentStanza) {
        if (toNextStanza) stz->stanza = nullptr;
        return 1;
    }
    if (toNextStanza) {
        stz->stanza = nullptr;
        copy->currentStanza = copy->currentStanza->next;
        copy->currentEntry = copy->currentStanza ? copy->currentStanza->firstEntry : nullptr;
        if (copy->currentStanza) stz->stanza = copy->currentStanza->name;
    } else {
        copy->currentEntry =
            copy->currentEntry ? copy->currentEntry->next : copy->currentStanza->firstEntry;
        // Validation goes on with the entries of the stanzas that follow.
        while (acceptHeading && !copy->currentEntry && copy->currentStanza) {
            copy->currentStanza = copy->currentStanza->next;
            stz->stanza = copy->currentStanza ? copy->currentStanza->name : nullptr;
            if (copy->currentStanza) copy->currentEntry = copy->currentStanza->firstEntry;
        }
    }
    if (copy->currentEntry) {
        stz->name = copy->currentEntry->name;
        stz->value = copy->currentEntry->value;
    }
    return 1;
}

}  // namespace

void stanza_message(int line, const char *argtypes, unsigned32 code, ...) {
    va_list args;
    va_start(args, code);
    library_vmessage(kStanzaSource, line, argtypes, code, args);
    va_end(args);
}

}  // namespace zel

using namespace zel;

extern "C" {

void zel_zSetError(zelStzFile_t *stz, unsigned32 code) {
    clear_strings(stz, true);
    if (stz->memCopy) {
        stz->memCopy->currentStanza = nullptr;
        stz->memCopy->currentEntry = nullptr;
    }
    if (stz->fp && fseeko(stz->fp, 0, SEEK_END) == 0) {
        off_t end = ftello(stz->fp);
        if (end >= 0 && end <= INT32_MAX) stz->bodyPos = stz->entryPos = static_cast<signed32>(end);
    }
    stz->error = code;
}

int zel_zMoveNextLine(zelStzFile_t *stz, int toNextStanza, int acceptHeading) {
    return move_next_line(stz, toNextStanza, acceptHeading, nullptr);
}

}  // extern "C"

int zel::move_next_line(zelStzFile_t *stz, int toNextStanza, int acceptHeading,
                        signed32 *heading_start) {
    stz->error = 0;
    if (!stz->fp) {
        if (stz->memCopy) return move_in_copy(stz, toNextStanza, acceptHeading);
        return fail(stz, ZEL_S_STZ_NOT_OPEN);
    }
    FILE *fp = stz->fp;
    lyr_cs_t cs = zelsvc_get_local_code_page();
    off_t back = ftello(fp);  // where a next-entry walk that meets a heading returns to
    off_t offset = back;
    ParsedLine line;
    for (;;) {
        // Offsets are 32-bit in the handle: a file beyond 2 GiB cannot be walked.
        if (offset < 0 || offset > INT32_MAX) return fail(stz, ZEL_S_STZ_READ_FAILED);
        signed32 line_start = static_cast<signed32>(offset);
        LineResult result = read_parsed_line(fp, offset, cs, false, acceptHeading, !toNextStanza,
                                             stz->stanza, &line);
        offset += line.length;
        if (result != LineResult::ok) return fail(stz, line_failure_status(result));
        switch (line.kind) {
        case ParsedLine::end:
            if (toNextStanza) {
                replace_field(stz->stanza, nullptr);
                stz->bodyPos = stz->headingPos = line_start;
            }
            stz->entryPos = line_start;
            clear_strings(stz, false);
            return 1;
        case ParsedLine::blank: continue;
        case ParsedLine::heading:
            clear_strings(stz, false);
            stz->entryPos = stz->headingPos = line_start;
            if (!acceptHeading) {
                if (fseeko(fp, back, SEEK_SET) != 0) return fail(stz, ZEL_S_STZ_READ_FAILED);
                return 1;
            }
            if (!set_field(stz->stanza, line.name)) return fail(stz, ZEL_S_STZ_INTERNAL_ERROR);
            if (heading_start) *heading_start = line_start;
            stz->bodyPos = stz->entryPos = static_cast<signed32>(offset);
            back = offset;
            toNextStanza = acceptHeading = 0;
            continue;
        case ParsedLine::entry:
            if (toNextStanza) continue;
            if (!set_field(stz->name, line.name)) return fail(stz, ZEL_S_STZ_INTERNAL_ERROR);
            replace_field(stz->value, nullptr);
            if (line.has_value && !set_field(stz->value, line.value))
                return fail(stz, ZEL_S_STZ_INTERNAL_ERROR);
            stz->entryPos = line_start;
            return 1;
        }
    }
}
