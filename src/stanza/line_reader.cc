// The one routine that reads a stanza file: it classifies lines (blank,
// comment, heading, entry), parses the ones its mode asks for into the
// handle's cursor, and records failures. An in-memory handle walks its copy.
#include <zel/msg.h>
#include <zel/status.h>
#include <zel/svc.h>
#include <zel/svc_internal.h>

#include <pthread.h>

#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdlib>
#include <cstring>

#include "stanza/stanza_internal.h"

namespace zel {
namespace {

pthread_once_t g_register_once = PTHREAD_ONCE_INIT;

void register_library_component() {
    unsigned32 status;
    if (!zelmox_client_svc_handle) zel_svc_init(0, &status);
}

void replace(char *&field, char *text) {
    std::free(field);
    field = text;
}

// Frees (file) or forgets (in-memory: the copy owns them) the cursor strings.
void clear_strings(zelStzFile_t *stz, bool with_stanza) {
    if (stz->memCopy) {
        stz->name = stz->value = nullptr;
        if (with_stanza) stz->stanza = nullptr;
        return;
    }
    replace(stz->name, nullptr);
    replace(stz->value, nullptr);
    if (with_stanza) replace(stz->stanza, nullptr);
}

bool is_space(lyr_wchar_t c) { return lyr_iswspace(c) != 0; }

// Converts the wide text [begin, end) back into the local code page; null on
// failure, after writing the message for it.
char *narrow(lyr_cs_t cs, const lyr_wchar_t *begin, const lyr_wchar_t *end, int line) {
    lyr_wchar_t wide[kStanzaLineSize];
    size_t units = static_cast<size_t>(end - begin);
    std::memcpy(wide, begin, units * sizeof *wide);
    wide[units] = 0;
    char text[kStanzaLineSize];
    int bytes = lyr_wcstombs(cs, text, wide, sizeof text);
    if (bytes < 0) {
        stanza_message(line, "%S", ZEL_S_STZ_FROM_UNICODE_FAILED, wide);
        return nullptr;
    }
    char *copy = static_cast<char *>(std::malloc(static_cast<size_t>(bytes) + 1));
    if (copy) std::memcpy(copy, text, static_cast<size_t>(bytes) + 1);
    return copy;
}

// A converted name that could not be copied is a failed conversion too: the
// caller receives the internal-error status either way.
enum class Parsed { ok, malformed, unconvertible };

int fail(zelStzFile_t *stz, unsigned32 code) {
    zel_zSetError(stz, code);
    return 0;
}

int fail(zelStzFile_t *stz, Parsed why) {
    return fail(stz, why == Parsed::malformed ? ZEL_S_STZ_BAD_FORMAT : ZEL_S_STZ_INTERNAL_ERROR);
}

// Parses a heading whose '[' is at p into stz->stanza.
Parsed parse_heading(zelStzFile_t *stz, lyr_cs_t cs, const lyr_wchar_t *p) {
    const lyr_wchar_t *close = lyr_wcschr(p + 1, ']');
    if (!close) {
        stanza_message(310, "%S", ZEL_S_STZ_NO_CLOSING_BRACKET, p + 1);
        return Parsed::malformed;
    }
    char *name = narrow(cs, p + 1, close, 322);
    if (!name) return Parsed::unconvertible;
    replace(stz->stanza, name);
    return Parsed::ok;
}

// Parses an entry line starting (after blanks) at p into name and value.
Parsed parse_entry(zelStzFile_t *stz, lyr_cs_t cs, const lyr_wchar_t *p) {
    const lyr_wchar_t *equals = lyr_wcschr(p, '=');
    if (!equals || equals == p) {
        stanza_message(356, "%S%s", ZEL_S_STZ_NO_SEPARATOR, p, stz->stanza ? stz->stanza : "");
        return Parsed::malformed;
    }
    const lyr_wchar_t *name_end = equals;
    while (name_end > p && is_space(name_end[-1])) --name_end;
    char *name = narrow(cs, p, name_end, 372);
    if (!name) return Parsed::unconvertible;
    replace(stz->name, name);
    replace(stz->value, nullptr);

    const lyr_wchar_t *value = equals + 1;
    while (*value && is_space(*value)) ++value;
    if (!*value || *value == '#') return Parsed::ok;
    const lyr_wchar_t *value_end = lyr_wcschr(value, '#');
    if (!value_end) value_end = value + lyr_wcslen(value);
    while (value_end > value && is_space(value_end[-1])) --value_end;
    char *text = narrow(cs, value, value_end, 398);
    if (!text) return Parsed::unconvertible;
    stz->value = text;
    return Parsed::ok;
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
        copy->currentEntry = copy->currentEntry ? copy->currentEntry->next
                                                : copy->currentStanza->firstEntry;
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

bool read_stanza_line(FILE *stream, char (&line)[kStanzaLineSize], int *length) {
    int n = 0;
    int c = 0;
    while (n < kStanzaLineSize - 1 && (c = getc_unlocked(stream)) != EOF) {
        line[n++] = static_cast<char>(c);
        if (c == '\n') break;
    }
    line[n] = '\0';
    *length = n;
    return n > 0;
}

void stanza_message(int line, const char *argtypes, unsigned32 code, ...) {
    pthread_once(&g_register_once, register_library_component);
    va_list args;
    va_start(args, code);
    zel_svc_vprintf_withfile(zelmox_client_svc_handle, kStanzaSource, line, argtypes, 0,
                             ZEL_SVC_SEV_ERROR, code, args);
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
    char line[kStanzaLineSize];
    lyr_wchar_t wide[kStanzaLineSize];
    for (;;) {
        // Offsets are 32-bit in the handle: a file beyond 2 GiB cannot be walked.
        if (offset < 0 || offset > INT32_MAX) return fail(stz, ZEL_S_STZ_READ_FAILED);
        signed32 line_start = static_cast<signed32>(offset);
        int length;
        if (!read_stanza_line(fp, line, &length)) {
            if (ferror(fp)) return fail(stz, ZEL_S_STZ_READ_FAILED);
            if (toNextStanza) {
                replace(stz->stanza, nullptr);
                stz->bodyPos = stz->headingPos = line_start;
            }
            stz->entryPos = line_start;
            clear_strings(stz, false);
            return 1;
        }
        offset += length;
        if (lyr_mbstowcs(cs, wide, line, kStanzaLineSize) < 0) {
            stanza_message(262, "%s", ZEL_S_STZ_TO_UNICODE_FAILED, line);
            return fail(stz, ZEL_S_STZ_INTERNAL_ERROR);
        }
        size_t units = lyr_wcslen(wide);
        if (units > 0 && wide[units - 1] == '\n') wide[units - 1] = 0;
        const lyr_wchar_t *p = wide;
        while (*p && is_space(*p)) ++p;
        if (!*p || *p == '#') continue;

        if (*p == '[') {
            clear_strings(stz, false);
            stz->entryPos = stz->headingPos = line_start;
            if (!acceptHeading) {
                if (fseeko(fp, back, SEEK_SET) != 0) return fail(stz, ZEL_S_STZ_READ_FAILED);
                return 1;
            }
            Parsed parsed = parse_heading(stz, cs, p);
            if (parsed != Parsed::ok) return fail(stz, parsed);
            if (heading_start) *heading_start = line_start;
            stz->bodyPos = stz->entryPos = static_cast<signed32>(offset);
            back = offset;
            toNextStanza = acceptHeading = 0;
            continue;
        }
        if (toNextStanza) continue;
        Parsed parsed = parse_entry(stz, cs, p);
        if (parsed != Parsed::ok) return fail(stz, parsed);
        stz->entryPos = line_start;
        return 1;
    }
}
