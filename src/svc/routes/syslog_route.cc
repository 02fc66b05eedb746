// The system-log route: a dynamic route whose parameter "FACILITY[,SOCKET]"
// names a facility and the log daemon's socket, and which sends each record
// there as one datagram without ever making the caller wait.
#include <zel/fmt.h>
#include <zel/status.h>
#include <zel/svc_internal.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>

#include <sys/socket.h>
#include <sys/un.h>
#include <syslog.h>
#include <unistd.h>

#include "svc/routes/syslog_route.h"

namespace zel {
namespace {

struct SyslogRoute {
    SyslogRoute *next = nullptr;  // in its owner's list
    int facility = 0;
    int fd = -1;
    bool connected = false;
    sockaddr_un address = {};
    pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;  // prints may overlap
    unsigned lost = 0;                                 // records lost since the last one sent
    int lost_errno = 0;
    uint64_t told[8] = {};  // causes of loss already told on standard error
};

// One registration's open routes. When the dynamic route is removed while
// routes use it, their own close is never called: the registration's close
// frees them all then.
struct Owner {
    Owner *next = nullptr;
    SyslogRoute *routes = nullptr;
};

// Guards every owner's list of routes and the list of owners. Owners whose
// dynamic route went without a close (removed unused, or a second
// registration of a name, which the registry drops) stay on the list.
std::mutex g_lock;
Owner *g_owners = nullptr;

// Names are compared exactly, as route keywords and severity names are.
const struct {
    const char *name;
    int facility;
} kFacilities[] = {
    {"LOCAL0", LOG_LOCAL0}, {"LOCAL1", LOG_LOCAL1}, {"LOCAL2", LOG_LOCAL2}, {"LOCAL3", LOG_LOCAL3},
    {"LOCAL4", LOG_LOCAL4}, {"LOCAL5", LOG_LOCAL5}, {"LOCAL6", LOG_LOCAL6}, {"LOCAL7", LOG_LOCAL7},
    {"USER", LOG_USER},     {"DAEMON", LOG_DAEMON},
};

// The socket is an absolute path that fits a socket address.
bool parse_parameter(const char *parameter, SyslogRoute *route) {
    if (!parameter) return false;
    const char *comma = std::strchr(parameter, ',');
    size_t n = comma ? static_cast<size_t>(comma - parameter) : std::strlen(parameter);
    bool known = false;
    for (const auto &f : kFacilities) {
        if (std::strlen(f.name) == n && std::memcmp(f.name, parameter, n) == 0) {
            route->facility = f.facility;
            known = true;
        }
    }
    const char *path = comma ? comma + 1 : "/dev/log";
    size_t length = std::strlen(path);
    if (!known || path[0] != '/' || length >= sizeof route->address.sun_path) return false;
    route->address.sun_family = AF_UNIX;
    std::memcpy(route->address.sun_path, path, length + 1);
    return true;
}

const char *program_name() {
    return zel_svc_g_progname[0] ? zel_svc_g_progname : program_invocation_short_name;
}

// One line on standard error, "<program>: <what> <name>: <cause>; records go
// <where>", the name shown without its control characters.
void tell(const char *what, const char *name, const char *cause, const char *where) {
    char shown[sizeof(sockaddr_un{}.sun_path)];
    size_t n = 0;
    for (; name[n] && n < sizeof shown - 1; ++n) {
        unsigned char c = static_cast<unsigned char>(name[n]);
        shown[n] = c < 0x20 || c == 0x7f ? '?' : name[n];
    }
    shown[n] = '\0';
    char line[512];
    int len = std::snprintf(line, sizeof line, "%s: %s %s: %s; records go %s\n", program_name(),
                            what, shown, cause, where);
    size_t size = len < 0 ? 0 : std::min(static_cast<size_t>(len), sizeof line - 1);
    if (write(STDERR_FILENO, line, size) < 0) {}  // nowhere else to tell
}

int send_once(SyslogRoute *route, const char *line, size_t length) {
    if (route->fd < 0) route->fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (route->fd < 0) return errno;
    if (!route->connected) {
        auto *address = reinterpret_cast<const sockaddr *>(&route->address);
        if (connect(route->fd, address, sizeof route->address) != 0) return errno;
        route->connected = true;
    }
    // A full socket buffer (a busy or stopped daemon) loses the record rather
    // than holding the caller, and every other serviceability caller, up.
    return send(route->fd, line, length, MSG_DONTWAIT | MSG_NOSIGNAL) >= 0 ? 0 : errno;
}

// 0 or the errno that lost the record.
int send_line(SyslogRoute *route, const char *line, size_t length) {
    int error = send_once(route, line, length);
    if (error == ECONNREFUSED || error == ENOTCONN || error == ECONNRESET) {
        // The daemon went away, and a restarted one listens on a new socket
        // of the same name: connect anew, once per record. A process that
        // shares the socket since a fork may have seen the loss first, and
        // this one then finds the socket reset.
        close(route->fd);
        route->fd = -1;
        route->connected = false;
        error = send_once(route, line, length);
    }
    return error;
}

void note_loss(SyslogRoute *route, int error) {
    ++route->lost;
    route->lost_errno = error;
    unsigned key = static_cast<unsigned>(error) & 511;
    uint64_t bit = uint64_t{1} << (key % 64);
    if (route->told[key / 64] & bit) return;
    route->told[key / 64] |= bit;
    char reason[128];
    tell("system log", route->address.sun_path, strerror_r(error, reason, sizeof reason),
         "nowhere");
}

// The first record that goes out after losses is followed by their count,
// built in the record's line buffer.
void send_loss_count(SyslogRoute *route, const zel_svc_prolog *header, char *line) {
    char reason[128];
    char text[256];
    std::snprintf(text, sizeof text, "%u records could not be sent to the system log: %s",
                  route->lost, strerror_r(route->lost_errno, reason, sizeof reason));
    zel_svc_prolog note = *header;
    note.handle = nullptr;
    note.msgid = 0;
    size_t length = syslog_line(line, &note, route->facility | LOG_WARNING, text);
    if (send_line(route, line, length) == 0) route->lost = 0;
}

// The text as the engine renders it; a text it refuses is sent as written,
// so a record never loses its text.
const char *record_text(const zel_svc_prolog *header, va_list args, char *buf, size_t size) {
    if (!header->format) {
        std::snprintf(buf, size, "Unknown message 0x%8.8lx",
                      static_cast<unsigned long>(header->msgid));
        return buf;
    }
    if (std::strcmp(header->format, "%s") == 0) {
        va_list copy;
        va_copy(copy, args);
        const char *converted = va_arg(copy, const char *);
        va_end(copy);
        if (!converted) return "";  // the conversion gave no text
    }
    return zel_vsnprintf_utf8(buf, static_cast<int>(size), header->format, args) < 0
               ? header->format
               : buf;
}

}  // namespace

void *new_syslog_owner() {
    auto *owner = new (std::nothrow) Owner;
    if (!owner) return nullptr;
    std::lock_guard<std::mutex> guard(g_lock);
    owner->next = g_owners;
    g_owners = owner;
    return owner;
}

void syslog_open(const char *name, const char *parameter, void *data, void **route_data,
                 int *accepted) {
    *accepted = 0;
    auto *owner = static_cast<Owner *>(data);
    auto *route = new (std::nothrow) SyslogRoute;
    if (!owner || !route) {
        delete route;
        return;
    }
    if (!parse_parameter(parameter, route)) {
        delete route;
        tell("system-log route", name ? name : "", "the parameter is not FACILITY[,SOCKET]",
             "to the route's fallback");
        return;
    }
    std::lock_guard<std::mutex> guard(g_lock);
    route->next = owner->routes;
    owner->routes = route;
    *route_data = route;
    *accepted = 1;
}

void syslog_print(void *, void *route_data, zel_svc_prolog *header, va_list args) {
    auto *route = static_cast<SyslogRoute *>(route_data);
    if (!route || !header) return;
    int cancel_state;
    pthread_setcancelstate(PTHREAD_CANCEL_DISABLE, &cancel_state);
    char text[kSyslogLineMax + 1];  // more than a line holds: the cut is the line's
    char line[kSyslogLineMax];
    size_t length = syslog_line(line, header, route->facility | syslog_severity(header),
                                record_text(header, args, text, sizeof text));
    pthread_mutex_lock(&route->lock);
    if (int error = send_line(route, line, length)) {
        note_loss(route, error);
    } else if (route->lost != 0) {
        send_loss_count(route, header, line);
    }
    pthread_mutex_unlock(&route->lock);
    pthread_setcancelstate(cancel_state, nullptr);
}

void syslog_close(const char *, void *data, void *route_data, unsigned32 *status) {
    if (status) *status = 0;
    auto *owner = static_cast<Owner *>(data);
    if (!owner) return;
    int cancel_state;
    pthread_setcancelstate(PTHREAD_CANCEL_DISABLE, &cancel_state);
    SyslogRoute *gone = nullptr;
    {
        std::lock_guard<std::mutex> guard(g_lock);
        if (route_data) {
            for (SyslogRoute **p = &owner->routes; *p; p = &(*p)->next) {
                if (*p == route_data) {
                    gone = *p;
                    *p = gone->next;
                    gone->next = nullptr;
                    break;
                }
            }
        } else {
            // The dynamic route is removed: none of its routes is called again.
            gone = owner->routes;
            for (Owner **p = &g_owners; *p; p = &(*p)->next) {
                if (*p == owner) {
                    *p = owner->next;
                    break;
                }
            }
        }
    }
    while (gone) {
        SyslogRoute *next = gone->next;
        if (gone->fd >= 0) close(gone->fd);
        pthread_mutex_destroy(&gone->lock);
        delete gone;
        gone = next;
    }
    if (!route_data) delete owner;
    pthread_setcancelstate(cancel_state, nullptr);
}

}  // namespace zel

void zel_svc_add_syslog_route(const char *name, unsigned32 *status) {
    unsigned32 st = ZEL_S_SVC_NO_MEMORY;
    void *owner = zel::new_syslog_owner();
    if (owner)
        zel_svc_add_route(name, owner, zel::syslog_open, zel::syslog_print, zel::syslog_close, &st);
    // A refused registration never reached the registry: nothing else holds it.
    if (owner && st != 0) zel::syslog_close(nullptr, owner, nullptr, nullptr);
    if (status) *status = st;
}
