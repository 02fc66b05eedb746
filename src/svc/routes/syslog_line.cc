// The line a record becomes in the system log, in the local form that log
// daemons read from their socket: priority, time stamp, tag and process id,
// then the record's names and text, all within one datagram.
#include <zel/svc_internal.h>
#include <zel/utc.h>

#include <cstdio>
#include <cstring>
#include <ctime>

#include <syslog.h>

#include "svc/record/record.h"
#include "svc/routes/syslog_route.h"

namespace zel {
namespace {

// Appends to a fixed buffer; what does not fit is left out whole.
class Line {
public:
    explicit Line(char *buf) : buf_(buf) {}
    size_t size() const { return len_; }

    void raw(const char *s, size_t n) {
        if (n > kSyslogLineMax - len_) n = 0;
        std::memcpy(buf_ + len_, s, n);
        len_ += n;
    }
    void raw(const char *s) { raw(s, std::strlen(s)); }

    // Text from programs, catalogs and callers: a control character would end
    // or forge a line in the daemon's files, so it is written as "#" and three
    // octal digits. Whole UTF-8 characters only: the first that does not fit
    // ends the text.
    void safe(const char *s) {
        const auto *p = reinterpret_cast<const unsigned char *>(s);
        while (*p) {
            size_t n = char_length(p);
            char code[5];
            const char *bytes = reinterpret_cast<const char *>(p);
            if (*p < 0x20 || *p == 0x7f) {
                std::snprintf(code, sizeof code, "#%03o", *p);
                bytes = code;
            }
            size_t out = bytes == code ? 4 : n;
            if (out > kSyslogLineMax - len_) return;
            std::memcpy(buf_ + len_, bytes, out);
            len_ += out;
            p += n;
        }
    }

private:
    // Bytes of the UTF-8 character at p; 1 for a byte that starts none (text
    // in another code set), so no byte is ever skipped.
    static size_t char_length(const unsigned char *p) {
        size_t n = *p >= 0xf0 && *p <= 0xf4 ? 4 : *p >= 0xe0 ? 3 : *p >= 0xc2 ? 2 : 1;
        if (*p >= 0xf5) n = 1;
        for (size_t i = 1; i < n; ++i) {
            if ((p[i] & 0xc0) != 0x80) return 1;
        }
        return n;
    }

    char *buf_;
    size_t len_ = 0;
};

// Length of the message identifier that opens a compiled text ("KVXSC0151E"),
// or 0 when the text does not start with one.
size_t message_id_length(const char *text) {
    static const char shape[] = "KVXAA0000A";
    for (size_t i = 0; i < sizeof shape - 1; ++i) {
        char c = text[i];
        bool ok = i < 3             ? c == shape[i]
                  : shape[i] == 'A' ? c >= 'A' && c <= 'Z'
                                    : c >= '0' && c <= '9';
        if (!ok) return 0;
    }
    char after = text[sizeof shape - 1];
    return after == ' ' || after == '\0' ? sizeof shape - 1 : 0;
}

// The tag ends at a space, ':' or '['; the daemon would read such a
// character in the program name as the end of the tag.
void put_tag(Line &line, const char *procname) {
    char tag[sizeof(zel_svc_prolog{}.procname)];
    size_t n = strnlen(procname, sizeof tag - 1);
    for (size_t i = 0; i < n; ++i) {
        unsigned char c = static_cast<unsigned char>(procname[i]);
        tag[i] = c <= ' ' || c >= 0x7f || c == ':' || c == '[' || c == ']' ? '_' : procname[i];
    }
    line.raw(n ? tag : "-", n ? n : 1);
}

void put_time(Line &line, const zel_svc_prolog *header) {
    static const char months[] = "JanFebMarAprMayJunJulAugSepOctNovDec";
    struct timespec when = {};
    struct tm tm;
    if (zel_utc_bintime(&when, nullptr, nullptr, &header->time) != 0) when.tv_sec = time(nullptr);
    if (!localtime_r(&when.tv_sec, &tm)) std::memset(&tm, 0, sizeof tm);
    char text[32];
    int n =
        std::snprintf(text, sizeof text, "%.3s %2d %02d:%02d:%02d ", months + 3 * (tm.tm_mon % 12),
                      tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
    line.raw(text, static_cast<size_t>(n));
}

void put_name(Line &line, const char *name) { line.safe(name && *name ? name : "-"); }

}  // namespace

int syslog_severity(const zel_svc_prolog *header) {
    if (header->msgid == 0 || (header->attributes & ZEL_SVC_ATTR_LEVEL_MASK) != 0) return LOG_DEBUG;
    switch ((header->attributes & ZEL_SVC_ATTR_SEV_MASK) >> 4) {
    case 1: return LOG_CRIT;
    case 2: return LOG_ERR;
    case 3: return LOG_WARNING;
    case 4: return LOG_NOTICE;
    case 5: return LOG_INFO;
    default: return LOG_NOTICE;
    }
}

size_t syslog_line(char *buf, const zel_svc_prolog *header, int priority, const char *text) {
    Line line(buf);
    char head[48];
    int n = std::snprintf(head, sizeof head, "<%d>", priority);
    line.raw(head, static_cast<size_t>(n));
    put_time(line, header);
    put_tag(line, header->procname);
    n = std::snprintf(head, sizeof head, "[%d]: ", zel_svc__get_pid());
    line.raw(head, static_cast<size_t>(n));
    if (header->handle) {
        put_name(line, header->handle->component_name);
        line.raw(" ");
        const zel_svc_subcomp *row = subcomp_row(header->handle, header->table_index);
        put_name(line, row ? row->name : nullptr);
        size_t id = header->msgid != 0 ? message_id_length(text) : 0;
        if (id != 0) {
            line.raw(" ");
            line.raw(text, id);
            text += id;
            while (*text == ' ') ++text;
        } else if (header->msgid != 0) {
            n = std::snprintf(head, sizeof head, " 0x%8.8lX",
                              static_cast<unsigned long>(header->msgid));
            line.raw(head, static_cast<size_t>(n));
        }
        line.raw(": ");
    }
    line.safe(text);
    return line.size();
}

}  // namespace zel
