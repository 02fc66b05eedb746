// ZELString: the owning byte string with its inline buffer, exact heap growth
// and conversions through the local code page.
#include <zel/ZELString.h>
#include <zel/ZELStringRef.h>
#include <zel/msg.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace {

constexpr long long kInlineSize = 30;  // bytes of text the inline buffer holds, zero byte included

// A conversion's result, on the stack when small.
class Converted {
public:
    ~Converted() {
        if (bytes != local) std::free(bytes);
    }
    // Converts len bytes of text; false when the code page cannot take them
    // or memory runs out.
    bool convert(const char *text, int len, ZELString::conversion_e conversion) {
        // No character grows to more than four bytes either way.
        size_t room = static_cast<size_t>(len) * 4 + 1;
        if (room > sizeof local) {
            bytes = static_cast<char *>(std::malloc(room));
            if (!bytes) return false;
        }
        if (len == 0) return true;
        lyr_cs_t cs = zelsvc_get_local_code_page();
        int written = conversion == ZELString::fromUTF8 ? lyr_from_utf8(cs, text, len, bytes, room)
                                                        : lyr_to_utf8(cs, text, len, bytes, room);
        if (written < 1) return false;
        length = written;
        return true;
    }
    char local[256];
    char *bytes = local;
    int length = 0;
};

// Whether count more bytes and the zero byte fit where the text already is, so
// that an append needs neither to grow nor to move it.
bool fits_in_place(const char *data, const char *heap, unsigned32 heap_size, int length,
                   int count) {
    long long needed = static_cast<long long>(length) + count + 1;
    return data == heap ? needed <= heap_size : needed <= kInlineSize;
}

long long reserve_for(int len, ZELString::conversion_e conversion) {
    if (conversion == ZELString::fromUTF8) return 3LL * len;
    if (conversion == ZELString::toUTF8) return 2LL * len;
    return len;
}

}  // namespace

ZELString::ZELString() : heapBuffer(nullptr), heapSize(0), data(inlineBuffer), length(0) {
    inlineBuffer[0] = '\0';
}

ZELString::ZELString(const char *text, int len, conversion_e conversion) : ZELString() {
    append(text, len, conversion);
}

ZELString::ZELString(const ZELStringRef &other) : ZELString() { append(other); }

ZELString::ZELString(const ZELString &other) : ZELString() { append(other); }

ZELString &ZELString::operator=(const ZELString &other) {
    set(other);
    return *this;
}

ZELString::~ZELString() { std::free(heapBuffer); }

int ZELString::capacity() const {
    return heapBuffer && heapSize > kInlineSize ? static_cast<int>(heapSize) : kInlineSize;
}

char *ZELString::buffer() { return heapSize > kInlineSize ? heapBuffer : inlineBuffer; }

bool ZELString::expand(int len) {
    long long needed = static_cast<long long>(len) + 1;
    if (needed < kInlineSize + 1 || needed <= heapSize) return true;
    if (needed > INT_MAX) return false;
    char *grown = static_cast<char *>(std::malloc(static_cast<size_t>(needed)));
    if (!grown) return false;
    std::memcpy(grown, data, static_cast<size_t>(length) + 1);
    std::free(heapBuffer);
    heapBuffer = data = grown;
    heapSize = static_cast<unsigned32>(needed);
    return true;
}

char *ZELString::assertBuffer(int len) {
    data = buffer();
    if (len < 0) len = static_cast<int>(strnlen(data, static_cast<size_t>(capacity())));
    // The text stays within the buffer and keeps its zero byte.
    if (len > capacity() - 1) len = capacity() - 1;
    length = len;
    data[length] = '\0';
    return data;
}

void ZELString::reset() {
    std::free(heapBuffer);
    heapBuffer = nullptr;
    heapSize = 0;
    data = inlineBuffer;
    inlineBuffer[0] = '\0';
    length = 0;
}

bool ZELString::grow(long long needed, char **old_heap) {
    *old_heap = nullptr;
    if (needed <= kInlineSize) return true;
    if (needed > INT_MAX) return false;
    if (needed > heapSize) {
        char *grown = static_cast<char *>(std::malloc(static_cast<size_t>(needed)));
        if (!grown) return false;
        std::memcpy(grown, data, static_cast<size_t>(length));
        *old_heap = heapBuffer;
        heapBuffer = data = grown;
        heapSize = static_cast<unsigned32>(needed);
    } else if (data != heapBuffer) {
        std::memmove(heapBuffer, data, static_cast<size_t>(length));
        data = heapBuffer;
    }
    return true;
}

bool ZELString::append(const char *text, int len, conversion_e conversion) {
    // Most appends are of plain bytes into room already there.
    if (conversion == noConversion && text && len >= 0 &&
        fits_in_place(data, heapBuffer, heapSize, length, len)) {
        std::memmove(data + length, text, static_cast<size_t>(len));
        length += len;
        data[length] = '\0';
        return true;
    }
    if (!text) return len <= 0;
    if (len == -1) {
        size_t measured = std::strlen(text);
        if (measured > INT_MAX) return false;
        len = static_cast<int>(measured);
    }
    if (len < 0) return false;
    const char *bytes = text;
    int count = len;
    Converted converted;
    if (conversion != noConversion) {
        if (!converted.convert(text, len, conversion)) return false;
        bytes = converted.bytes;
        count = converted.length;
    }
    long long reserve = reserve_for(len, conversion);
    if (reserve < count) reserve = count;
    char *old_heap;
    if (!grow(length + reserve + 1, &old_heap)) return false;
    std::memmove(data + length, bytes, static_cast<size_t>(count));
    std::free(old_heap);
    length += count;
    data[length] = '\0';
    return true;
}

bool ZELString::append(char c) {
    if (!fits_in_place(data, heapBuffer, heapSize, length, 1)) return append(&c, 1, noConversion);
    data[length++] = c;
    data[length] = '\0';
    return true;
}

bool ZELString::append(const ZELStringRef &other) {
    return append(other.getData(), other.getLen(), noConversion);
}

bool ZELString::append(const ZELString &other) {
    return append(other.data, other.length, noConversion);
}

bool ZELString::set(const char *text, int len, conversion_e conversion) {
    // append converts before anything moves and can fail only before it
    // writes, so the old text is still there to be restored.
    char *old_data = data;
    int old_length = length;
    data = inlineBuffer;
    length = 0;
    if (append(text, len, conversion)) {
        data[length] = '\0';
        return true;
    }
    data = old_data;
    length = old_length;
    return false;
}

bool ZELString::set(const ZELStringRef &other) {
    return set(other.getData(), other.getLen(), noConversion);
}

bool ZELString::set(const ZELString &other) {
    if (&other == this) return true;
    return set(other.data, other.length, noConversion);
}

unsigned int ZELString::hash() const { return ZELStringRef(data, -1, true).hash(); }

int ZELString::compare(const ZELString &other) const { return std::strcmp(data, other.data); }

int ZELString::compare(const ZELStringRef &other) const {
    int other_length = other.getLen();
    int n = length < other_length ? length : other_length;
    int r = std::strncmp(data, other.getData(), static_cast<size_t>(n));
    if (r != 0) return r;
    if (length > n) return 1;
    if (other_length > n) return -1;
    return 0;
}

int ZELString::compare(const char *text, int len) const {
    if (len < 0) return std::strcmp(data, text ? text : "");
    return compare(ZELStringRef(text, len, false));
}
