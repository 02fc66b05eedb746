// ZELStringRef: a borrowed view of bytes, zero-terminated or not. The caller
// keeps the bytes alive and unchanged while the view is used. A zero-
// terminated copy is made only when getNullTermData asks for one. C++ only.
#ifndef ZEL_ZELSTRINGREF_H
#define ZEL_ZELSTRINGREF_H

#include <zel/base.h>

class ZELString;

class ZEL_EXPORT ZELStringRef {
public:
    // The empty string.
    ZELStringRef();
    // len bytes at text; len -1 means zero-terminated, its length computed on
    // first use. A null text is the empty string.
    ZELStringRef(const char *text, int len = -1, bool nullTerminated = false);
    ZELStringRef(const ZELString &s);
    ZELStringRef(const ZELStringRef &other);
    ZELStringRef &operator=(const ZELStringRef &other);  // set(other)
    virtual ~ZELStringRef();

    const char *getData() const { return data; }
    bool isNullTerminated() const { return nullTerminated != 0; }
    int getLen() const;
    // The bytes followed by a zero byte: the data itself when terminated, else
    // a copy owned by the view, made once.
    const char *getNullTermData() const;

    // Re-point the view (the rules of the constructors); each returns 0.
    int set(const ZELString &s);
    int set(const ZELStringRef &other);
    int set(const char *text, int len = -1, bool nullTerminated = false);

    unsigned int hash() const;
    // strncmp order (icompare: ignoring ASCII case); a text argument is viewed
    // as by the constructor with the flag false.
    int compare(const ZELString &s) const;
    int compare(const ZELStringRef &other) const;
    int compare(const char *text, int len = -1) const;
    int icompare(const ZELString &s) const;
    int icompare(const ZELStringRef &other) const;
    int icompare(const char *text, int len = -1) const;

private:
    friend class ZELStringIter;  // re-points its token view once per token

    __attribute__((visibility("hidden"))) void drop_copy() const;

    const char *data;
    unsigned32 nullTerminated;
    mutable unsigned32 length;  // 0xFFFFFFFF while not yet known
    mutable char *terminatedCopy;
};

#endif
