/* Base64 in the standard and the URI-safe alphabet, cryptographically strong
 * random bytes, and strict parsing of numbers. */
#ifndef ZEL_CODEC_H
#define ZEL_CODEC_H

#include <zel/base.h>

ZEL_BEGIN_C

/* Encode inLen bytes as Base64 text padded with '=' and ended by a zero byte.
 * `out` must hold (inLen + 2) / 3 * 4 + 1 bytes; when outSize is smaller,
 * nothing at all is written. The URI alphabet ends in '+' and '-'. */
ZEL_EXPORT void zel_base64_std_encode(const unsigned char *in, unsigned int inLen, char *out,
                                      unsigned int outSize);
ZEL_EXPORT void zel_base64_uri_encode(const unsigned char *in, unsigned int inLen, char *out,
                                      unsigned int outSize);
/* Decode inLen characters of Base64 text into `out`, which must hold 3 bytes
 * for every 4 input characters, rounded up; *outLen receives the number of
 * bytes decoded. Bytes of that room past those decoded may be overwritten.
 * Characters outside the alphabet (line ends, blanks) are skipped; decoding
 * ends after the group in which '=' appears. */
ZEL_EXPORT void zel_base64_std_decode(const char *in, unsigned int inLen, unsigned char *out,
                                      unsigned int *outLen);
ZEL_EXPORT void zel_base64_uri_decode(const char *in, unsigned int inLen, unsigned char *out,
                                      unsigned int *outLen);

/* Fills `buffer` with `length` cryptographically strong random bytes. Returns
 * 0, ZEL_S_SYSTEM_INPUT_INVALID for length 0, ZEL_S_NO_MEMORY when the
 * crypto toolkit could not be set up, or ZEL_S_QCK_FAILED (after writing a
 * message) when it could not produce the bytes. Any thread may call it. */
ZEL_EXPORT unsigned int zel_get_random_bytes(unsigned char *buffer, unsigned int length);

/* Converts `text` as strtol does (leading white space, optional sign, base 0
 * choosing by prefix) into *value. Returns 0, ZEL_S_NUMBER_INVALID when
 * anything is left over (trailing blanks included), the base is not 0 or 2 to
 * 36, or text or value is null,
 * or ZEL_S_NUMBER_TOO_LARGE when the number is out of the range of a signed
 * 32-bit number (long on a 32-bit target; *value is then INT32_MAX or
 * INT32_MIN on every target). */
ZEL_EXPORT unsigned int zel_strtol(const char *text, int base, long *value);

ZEL_END_C

#endif
