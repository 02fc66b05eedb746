// The cursor moves over stanzas and entries, the searches by name, the entry
// count and validation, for file and in-memory handles alike.
#include <zel/status.h>

#include <cstdlib>
#include <cstring>

#include "stanza/memory_copy.h"
#include "stanza/stanza_internal.h"

namespace {

using zel::fail;

bool same(const char *a, const char *b) { return a && b && std::strcmp(a, b) == 0; }

// Makes the copy's first stanza current with its first entry.
void first_in_copy(zelStzFile_t *stz) {
    zelStzMemCopy *copy = stz->memCopy;
    copy->currentStanza = copy->firstStanza;
    copy->currentEntry = copy->currentStanza ? copy->currentStanza->firstEntry : nullptr;
    stz->stanza = copy->currentStanza ? copy->currentStanza->name : nullptr;
    stz->name = copy->currentEntry ? copy->currentEntry->name : nullptr;
    stz->value = copy->currentEntry ? copy->currentEntry->value : nullptr;
}

bool seek(zelStzFile_t *stz, off_t offset) { return fseeko(stz->fp, offset, SEEK_SET) == 0; }

}  // namespace

extern "C" {

void zelStzMoveFirstStanza(zelStzFile_t *stz) {
    if (!stz) return;
    stz->error = 0;
    if (stz->fp) {
        if (!seek(stz, 0)) {
            fail(stz, ZEL_S_STZ_READ_FAILED);
            return;
        }
        zel_zMoveNextLine(stz, 1, 1);
    } else if (stz->memCopy) {
        first_in_copy(stz);
    } else {
        fail(stz, ZEL_S_STZ_NOT_OPEN);
    }
}

int zelStzMoveNextStanza(zelStzFile_t *stz) { return stz ? zel_zMoveNextLine(stz, 1, 1) : 0; }

int zelStzMoveStanza(zelStzFile_t *stz, const char *stanzaName) {
    if (!stz) return 0;
    stz->error = 0;
    if (!stanzaName) return fail(stz, ZEL_S_STZ_BAD_ARGUMENT);
    if (same(stz->stanza, stanzaName)) return zelStzMoveFirstEntry(stz);
    zelStzMoveFirstStanza(stz);
    if (stz->error) return 0;
    while (stz->stanza) {
        if (same(stz->stanza, stanzaName)) return 1;
        if (!zelStzMoveNextStanza(stz)) return 0;
    }
    return 0;
}

int zelStzMoveFirstEntry(zelStzFile_t *stz) {
    if (!stz) return 0;
    stz->error = 0;
    if (stz->fp) {
        if (!seek(stz, stz->bodyPos)) return fail(stz, ZEL_S_STZ_READ_FAILED);
        return zel_zMoveNextLine(stz, 0, 0);
    }
    zelStzMemCopy *copy = stz->memCopy;
    if (!copy) return fail(stz, ZEL_S_STZ_NOT_OPEN);
    if (!copy->currentStanza) {
        copy->currentStanza = copy->firstStanza;
        stz->stanza = copy->currentStanza ? copy->currentStanza->name : nullptr;
    }
    copy->currentEntry = nullptr;
    return zel_zMoveNextLine(stz, 0, 0);
}

int zelStzMoveNextEntry(zelStzFile_t *stz) { return stz ? zel_zMoveNextLine(stz, 0, 0) : 0; }

int zelStzMoveEntryInStanza(zelStzFile_t *stz, const char *entryName) {
    if (!stz) return 0;
    stz->error = 0;
    if (!entryName) return fail(stz, ZEL_S_STZ_BAD_ARGUMENT);
    if (same(stz->name, entryName)) return 1;
    if (!zelStzMoveFirstEntry(stz)) return 0;
    while (stz->name) {
        if (same(stz->name, entryName)) return 1;
        if (!zelStzMoveNextEntry(stz)) return 0;
    }
    return 0;
}

int zelStzMoveEntry(zelStzFile_t *stz, const char *stanzaName, const char *entryName) {
    if (!stz) return 0;
    stz->error = 0;
    if (!stanzaName || !entryName) return fail(stz, ZEL_S_STZ_BAD_ARGUMENT);
    if (!zelStzMoveStanza(stz, stanzaName)) return 0;
    return zelStzMoveEntryInStanza(stz, entryName);
}

int zelStzStanzaSize(zelStzFile_t *stz) {
    if (!stz) return 0;
    if (!stz->stanza || !stz->name || stz->error) return 0;
    char *current = strdup(stz->name);
    if (!current) return 0;
    int count = 0;
    if (zelStzMoveFirstEntry(stz)) {
        while (stz->name) {
            ++count;
            if (!zelStzMoveNextEntry(stz)) break;
        }
        if (!stz->error) zelStzMoveEntryInStanza(stz, current);
    }
    std::free(current);
    return count;
}

int zelStzValidate(zelStzFile_t *stz) {
    if (!stz) return 0;
    stz->error = 0;
    if (stz->fp) {
        if (!seek(stz, 0)) return fail(stz, ZEL_S_STZ_READ_FAILED);
        std::free(stz->stanza);  // lines before the first heading belong to no stanza
        stz->stanza = nullptr;
        clearerr(stz->fp);
        while (!feof(stz->fp)) {
            if (!zel_zMoveNextLine(stz, 0, 1)) return 0;
        }
        return 1;
    }
    zelStzMemCopy *copy = stz->memCopy;
    if (!copy) return fail(stz, ZEL_S_STZ_NOT_OPEN);
    // The copy holds only lines that parsed, so its walk ends when no stanza
    // is left; a bad line that ended the load is reported now.
    first_in_copy(stz);
    copy->currentEntry = nullptr;
    while (copy->currentStanza) zel_zMoveNextLine(stz, 0, 1);
    if (unsigned32 load_error = zel::loaded_copy(copy)->load_error) return fail(stz, load_error);
    return 1;
}

}  // extern "C"
