// ZELStringIter: splits a text into tokens at a one-byte separator. Leading
// blanks (0x20) of a token are skipped; blanks before a separator stay. Over
// a ZELString it may write a zero byte over each separator as it goes, so
// each token is terminated in place. Owns nothing. C++ only.
#ifndef ZEL_ZELSTRINGITER_H
#define ZEL_ZELSTRINGITER_H

#include <zel/base.h>

class ZELString;
class ZELStringRef;

class ZEL_EXPORT ZELStringIter {
public:
    ZELStringIter();
    ZELStringIter(const ZELStringRef &text, char separator);
    ZELStringIter(ZELString &text, char separator, bool preserve);
    virtual ~ZELStringIter();

    // Over a view: its bytes are never written.
    void initialize(const ZELStringRef &text, char separator);
    // Over a string: with preserve false, each separator taken is overwritten
    // with a zero byte in the string's text.
    void initialize(ZELString &text, char separator, bool preserve);

    // The next token, viewed in place (not marked zero-terminated); false when
    // none is left. Two separators in a row give an empty token; a separator
    // at the very end gives none after it.
    bool next(ZELStringRef &token);
    // The number of tokens in the whole text, counted once.
    int entries() const;
    // Whether a token from the current position on equals value; the position
    // does not move.
    bool contains(ZELStringRef &value);

private:
    char separator;
    bool preserve;
    mutable signed32 entryCount;
    const char *data;
    signed32 length;
    const char *position;
    char *writePosition;
    signed32 remaining;
};

#endif
