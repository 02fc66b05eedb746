// ZELString: an owning, growable byte string. Texts of up to 29 bytes live in
// an inline buffer; longer ones in a heap buffer of exactly the size needed,
// kept across set() for reuse. Appends may convert between UTF-8 and the
// calling thread's local code page. Never throws. C++ only.
#ifndef ZEL_ZELSTRING_H
#define ZEL_ZELSTRING_H

#include <zel/base.h>

class ZELStringRef;

class ZEL_EXPORT ZELString {
public:
    enum conversion_e {
        noConversion = 0,  // bytes copied as they are
        fromUTF8 = 1,      // UTF-8 into the local code page
        toUTF8 = 2         // the local code page into UTF-8
    };

    ZELString();
    // Empty, then append(text, len, conversion); a null text appends nothing.
    ZELString(const char *text, int len = -1, conversion_e conversion = noConversion);
    ZELString(const ZELStringRef &other);
    ZELString(const ZELString &other);
    ZELString &operator=(const ZELString &other);  // set(other)
    virtual ~ZELString();

    // The text, always followed by a zero byte, and its length in bytes.
    const char *getData() const { return data; }
    int getLen() const { return length; }
    // The heap size when a heap buffer of more than 30 bytes exists, else 30.
    int capacity() const;
    // The writable buffer: the heap buffer when it is above 30 bytes, else the
    // inline one. After writing into it, assertBuffer makes it the text.
    char *buffer();
    // Makes room for len bytes and the zero byte, keeping the text; false
    // (string unchanged) when memory runs out.
    bool expand(int len);
    // The text becomes buffer() with length len (strlen of it when len is -1);
    // returns buffer().
    char *assertBuffer(int len);
    // Frees the heap buffer; the string is empty.
    void reset();

    // Appends len bytes of text (up to its zero byte when len is -1). False,
    // with the string unchanged, when memory runs out or a conversion fails.
    bool append(const char *text, int len = -1, conversion_e conversion = noConversion);
    bool append(char c);
    bool append(const ZELStringRef &other);
    bool append(const ZELString &other);
    // Replaces the text (the heap buffer stays for reuse); on failure the old
    // text is kept.
    bool set(const char *text, int len = -1, conversion_e conversion = noConversion);
    bool set(const ZELStringRef &other);
    bool set(const ZELString &other);

    // h = 5381, then h = h * 33 ^ byte over the text: as ZELStringRef::hash.
    unsigned int hash() const;
    // strcmp order. With a negative len, text is zero-terminated; otherwise
    // its first len bytes are compared as a ZELStringRef would be.
    int compare(const ZELString &other) const;
    int compare(const ZELStringRef &other) const;
    int compare(const char *text, int len = -1) const;

private:
    friend class ZELStringIter;  // splits the text where it is

    // Makes room for needed bytes (zero byte included), moving the text when
    // it must; *old_heap receives a heap buffer the caller frees once the
    // appended bytes are copied (they may lie in it). False: out of memory.
    __attribute__((visibility("hidden"))) bool grow(long long needed, char **old_heap);

    char inlineBuffer[32];
    char *heapBuffer;
    unsigned32 heapSize;
    char *data;
    signed32 length;
};

#endif
