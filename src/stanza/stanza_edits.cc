// The edits of a stanza file opened for writing: entries inserted, added,
// changed and deleted, stanzas added and deleted. Each rewrites the file at
// once through zel_zReplaceText, under the handle's exclusive lock.
#include <zel/status.h>

#include <cstdlib>
#include <cstring>

#include "stanza/stanza_internal.h"

namespace zel {
namespace {

// The checks every edit makes first, in this order. A handle with both open
// flags holds only a read-only stream and a shared lock, so it is not editable.
bool may_edit(zelStzFile_t *stz, bool arguments_present) {
    if (!stz->fp) return fail(stz, ZEL_S_STZ_NOT_OPEN);
    if (!arguments_present) return fail(stz, ZEL_S_STZ_BAD_ARGUMENT);
    if (!(stz->flags & ZEL_STZ_READ_WRITE) || (stz->flags & ZEL_STZ_READ_ONLY))
        return fail(stz, ZEL_S_STZ_READ_ONLY);
    stz->error = 0;
    return true;
}

// A line feed inside a name or value would write lines of its own (a heading
// smuggled in through a value), so such text is refused.
bool one_line(const char *text) { return !text || !std::strchr(text, '\n'); }

// Formats "name = value\n" into line; false when it would not fit in 511 bytes
// (the reader would split it) or is not one line.
bool format_entry(char (&line)[kStanzaLineSize], const char *name, const char *value) {
    if (!name || !one_line(name) || !one_line(value)) return false;
    int length = std::snprintf(line, sizeof line, "%s = %s\n", name, value ? value : "");
    return length > 0 && length < kStanzaLineSize;
}

// A comment must read back as comment lines: each of its lines blank or
// starting with '#' after blanks, and short enough to stay one line.
bool valid_comment(const char *comment) {
    if (!comment) return true;
    for (const char *line = comment;;) {
        const char *end = std::strchr(line, '\n');
        size_t length = end ? static_cast<size_t>(end - line) : std::strlen(line);
        if (length >= kStanzaLineSize - 1) return false;
        size_t first = std::strspn(line, " \t\r\f\v");
        if (first < length && line[first] != '#') return false;
        if (!end) return true;
        line = end + 1;
    }
}

bool valid_heading(const char *stanza) {
    return stanza && one_line(stanza) && std::strlen(stanza) + 3 < kStanzaLineSize;
}

char *copy_or_null(const char *text, bool *ok) {
    if (!text) return nullptr;
    char *copy = strdup(text);
    if (!copy) *ok = false;
    return copy;
}

// The end of the line at entryPos (-1 when it cannot be read).
off_t end_of_entry_line(zelStzFile_t *stz) {
    char line[kStanzaLineSize];
    int length;
    if (fseeko(stz->fp, stz->entryPos, SEEK_SET) != 0 ||
        !read_stanza_line(stz->fp, stz->entryPos, line, &length))
        return -1;
    return stz->entryPos + length;
}

// Writes line over [entryPos, end) and makes the entry current: name and value
// take the copies, and the stream goes just past the new line so that a walk
// continues with the entry after it.
void write_entry(zelStzFile_t *stz, const char *line, off_t end, const char *name,
                 const char *value) {
    bool ok = true;
    char *name_copy = copy_or_null(name, &ok);
    char *value_copy = copy_or_null(value, &ok);
    if (!ok) {
        std::free(name_copy);
        std::free(value_copy);
        fail(stz, ZEL_S_NO_MEMORY);
        return;
    }
    replace_field(stz->name, name_copy);
    replace_field(stz->value, value_copy);
    if (!zel_zReplaceText(stz->fp, stz->entryPos, end, line)) {
        fail(stz, ZEL_S_STZ_UPDATE_FAILED);
        return;
    }
    if (end_of_entry_line(stz) < 0) fail(stz, ZEL_S_STZ_READ_FAILED);
}

void change_value(zelStzFile_t *stz, const char *line, const char *value) {
    off_t end = end_of_entry_line(stz);
    if (end < 0) {
        fail(stz, ZEL_S_STZ_READ_FAILED);
        return;
    }
    char *name = strdup(stz->name);
    if (!name) {
        fail(stz, ZEL_S_NO_MEMORY);
        return;
    }
    write_entry(stz, line, end, name, value);
    std::free(name);
}

int delete_current(zelStzFile_t *stz) {
    off_t end = end_of_entry_line(stz);
    if (end < 0) return fail(stz, ZEL_S_STZ_READ_FAILED);
    if (!zel_zReplaceText(stz->fp, stz->entryPos, end, ""))
        return fail(stz, ZEL_S_STZ_UPDATE_FAILED);
    return 1;
}

// A caller may pass a string of the handle itself (stz->name), which a move
// frees: such an argument is copied first.
struct Argument {
    Argument(zelStzFile_t *stz, const char *given) : text(given) {
        if (given && (given == stz->stanza || given == stz->name || given == stz->value))
            text = owned = strdup(given);
        missing = given && !text;
    }
    ~Argument() { std::free(owned); }
    Argument(const Argument &) = delete;
    Argument &operator=(const Argument &) = delete;
    const char *text;
    char *owned = nullptr;
    bool missing;
};

}  // namespace
}  // namespace zel

using namespace zel;

