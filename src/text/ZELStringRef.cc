// ZELStringRef: a borrowed view of bytes, its lazily computed length, its
// zero-terminated copy made on demand, and its comparisons.
#include <zel/ZELString.h>
#include <zel/ZELStringRef.h>

#include <strings.h>

#include <cstring>
#include <new>

namespace {

const char kEmpty[] = "";
constexpr unsigned32 kUnknownLength = 0xFFFFFFFFu;

using CompareBytes = int (*)(const char *, const char *, size_t);

int compare_with_string(const ZELStringRef &view, const ZELString &s, CompareBytes bytes) {
    int n = view.getLen();
    if (view.getData() == s.getData() && n == s.getLen()) return 0;
    int r = bytes(view.getData(), s.getData(), static_cast<size_t>(n));
    if (r != 0) return r;
    // A shorter string ends in a zero byte that already made r non-zero.
    return s.getLen() > n ? -1 : 0;
}

int compare_views(const ZELStringRef &left, const ZELStringRef &right, CompareBytes bytes) {
    int l = left.getLen();
    int r_len = right.getLen();
    if (left.getData() == right.getData() && l == r_len) return 0;
    int n = l < r_len ? l : r_len;
    int r = bytes(left.getData(), right.getData(), static_cast<size_t>(n));
    if (r != 0) return r;
    return l > n ? 1 : l < r_len ? -1 : 0;
}

}  // namespace

ZELStringRef::ZELStringRef()
    : data(kEmpty), nullTerminated(1), length(0), terminatedCopy(nullptr) {}

ZELStringRef::ZELStringRef(const char *text, int len, bool terminated)
    : data(kEmpty), nullTerminated(1), length(0), terminatedCopy(nullptr) {
    set(text, len, terminated);
}

ZELStringRef::ZELStringRef(const ZELString &s)
    : data(kEmpty), nullTerminated(1), length(0), terminatedCopy(nullptr) {
    set(s);
}

ZELStringRef::ZELStringRef(const ZELStringRef &other)
    : data(kEmpty), nullTerminated(1), length(0), terminatedCopy(nullptr) {
    set(other);
}

ZELStringRef &ZELStringRef::operator=(const ZELStringRef &other) {
    if (&other != this) set(other);
    return *this;
}

ZELStringRef::~ZELStringRef() { drop_copy(); }

// Most views never make a copy, and a tokeniser re-points one view per token.
void ZELStringRef::drop_copy() const {
    if (!terminatedCopy) return;
    delete[] terminatedCopy;
    terminatedCopy = nullptr;
}

int ZELStringRef::getLen() const {
    if (length == kUnknownLength) length = static_cast<unsigned32>(std::strlen(data));
    return static_cast<int>(length);
}

const char *ZELStringRef::getNullTermData() const {
    if (nullTerminated) return data;
    if (!terminatedCopy) {
        size_t n = static_cast<size_t>(getLen());
        terminatedCopy = new (std::nothrow) char[n + 1];
        if (!terminatedCopy) return nullptr;
        std::memcpy(terminatedCopy, data, n);
        terminatedCopy[n] = '\0';
    }
    return terminatedCopy;
}

int ZELStringRef::set(const ZELString &s) {
    drop_copy();
    data = s.getData();
    nullTerminated = 1;
    length = static_cast<unsigned32>(s.getLen());
    return 0;
}

int ZELStringRef::set(const ZELStringRef &other) {
    if (&other == this) return 0;
    int other_length = other.getLen();
    drop_copy();
    data = other.data;
    nullTerminated = other.nullTerminated;
    length = static_cast<unsigned32>(other_length);
    return 0;
}

int ZELStringRef::set(const char *text, int len, bool terminated) {
    drop_copy();
    if (!text || len < -1) {
        // Nothing to view: the empty string rather than a wild pointer.
        data = kEmpty;
        nullTerminated = 1;
        length = 0;
        return 0;
    }
    data = text;
    nullTerminated = terminated || len == -1;
    length = len == -1 ? kUnknownLength : static_cast<unsigned32>(len);
    return 0;
}

unsigned int ZELStringRef::hash() const {
    unsigned int h = 5381;
    const unsigned char *p = reinterpret_cast<const unsigned char *>(data);
    for (int i = 0, n = getLen(); i < n; ++i) h = ((h << 5) + h) ^ p[i];
    return h;
}

int ZELStringRef::compare(const ZELString &s) const {
    return compare_with_string(*this, s, std::strncmp);
}
int ZELStringRef::compare(const ZELStringRef &other) const {
    return compare_views(*this, other, std::strncmp);
}
int ZELStringRef::compare(const char *text, int len) const {
    return compare_views(*this, ZELStringRef(text, len, false), std::strncmp);
}
int ZELStringRef::icompare(const ZELString &s) const {
    return compare_with_string(*this, s, strncasecmp);
}
int ZELStringRef::icompare(const ZELStringRef &other) const {
    return compare_views(*this, other, strncasecmp);
}
int ZELStringRef::icompare(const char *text, int len) const {
    return compare_views(*this, ZELStringRef(text, len, false), strncasecmp);
}
