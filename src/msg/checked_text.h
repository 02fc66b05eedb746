// Message texts that the library formats with a caller's arguments. A
// catalog's text is taken only when the arguments it reads agree with the
// caller's, so that a damaged or hostile translation cannot make the printer
// read arguments that were never passed.
#ifndef ZEL_SRC_MSG_CHECKED_TEXT_H
#define ZEL_SRC_MSG_CHECKED_TEXT_H

#include <zel/base.h>

namespace zel {

// The text of `code` to be formatted with arguments that `argtypes`
// describes as conversions ("%s%d"); when it is null or describes none,
// the arguments are taken to be those of the compiled text of the same code.
// The catalog text (utf8: converted to UTF-8, else in the catalog's code set)
// when it agrees, else the compiled text, else "Unknown message number
// 0x%8.8lx". A refused catalog text is reported on standard error when
// VRSVC_DEBUG_MSG is set. An allocated copy; null only when no memory is left.
// *catalog_missing, when asked for, tells whether the code's catalog could
// not be opened.
char *checked_message_text(unsigned32 code, const char *argtypes, bool utf8,
                           bool *catalog_missing = nullptr);

// True when a catalog text may stand for `compiled` (null when the code has
// no compiled text) with arguments described by `argtypes`, as above.
bool catalog_text_agrees(unsigned32 code, const char *catalog, const char *argtypes,
                         const char *compiled);

}  // namespace zel

#endif
