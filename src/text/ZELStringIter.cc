// ZELStringIter: tokens of a text split at a one-byte separator, taken one by
// one, counted, or searched, optionally terminated in place.
#include <zel/ZELString.h>
#include <zel/ZELStringIter.h>
#include <zel/ZELStringRef.h>

#include <cstring>

namespace {

// Skips leading blanks; false when nothing is left after them.
bool skip_blanks(const char *&position, int &remaining, char **write_position) {
    while (remaining > 0 && *position == ' ') {
        ++position;
        --remaining;
        if (write_position && *write_position) ++*write_position;
    }
    return remaining > 0;
}

// The length of the token at position: up to the separator, or all that is left.
int token_length(const char *position, int remaining, char separator, bool *found) {
    const void *at = std::memchr(position, separator, static_cast<size_t>(remaining));
    *found = at != nullptr;
    return at ? static_cast<int>(static_cast<const char *>(at) - position) : remaining;
}

}  // namespace

ZELStringIter::ZELStringIter()
    : separator('\0'),
      preserve(true),
      entryCount(-1),
      data(nullptr),
      length(0),
      position(nullptr),
      writePosition(nullptr),
      remaining(0) {}

ZELStringIter::ZELStringIter(const ZELStringRef &text, char sep) : ZELStringIter() {
    initialize(text, sep);
}

ZELStringIter::ZELStringIter(ZELString &text, char sep, bool keep) : ZELStringIter() {
    initialize(text, sep, keep);
}

ZELStringIter::~ZELStringIter() {}

void ZELStringIter::initialize(const ZELStringRef &text, char sep) {
    separator = sep;
    preserve = true;
    writePosition = nullptr;
    data = position = text.getData();
    length = remaining = text.getLen();
    entryCount = -1;
}

void ZELStringIter::initialize(ZELString &text, char sep, bool keep) {
    separator = sep;
    preserve = keep;
    data = position = text.getData();
    length = remaining = text.getLen();
    // The zero bytes go into the text being split, wherever it lives.
    writePosition = keep ? nullptr : text.data;
    entryCount = -1;
}

bool ZELStringIter::next(ZELStringRef &token) {
    if (remaining <= 0) return false;
    if (*position == ' ' && !skip_blanks(position, remaining, &writePosition)) return false;
    const char *at =
        static_cast<const char *>(std::memchr(position, separator, static_cast<size_t>(remaining)));
    int n = at ? static_cast<int>(at - position) : remaining;
    if (at && writePosition) writePosition[n] = '\0';
    // The token view is re-pointed in place: this runs once per token.
    if (token.terminatedCopy) token.drop_copy();
    token.data = position;
    token.nullTerminated = 0;
    token.length = static_cast<unsigned32>(n);
    // Past the separator; after the last token, at the end.
    int step = at ? n + 1 : n;
    position += step;
    if (writePosition) writePosition += step;
    remaining = at ? remaining - step : 0;
    return true;
}

int ZELStringIter::entries() const {
    if (entryCount >= 0) return entryCount;
    int count = 0;
    const char *p = data;
    int rest = length;
    while (p && skip_blanks(p, rest, nullptr) && *p != '\0') {
        ++count;
        bool found;
        int n = token_length(p, rest, separator, &found);
        if (!found) break;
        p += n + 1;
        rest -= n + 1;
    }
    entryCount = count;
    return count;
}

bool ZELStringIter::contains(ZELStringRef &value) {
    const char *p = position;
    int rest = remaining;
    while (rest > 0 && skip_blanks(p, rest, nullptr)) {
        bool found;
        int n = token_length(p, rest, separator, &found);
        if (ZELStringRef(p, n, false).compare(value) == 0) return true;
        p += n + 1;
        rest -= n + 1;
    }
    return false;
}
