// The prefix of a text record, built by plain copies into a fixed buffer.
// Everything after its time text depends on the call's place and thread
// only, so each thread keeps the last such tail and copies it again while
// the header asks for the same one.
#include <zel/svc_internal.h>

#include <cstring>

#include "svc/record/record.h"
#include "sys/hot_path.h"

namespace zel {
namespace {

class PrefixLine {
public:
    PrefixLine(char *buf, size_t size) : start_(buf), pos_(buf), end_(buf + size) {}
    bool fits() const { return fits_; }
    size_t length() const { return static_cast<size_t>(pos_ - start_); }

    void text(const char *s) { put(s ? s : "(null)", std::strlen(s ? s : "(null)")); }
    void put(const char *s, size_t n) {
        if (n > static_cast<size_t>(end_ - pos_)) return overflow();
        std::memcpy(pos_, s, n);
        pos_ += n;
    }
    void ch(char c) {
        if (pos_ == end_) return overflow();
        *pos_++ = c;
    }
    // "%8.8lx" and "%8.8lX": at least eight digits.
    void hex8(unsigned long v, bool upper) {
        const char *digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
        char tmp[2 * sizeof v];
        char *end = tmp + sizeof tmp;
        char *p = end;
        do {
            *--p = digits[v & 0xF];
            v >>= 4;
        } while (v != 0);
        while (end - p < 8) *--p = '0';
        put(p, static_cast<size_t>(end - p));
    }
    void decimal(long v) {
        char tmp[24];
        char *end = tmp + sizeof tmp;
        char *p = end;
        unsigned long m =
            v < 0 ? 0ul - static_cast<unsigned long>(v) : static_cast<unsigned long>(v);
        do {
            *--p = static_cast<char>('0' + m % 10);
            m /= 10;
        } while (m != 0);
        if (v < 0) *--p = '-';
        put(p, static_cast<size_t>(end - p));
    }

private:
    void overflow() {
        fits_ = false;
        pos_ = end_;
    }
    char *start_;
    char *pos_;
    char *end_;
    bool fits_ = true;
};

// The names a tail shows, from the caller and the tables: kept by where
// their bytes sit in the tail, so that a name changed in place is seen.
enum { kComponent, kSubcomponent, kFile, kNames };

const char *shown_name(const zel_svc_prolog *header, int which) {
    const char *name = which == kComponent      ? component_name(header)
                       : which == kSubcomponent ? subcomponent_name(header)
                                                : header->file;
    return name ? name : "(null)";
}

// The prefix after the time text: " 0x%8.8lX %s %s %s %s %s %d 0x%8.8lx%c"
// of a message, " %s DEBUG%d %s %s %s %d 0x%8.8lx%c" of a trace.
class PrefixTail {
public:
    bool matches(const zel_svc_prolog *header, int term) const {
        if (!valid_ || header->attributes != attributes_ || header->msgid != msgid_ ||
            header->line != line_ || term != term_ || !pthread_equal(header->thread, thread_) ||
            std::strcmp(header->procname, procname_) != 0)
            return false;
        for (int i = 0; i < kNames; ++i) {
            const char *name = shown_name(header, i);
            if (std::strncmp(name, bytes_ + offset_[i], length_[i]) != 0 ||
                name[length_[i]] != '\0')
                return false;
        }
        return true;
    }

    // Once per change of place or thread: out of the way of the records in between.
    [[gnu::cold, gnu::noinline]] void make(const zel_svc_prolog *header, int term) {
        valid_ = false;
        PrefixLine line(bytes_, sizeof bytes_);
        line.ch(' ');
        if (is_trace(header)) {
            line.text(header->procname);
            line.text(" DEBUG");
            line.decimal(static_cast<int>(header->attributes & ZEL_SVC_ATTR_LEVEL_MASK));
        } else {
            line.text("0x");
            line.hex8(header->msgid, true);
            line.ch(' ');
            line.text(header->procname);
            line.ch(' ');
            line.text(severity_name(header));
        }
        for (int i = 0; i < kNames; ++i) {
            line.ch(' ');
            offset_[i] = line.length();
            line.text(shown_name(header, i));
            length_[i] = line.length() - offset_[i];
        }
        line.ch(' ');
        line.decimal(header->line);
        line.text(" 0x");
        line.hex8(thread_number(header), false);
        line.ch(static_cast<char>(term));
        size_t procname_len = strnlen(header->procname, sizeof header->procname);
        if (!line.fits() || procname_len == sizeof header->procname) return;
        std::memcpy(procname_, header->procname, procname_len + 1);
        length_all_ = line.length();
        attributes_ = header->attributes;
        msgid_ = header->msgid;
        line_ = header->line;
        term_ = term;
        thread_ = header->thread;
        valid_ = true;
    }

    bool valid() const { return valid_; }
    const char *bytes() const { return bytes_; }
    size_t length() const { return length_all_; }

private:
    bool valid_ = false;
    unsigned32 attributes_ = 0;
    unsigned32 msgid_ = 0;
    int line_ = 0;
    int term_ = 0;
    pthread_t thread_{};
    char procname_[sizeof zel_svc_prolog::procname] = {};
    size_t offset_[kNames] = {};
    size_t length_[kNames] = {};
    size_t length_all_ = 0;
    char bytes_[kPrefixSize] = {};
};

thread_local PrefixTail t_tail;

}  // namespace

ZEL_RECORD_PATH size_t build_text_prefix(char *buf, size_t size, const zel_svc_prolog *header,
                                         const char *time, int term) {
    if (!t_tail.matches(header, term)) t_tail.make(header, term);
    if (!t_tail.valid()) return 0;  // too long for the buffer
    PrefixLine line(buf, size);
    line.text(time);
    line.put(t_tail.bytes(), t_tail.length());
    return line.fits() ? line.length() : 0;
}

}  // namespace zel