extern "C" {

void zelStzInsertEntry(zelStzFile_t *stz, const char *entryName, const char *entryValue) {
    if (!stz) return;
    char line[kStanzaLineSize];
    if (!may_edit(stz, stz->stanza && format_entry(line, entryName, entryValue))) return;
    write_entry(stz, line, stz->entryPos, entryName, entryValue);
}

void zelStzAddEntry(zelStzFile_t *stz, const char *entryName, const char *entryValue) {
    if (!stz) return;
    char line[kStanzaLineSize];
    if (!may_edit(stz, stz->stanza && format_entry(line, entryName, entryValue))) return;
    Argument name(stz, entryName), value(stz, entryValue);
    if (name.missing || value.missing) {
        fail(stz, ZEL_S_NO_MEMORY);
        return;
    }
    if (zelStzMoveEntryInStanza(stz, name.text)) {
        change_value(stz, line, value.text);
    } else if (!stz->error) {
        write_entry(stz, line, stz->entryPos, name.text, value.text);
    }
}

void zelStzChangeValue(zelStzFile_t *stz, const char *entryValue) {
    if (!stz) return;
    char line[kStanzaLineSize];
    if (!may_edit(stz, stz->stanza && stz->name && format_entry(line, stz->name, entryValue)))
        return;
    change_value(stz, line, entryValue);
}

int zelStzDeleteCurrentEntry(zelStzFile_t *stz) {
    if (!stz) return 0;
    if (!may_edit(stz, stz->stanza && stz->name)) return 0;
    return delete_current(stz);
}

int zelStzDeleteEntry(zelStzFile_t *stz, const char *stanzaName, const char *entryName) {
    if (!stz) return 0;
    if (!may_edit(stz, entryName && stz->stanza)) return 0;
    if (!stanzaName) return fail(stz, ZEL_S_STZ_BAD_FORMAT);
    Argument stanza(stz, stanzaName), name(stz, entryName);
    if (stanza.missing || name.missing) return fail(stz, ZEL_S_NO_MEMORY);
    if (!zelStzMoveEntry(stz, stanza.text, name.text)) {
        return stz->error ? 0 : fail(stz, ZEL_S_STZ_BAD_FORMAT);
    }
    return delete_current(stz);
}

void zelStzAddStanzaWithComment(zelStzFile_t *stz, const char *stanzaName, const char *comment) {
    if (!stz) return;
    if (!may_edit(stz, valid_heading(stanzaName) && valid_comment(comment))) return;
    Argument stanza(stz, stanzaName), note(stz, comment);
    if (stanza.missing || note.missing) {
        fail(stz, ZEL_S_NO_MEMORY);
        return;
    }
    if (zelStzMoveStanza(stz, stanza.text)) return;
    // A search that stopped on a malformed line still appends the stanza, and
    // error keeps what the search found.
    unsigned32 search_error = stz->error;
    size_t comment_length = note.text ? std::strlen(note.text) + 1 : 0;
    size_t size = comment_length + std::strlen(stanza.text) + 4;
    char *text = static_cast<char *>(std::malloc(size));
    char *name = strdup(stanza.text);
    if (!text || !name || fseeko(stz->fp, 0, SEEK_END) != 0) {
        std::free(text);
        std::free(name);
        fail(stz, text && name ? ZEL_S_STZ_READ_FAILED : ZEL_S_NO_MEMORY);
        return;
    }
    std::snprintf(text, size, "%s%s[%s]\n", note.text ? note.text : "", note.text ? "\n" : "",
                  stanza.text);
    off_t end = ftello(stz->fp);
    bool written = end >= 0 && zel_zReplaceText(stz->fp, end, end, text);
    std::free(text);
    if (!written) {
        std::free(name);
        fail(stz, ZEL_S_STZ_UPDATE_FAILED);
        return;
    }
    replace_field(stz->stanza, name);
    replace_field(stz->name, nullptr);
    replace_field(stz->value, nullptr);
    off_t new_end = ftello(stz->fp);
    stz->headingPos = static_cast<signed32>(end + static_cast<off_t>(comment_length));
    stz->bodyPos = stz->entryPos = static_cast<signed32>(new_end);
    stz->error = search_error;
}

void zelStzAddStanza(zelStzFile_t *stz, const char *stanzaName) {
    zelStzAddStanzaWithComment(stz, stanzaName, nullptr);
}

int zelStzDeleteStanza(zelStzFile_t *stz, const char *stanzaName) {
    if (!stz) return 0;
    if (!may_edit(stz, stanzaName != nullptr)) return 0;
    Argument stanza(stz, stanzaName);
    if (stanza.missing) return fail(stz, ZEL_S_NO_MEMORY);
    if (fseeko(stz->fp, 0, SEEK_SET) != 0) return fail(stz, ZEL_S_STZ_READ_FAILED);
    signed32 start = 0;
    do {
        if (!move_next_line(stz, 1, 1, &start)) return 0;
        if (!stz->stanza) return 1;  // not in the file: nothing to do
    } while (std::strcmp(stz->stanza, stanza.text) != 0);
    signed32 next = 0;
    if (!move_next_line(stz, 1, 1, &next)) return 0;
    signed32 end = stz->stanza ? next : stz->headingPos;
    if (!zel_zReplaceText(stz->fp, start, end, "")) return fail(stz, ZEL_S_STZ_UPDATE_FAILED);
    return 1;
}

}  // extern "C"
