// Values written into XML records: whatever their bytes, the record stays
// well-formed XML and the value reads back as written, with U+FFFD in place
// of what XML cannot carry.
#ifndef ZEL_SRC_SVC_XML_TEXT_H
#define ZEL_SRC_SVC_XML_TEXT_H

#include <stddef.h>
#include <stdio.h>

namespace zel {

// Writes text (taken as UTF-8) inside an open CDATA section: "]]>" is split
// across two sections, a carriage return leaves the section for a character
// reference (a parser would turn a raw one into a newline), and invalid
// UTF-8 and characters XML forbids become U+FFFD.
void write_cdata(FILE *stream, const char *text, size_t len);
// Writes text (taken as UTF-8) as an attribute value or element text: the
// markup characters, quotes and white space other than the space as
// references, invalid UTF-8 and forbidden characters as U+FFFD.
void write_escaped(FILE *stream, const char *text, size_t len);
void write_escaped(FILE *stream, const char *text);

}  // namespace zel

#endif
