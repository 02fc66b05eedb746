// Route lists: the grammar "KEYWORD[.count.records]:parameter[:mode[:owner[:group]]]"
// separated by ';', turned into the route records of a block, and the log-file
// records that routes naming the same expanded file share.
#include <zel/msg.h>
#include <zel/svc_internal.h>

#include <grp.h>
#include <pwd.h>
#include <unistd.h>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include <jrnmsg/lyr.h>

#include "fmt/conversion_scan.h"
#include "fmt/fmt_internal.h"
#include "svc/routes/log_file.h"
#include "svc/routes/routes.h"

extern "C" {

zel_svc_fileroute_t **zel_svc_fileroutes = nullptr;
int zel_svc_g_num_fileroutes = 0;

}  // extern "C"

namespace zel {

char *cut_item(char **next, int c) {
    char *item = *next;
    char *sep = find_sep(item, c);
    if (sep) {
        *sep = '\0';
        *next = sep + 1;
    } else {
        *next = item + std::strlen(item);
    }
    return item;
}

char *find_sep(const char *text, int c) {
    return lyr_strchr(zelsvc_get_local_code_page(), text, c);
}

namespace {

// The text of one conversion of a file name pattern, rendered by the engine
// with the process id as the pattern's only argument: any integer conversion
// is the process id (whole, whatever its length modifier) and "%%" a percent
// sign. False for any other conversion ("%s", "%2$d", "%*d"...): no argument
// could fill it, and it is kept as written.
bool render_pattern_conversion(zel_fmt_conv conv, long pid, std::string &out) {
    zel_fmt_arg args[2] = {};
    if (conv.type == kTypePercent) {
        args[1].value.u = '%';
    } else if (conv.type >= kTypeShort && conv.type <= kTypeULongLong) {
        bool is_signed = conv.type == kTypeShort || conv.type == kTypeInt ||
                         conv.type == kTypeLong || conv.type == kTypeLongLong;
        conv.type = is_signed ? kTypeLongLong : kTypeULongLong;
        args[1].value.u = static_cast<uint64_t>(static_cast<int64_t>(pid));
    } else {
        return false;
    }
    if (conv.argnum > 1 || (conv.flags & (kFlagWidthArg | kFlagPrecArg))) return false;
    conv.argnum = 1;
    // Widths and precisions are capped as in a record, so the text is never
    // longer than the cap and a prefix and the digits.
    size_t at = out.size();
    out.resize(at + kRecordWidthCap + 32);
    Sink sink{&out[at], out.size() - at};
    sink.cap = kRecordWidthCap;
    int64_t n = conv.type == kTypePercent    ? render_char(nullptr, &conv, args, sink)
                : conv.type == kTypeLongLong ? render_signed(&conv, args, sink)
                                             : render_unsigned(&conv, args, sink);
    out.resize(at + static_cast<size_t>(sink.pos - &out[at]));
    return n >= 0;
}

}  // namespace

std::string expand_file_pattern(const char *pattern, long pid) {
    std::string out;
    for (const char *p = pattern; *p;) {
        const char *percent = std::strchr(p, '%');
        if (!percent) {
            out += p;
            break;
        }
        out.append(p, static_cast<size_t>(percent - p));
        zel_fmt_conv conv;
        const char *end = scan_conversion(percent, &conv);
        if (!end) {
            out += '%';  // the engine rejects it: kept as written
            p = percent + 1;
            continue;
        }
        if (!render_pattern_conversion(conv, pid, out))
            out.append(percent, static_cast<size_t>(end - percent));
        p = end;
    }
    return out;
}

namespace {

int stream_kind(const char *keyword) {
    if (std::strcmp(keyword, "STDOUT") == 0) return ZEL_SVC_ROUTE_STDOUT;
    if (std::strcmp(keyword, "STDERR") == 0) return ZEL_SVC_ROUTE_STDERR;
    if (std::strcmp(keyword, "XMLSTDOUT") == 0) return ZEL_SVC_ROUTE_XMLSTDOUT;
    if (std::strcmp(keyword, "XMLSTDERR") == 0) return ZEL_SVC_ROUTE_XMLSTDERR;
    if (std::strcmp(keyword, "DISCARD") == 0) return ZEL_SVC_ROUTE_DISCARD;
    return 0;
}

int file_kind(const char *keyword) {
    if (std::strcmp(keyword, "FILE") == 0 || std::strcmp(keyword, "TEXTFILE") == 0)
        return ZEL_SVC_ROUTE_FILE;
    if (std::strcmp(keyword, "UTF8FILE") == 0) return ZEL_SVC_ROUTE_UTF8FILE;
    if (std::strcmp(keyword, "XMLFILE") == 0) return ZEL_SVC_ROUTE_XMLFILE;
    return 0;
}

// A decimal field, clamped into 0..INT_MAX; text after the digits is ignored.
int read_count(const char *text) {
    long value = std::strtol(text, nullptr, 10);
    if (value < 0) return 0;
    return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

// The parsed fields of one route; pointers into the caller's copy of the list.
struct RouteText {
    const char *keyword = nullptr;
    const char *count = nullptr;  // null when the keyword has no ".count.records"
    const char *records = nullptr;
    const char *parameter = nullptr;
    const char *owner = nullptr;
    const char *group = nullptr;
    int mode = 0;
};

// Cuts one route (already cut at its ';') into its fields. False when the
// route has no ':' after its keyword or a keyword has a lone '.'.
bool cut_route(char *route, RouteText *out) {
    char *colon = find_sep(route, SVC_SEP_CHAR);
    if (!colon) return false;
    *colon = '\0';
    out->keyword = route;
    out->parameter = colon + 1;
    if (char *dot = find_sep(route, '.')) {
        *dot = '\0';
        char *dot2 = find_sep(dot + 1, '.');
        if (!dot2) return false;
        *dot2 = '\0';
        out->count = dot + 1;
        out->records = dot2 + 1;
    }
    char *mode = find_sep(out->parameter, SVC_SEP_CHAR);
    if (mode) {
        *mode++ = '\0';
        char *owner = find_sep(mode, SVC_SEP_CHAR);
        if (owner) {
            *owner++ = '\0';
            out->owner = owner;
            char *group = find_sep(owner, SVC_SEP_CHAR);
            if (group) {
                *group++ = '\0';
                out->group = group;
            }
        }
        unsigned int bits = 0;
        if (std::sscanf(mode, "%o", &bits) == 1 && bits <= 0777) out->mode = static_cast<int>(bits);
    }
    return true;
}

int lookup_uid(const char *owner) {
    if (!owner || !*owner) return -1;
    char buffer[4096];
    struct passwd entry, *found = nullptr;
    if (getpwnam_r(owner, &entry, buffer, sizeof buffer, &found) != 0 || !found) return -1;
    return static_cast<int>(found->pw_uid);
}

int lookup_gid(const char *group) {
    if (!group || !*group) return -1;
    char buffer[4096];
    struct group entry, *found = nullptr;
    if (getgrnam_r(group, &entry, buffer, sizeof buffer, &found) != 0 || !found) return -1;
    return static_cast<int>(found->gr_gid);
}

// The shared record of an expanded file name, with one more reference; a new
// record is added when none has the name. Null when memory runs out.
zel_svc_fileroute_t *reference_file(const std::string &name) {
    for (int i = 0; i < zel_svc_g_num_fileroutes; ++i) {
        zel_svc_fileroute_t *file = zel_svc_fileroutes[i];
        if (file->name && name == file->name) {
            ++file->references;
            return file;
        }
    }
    zel_svc_fileroute_t *file = new_file_record();
    char *copy = strdup(name.c_str());
    auto *table = static_cast<zel_svc_fileroute_t **>(std::realloc(
        zel_svc_fileroutes, sizeof(zel_svc_fileroute_t *) * (zel_svc_g_num_fileroutes + 1)));
    if (table) zel_svc_fileroutes = table;
    if (!file || !copy || !table) {
        std::free(file);
        std::free(copy);
        return nullptr;
    }
    file->name = copy;
    file->references = 1;
    zel_svc_fileroutes[zel_svc_g_num_fileroutes++] = file;
    return file;
}

// A file record whose routes had all gone (or a new one) takes the settings of
// the route that now uses it; with a count, an existing file is archived now.
bool set_up_file(zel_svc_fileroute_t *file, const RouteText &text) {
    char *pattern = strdup(text.parameter);
    if (!pattern) return false;
    std::free(file->pattern);
    file->pattern = pattern;
    reset_log_file(file);
    if (text.count) {
        int archives = read_count(text.count);
        file->archives = archives > 99 ? 99 : archives;
        file->records_per_file = read_count(text.records);
        if (!archive_file(file->name, file->archives)) report_file(file, kCauseArchive + errno, -1);
    } else {
        file->archives = 0;
        file->records_per_file = 0;
    }
    file->records_written = 0;
    file->mode = text.mode;
    file->uid = lookup_uid(text.owner);
    file->gid = lookup_gid(text.group);
    return true;
}

bool append_route(zel_svc_routes_t *block, zel_svc_route_t *route) {
    if (block->count == block->capacity) {
        // Doubling keeps a list of many routes linear to build.
        if (block->capacity > INT_MAX / 2) return false;
        int capacity = block->capacity < 4 ? 4 : block->capacity * 2;
        auto *grown = static_cast<zel_svc_route_t **>(
            std::realloc(block->routes, sizeof(zel_svc_route_t *) * static_cast<size_t>(capacity)));
        if (!grown) return false;
        block->routes = grown;
        block->capacity = capacity;
    }
    block->routes[block->count++] = route;
    return true;
}

// Fills in a route that is already in its block; false stops the build with
// the status set.
bool build_route(zel_svc_route_t *route, const RouteText &text, unsigned32 *status) {
    if (int kind = stream_kind(text.keyword)) {
        route->kind = kind;
        route->open = 1;
        return true;
    }
    if (std::strcmp(text.keyword, "GOESTO") == 0) {
        route->target = strdup(text.parameter);
        if (!route->target) {
            *status = ZEL_S_SVC_NO_MEMORY;
            return false;
        }
        route->kind = ZEL_SVC_ROUTE_GOESTO;
        route->open = 1;
        return true;
    }
    if (int kind = file_kind(text.keyword)) {
        zel_svc_fileroute_t *file = nullptr;
        try {
            file = reference_file(expand_file_pattern(text.parameter, zel_svc__get_pid()));
        } catch (const std::bad_alloc &) {
            // reported below as no memory, like a failed allocation of the record
        }
        if (!file) {
            *status = ZEL_S_SVC_NO_MEMORY;
            return false;
        }
        route->kind = kind;
        route->target = file;
        mark_file_route(route, kind);
        if (file->references == 1 && !set_up_file(file, text)) {
            *status = ZEL_S_SVC_NO_MEMORY;
            return false;
        }
        return true;  // opened when the first record is written
    }
    // Any other keyword names a dynamic route; the copies let it be connected
    // when a route of that name is added later.
    route->keyword = strdup(text.keyword);
    route->parameter = strdup(text.parameter);
    if (!route->keyword || !route->parameter) {
        *status = ZEL_S_SVC_NO_MEMORY;
        return false;
    }
    zel_svc_dyn_route *entry = nullptr;
    zel__svc_dyn_route_open(route->keyword, route->parameter, &entry, &route->route_data, status);
    if (*status == 0) {
        route->target = entry;
        route->kind = ZEL_SVC_ROUTE_DYNAMIC;
        route->open = 1;
    } else if (*status == ZEL_S_SVC_BAD_ROUTE_SPEC) {
        *status = 0;  // not registered yet: wait at the fallback
        route->target = nullptr;
        route->open = 1;
    } else {
        route->target = nullptr;  // refused: the fallback, and the status says so
    }
    return true;
}

}  // namespace

void open_routes(zel_svc_routes_t *block, int fallback, const char *route_list,
                 unsigned32 *status) {
    zel_svc__register_fork_handler_once();
    block->count = 0;
    if (!route_list || !*route_list) return;
    char *list = strdup(route_list);
    if (!list) return;

    char *next = list;
    while (*next) {
        char *route_text = cut_item(&next, ';');
        while (*next == ';') ++next;  // empty routes between separators are no routes
        RouteText text;
        if (!cut_route(route_text, &text)) {
            *status = ZEL_S_SVC_BAD_ROUTE_SPEC;
            break;
        }
        auto *route = static_cast<zel_svc_route_t *>(std::calloc(1, sizeof(zel_svc_route_t)));
        if (!route || !append_route(block, route)) {
            std::free(route);
            *status = ZEL_S_SVC_NO_MEMORY;
            break;
        }
        route->kind = fallback;
        route->fallback = fallback;
        *status = 0;
        if (!build_route(route, text, status)) break;
    }
    std::free(list);
}

}  // namespace zel
