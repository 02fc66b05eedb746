// The work behind the program message functions: a message's text formatted
// with a program's arguments, as a new string or onto a stream, in the
// locale's catalog code set (native) or through UTF-8.
#ifndef ZEL_SRC_INIT_PROGRAM_TEXT_H
#define ZEL_SRC_INIT_PROGRAM_TEXT_H

#include <zel/base.h>

#include <stdarg.h>
#include <stdio.h>

namespace zel {

// Thread cancellation stays off while one lives, so that a cancelled thread
// leaves no lock held and no text behind; errno receives the result of each
// change of state (0 when it succeeds).
class CancelOff {
public:
    CancelOff();
    ~CancelOff();
    CancelOff(const CancelOff &) = delete;
    CancelOff &operator=(const CancelOff &) = delete;

private:
    int old_;
};

// pgm puts "name:  " with the program name in front (and, on a stream, a
// newline after). Strings are new (free()) or null; streams give the bytes of
// the message itself, or -1.
char *native_string(bool pgm, unsigned32 code, va_list args);
int native_stream(FILE *stream, bool pgm, unsigned32 code, va_list args);
char *utf8_string(bool pgm, unsigned32 code, va_list args);
int utf8_stream(FILE *stream, bool pgm, unsigned32 code, va_list args);

}  // namespace zel

#endif
