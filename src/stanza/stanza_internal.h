// What the stanza reader and editor share: the line reader, the failure
// recorder, the stream closer and the text replacement. None is exported.
#ifndef ZEL_SRC_STANZA_STANZA_INTERNAL_H
#define ZEL_SRC_STANZA_STANZA_INTERNAL_H

#include <zel/stanza.h>

#include <cstdio>
#include <cstdlib>

extern "C" {

// Reads lines from the cursor's position in one of three modes: next entry
// (0, 0), validate (0, 1) and next stanza (1, 1). 1 when it ran without
// error (the cursor fields say what it found), else 0 after zel_zSetError.
int zel_zMoveNextLine(zelStzFile_t *stz, int toNextStanza, int acceptHeading);
// Records a failure: clears the cursor, puts a file handle's stream at the
// end of the file and keeps code in error.
void zel_zSetError(zelStzFile_t *stz, unsigned32 code);
// Releases the lock and closes the stream; fp becomes null.
void zel_zFileCloseDescriptor(zelStzFile_t *stz);
// Replaces the bytes [start, end) of stream with text (empty: deletes). 1, or
// 0 when nothing was changed (the temporary file could not be made or
// written) or the copy back failed; the stream is at the end of the file.
int zel_zReplaceText(FILE *stream, long start, long end, const char *text);
}

namespace zel {

// The stanza layer's messages name this source file; each site its line.
constexpr const char *kStanzaSource = "core/zelstanza";

// Reads one physical line of at most 511 bytes (its line feed included) from
// offset start, where the stream is, as the reader and the editor read it;
// *length counts every byte, NULs too. False when nothing was read: the end
// of the file or a read error.
constexpr int kStanzaLineSize = 512;
bool read_stanza_line(FILE *stream, off_t start, char (&line)[kStanzaLineSize], int *length);

// zel_zMoveNextLine that also tells where the heading it parsed starts.
int move_next_line(zelStzFile_t *stz, int toNextStanza, int acceptHeading, signed32 *heading_start);

// Records code through zel_zSetError and answers 0, as a failing operation does.
inline int fail(zelStzFile_t *stz, unsigned32 code) {
    zel_zSetError(stz, code);
    return 0;
}

// Frees what a cursor field of a file handle held and keeps text in its place.
inline void replace_field(char *&field, char *text) {
    std::free(field);
    field = text;
}

// Writes one of the stanza layer's ERROR messages for component qpc.
void stanza_message(int line, const char *argtypes, unsigned32 code, ...);

}  // namespace zel

#endif
