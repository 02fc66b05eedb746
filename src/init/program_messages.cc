// The program message functions: a status code's text formatted with the
// program's arguments, as a new string or onto a stream, with the program
// name in front for the "pgm" members. Each runs with cancellation off.
#include <zel/fmt.h>

#include "init/program_text.h"

extern "C" {

char *zel_vsprintf(unsigned32 code, va_list args) {
    zel::CancelOff off;
    return zel::native_string(false, code, args);
}

char *zel_sprintf(unsigned32 code, ...) {
    va_list args;
    va_start(args, code);
    char *text = zel_vsprintf(code, args);
    va_end(args);
    return text;
}

char *zel_pgm_vsprintf(unsigned32 code, va_list args) {
    zel::CancelOff off;
    return zel::native_string(true, code, args);
}

char *zel_pgm_sprintf(unsigned32 code, ...) {
    va_list args;
    va_start(args, code);
    char *text = zel_pgm_vsprintf(code, args);
    va_end(args);
    return text;
}

char *zel_vsprintf_utf8(unsigned32 code, va_list args) {
    zel::CancelOff off;
    return zel::utf8_string(false, code, args);
}

char *zel_sprintf_utf8(unsigned32 code, ...) {
    va_list args;
    va_start(args, code);
    char *text = zel_vsprintf_utf8(code, args);
    va_end(args);
    return text;
}

char *zel_pgm_vsprintf_utf8(unsigned32 code, va_list args) {
    zel::CancelOff off;
    return zel::utf8_string(true, code, args);
}

char *zel_pgm_sprintf_utf8(unsigned32 code, ...) {
    va_list args;
    va_start(args, code);
    char *text = zel_pgm_vsprintf_utf8(code, args);
    va_end(args);
    return text;
}

int zel_vfprintf(FILE *stream, unsigned32 code, va_list args) {
    zel::CancelOff off;
    return zel::native_stream(stream, false, code, args);
}

int zel_fprintf(FILE *stream, unsigned32 code, ...) {
    va_list args;
    va_start(args, code);
    int n = zel_vfprintf(stream, code, args);
    va_end(args);
    return n;
}

int zel_vprintf(unsigned32 code, va_list args) {
    zel::CancelOff off;
    return zel::native_stream(stdout, false, code, args);
}

int zel_printf(unsigned32 code, ...) {
    va_list args;
    va_start(args, code);
    int n = zel_vprintf(code, args);
    va_end(args);
    return n;
}

int zel_pgm_vfprintf(FILE *stream, unsigned32 code, va_list args) {
    zel::CancelOff off;
    return zel::native_stream(stream, true, code, args);
}

int zel_pgm_fprintf(FILE *stream, unsigned32 code, ...) {
    va_list args;
    va_start(args, code);
    int n = zel_pgm_vfprintf(stream, code, args);
    va_end(args);
    return n;
}

int zel_pgm_vprintf(unsigned32 code, va_list args) {
    zel::CancelOff off;
    return zel::native_stream(stdout, true, code, args);
}

int zel_pgm_printf(unsigned32 code, ...) {
    va_list args;
    va_start(args, code);
    int n = zel_pgm_vprintf(code, args);
    va_end(args);
    return n;
}

int zel_vfprintf_utf8(FILE *stream, unsigned32 code, va_list args) {
    zel::CancelOff off;
    return zel::utf8_stream(stream, false, code, args);
}

int zel_fprintf_utf8(FILE *stream, unsigned32 code, ...) {
    va_list args;
    va_start(args, code);
    int n = zel_vfprintf_utf8(stream, code, args);
    va_end(args);
    return n;
}

int zel_vprintf_utf8(unsigned32 code, va_list args) {
    zel::CancelOff off;
    return zel::utf8_stream(stdout, false, code, args);
}

int zel_printf_utf8(unsigned32 code, ...) {
    va_list args;
    va_start(args, code);
    int n = zel_vprintf_utf8(code, args);
    va_end(args);
    return n;
}

int zel_pgm_vfprintf_utf8(FILE *stream, unsigned32 code, va_list args) {
    zel::CancelOff off;
    return zel::utf8_stream(stream, true, code, args);
}

int zel_pgm_fprintf_utf8(FILE *stream, unsigned32 code, ...) {
    va_list args;
    va_start(args, code);
    int n = zel_pgm_vfprintf_utf8(stream, code, args);
    va_end(args);
    return n;
}

int zel_pgm_vprintf_utf8(unsigned32 code, va_list args) {
    zel::CancelOff off;
    return zel::utf8_stream(stdout, true, code, args);
}

int zel_pgm_printf_utf8(unsigned32 code, ...) {
    va_list args;
    va_start(args, code);
    int n = zel_pgm_vprintf_utf8(code, args);
    va_end(args);
    return n;
}
}
