// Loading the version-1 section of a compiled time-zone file into the zone
// state. Every count is checked against its limit and against the bytes read,
// so that a truncated or lying file is refused rather than read past.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "time/zone_state.h"

namespace zel {

namespace {

constexpr char kZoneDir[] = "/usr/share/zoneinfo";
constexpr char kLocalDir[] = "/etc";
constexpr char kLocalName[] = "localtime";
constexpr size_t kMaxPath = 4096;
constexpr size_t kHeaderSize = 44;
// The most that a version-1 section within the limits can need.
constexpr size_t kMaxFileBytes =
    kHeaderSize + 5 * kMaxTimes + 6 * kMaxTypes + kMaxChars + 8 * kMaxLeaps + kMaxTypes;

int32_t detzcode(const unsigned char *p) {
    uint32_t v = (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
    return static_cast<int32_t>(v);
}

// The path of a zone name (`name` itself or `room`), or null when too long.
const char *zone_path(const char *name, char (&room)[kMaxPath + 1]) {
    if (name[0] == '/') return name;
    const char *dir = std::strcmp(name, kLocalName) == 0 ? kLocalDir : kZoneDir;
    size_t dirlen = std::strlen(dir), namelen = std::strlen(name);
    if (dirlen + 1 + namelen > kMaxPath) return nullptr;
    std::memcpy(room, dir, dirlen);
    room[dirlen] = '/';
    std::memcpy(room + dirlen + 1, name, namelen + 1);
    return room;
}

void fill_id(const struct stat64 &st, FileId *id) {
    *id =
        FileId{uint64_t(st.st_dev),        uint64_t(st.st_ino),         int64_t(st.st_size),
               int64_t(st.st_mtim.tv_sec), int64_t(st.st_mtim.tv_nsec), int64_t(st.st_ctim.tv_sec),
               int64_t(st.st_ctim.tv_nsec)};
}

// Reads up to `cap` bytes of a regular file; -1 on any failure.
long read_zone_file(const char *path, unsigned char *buf, size_t cap, FileId *id) {
    // Non-blocking, so that a FIFO named in TZ cannot hang the caller.
    int fd = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return -1;
    struct stat64 st;  // the 64-bit form: large inode numbers fail fstat on i386
    size_t got = 0;
    bool ok = fstat64(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (ok && id) fill_id(st, id);
    while (ok && got < cap) {
        ssize_t n = read(fd, buf + got, cap - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ok = false;
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    if (close(fd) != 0) ok = false;
    return ok ? static_cast<long>(got) : -1;
}

// Zone files with leap-second records count their transition times with the
// leap seconds; take each back to POSIX time.
void remove_leap_seconds(ZoneState *sp, const unsigned char *leaps, int leapcnt) {
    for (int i = 0; i < sp->timecnt; ++i) {
        int64_t correction = 0;
        for (int j = 0; j < leapcnt && detzcode(leaps + 8 * j) <= sp->ats[i]; ++j) {
            correction = detzcode(leaps + 8 * j + 4);
        }
        sp->ats[i] -= correction;
    }
}

int parse_zone_file(const unsigned char *buf, size_t size, ZoneState *sp) {
    if (size < kHeaderSize) return -1;
    int32_t stdcnt = detzcode(buf + 24);
    int32_t leapcnt = detzcode(buf + 28);
    int32_t timecnt = detzcode(buf + 32);
    int32_t typecnt = detzcode(buf + 36);
    int32_t charcnt = detzcode(buf + 40);
    if (leapcnt < 0 || leapcnt > kMaxLeaps || timecnt < 0 || timecnt > kMaxTimes || typecnt < 1 ||
        typecnt > kMaxTypes || charcnt < 0 || charcnt > kMaxChars ||
        (stdcnt != 0 && stdcnt != typecnt)) {
        return -1;
    }
    size_t need = kHeaderSize + 5 * size_t(timecnt) + 6 * size_t(typecnt) + size_t(charcnt) +
                  8 * size_t(leapcnt) + size_t(stdcnt);
    if (need > size) return -1;

    sp->timecnt = timecnt;
    sp->typecnt = typecnt;
    sp->charcnt = charcnt;
    const unsigned char *p = buf + kHeaderSize;
    for (int i = 0; i < timecnt; ++i, p += 4) sp->ats[i] = detzcode(p);
    for (int i = 0; i < timecnt; ++i, ++p) {
        if (*p >= typecnt) return -1;
        sp->types[i] = *p;
    }
    for (int i = 0; i < typecnt; ++i, p += 6) {
        TimeType &tt = sp->ttis[i];
        tt.offset = detzcode(p);
        tt.isdst = p[4];
        tt.abbr = p[5];
        if (tt.isdst > 1 || tt.abbr > charcnt) return -1;
    }
    std::memcpy(sp->chars, p, size_t(charcnt));
    sp->chars[charcnt] = '\0';
    p += charcnt;
    const unsigned char *leaps = p;
    p += 8 * size_t(leapcnt);
    for (int i = 0; i < typecnt; ++i) {
        int flag = i < stdcnt ? p[i] : 0;
        if (flag > 1) return -1;
        sp->ttis[i].isstd = flag;
    }
    remove_leap_seconds(sp, leaps, leapcnt);
    return 0;
}

}  // namespace

int zone_file_id(const char *name, FileId *id) {
    if (!name) name = kLocalName;
    if (name[0] == ':') ++name;
    char room[kMaxPath + 1];
    const char *path = zone_path(name, room);
    struct stat64 st;
    if (!path || stat64(path, &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    fill_id(st, id);
    return 0;
}

int tzload(const char *name, ZoneState *sp, FileId *id) {
    if (!name) name = kLocalName;
    if (name[0] == ':') ++name;
    char room[kMaxPath + 1];
    const char *path = zone_path(name, room);
    if (!path) return -1;
    // Names that may climb out of the zone directory must at least exist.
    if ((name[0] == '/' || std::strchr(name, '.')) && access(path, F_OK) != 0) return -1;
    auto *buf = static_cast<unsigned char *>(std::malloc(kMaxFileBytes));
    if (!buf) return -1;
    long size = read_zone_file(path, buf, kMaxFileBytes, id);
    int result = size < 0 ? -1 : parse_zone_file(buf, static_cast<size_t>(size), sp);
    std::free(buf);
    return result;
}

}  // namespace zel
