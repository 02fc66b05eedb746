// The zone state: transitions and local time types of one time zone, as
// loaded from a compiled zone file or built from a POSIX TZ rule string.
#ifndef ZEL_TIME_ZONE_STATE_H
#define ZEL_TIME_ZONE_STATE_H

#include <cstdint>

namespace zel {

// Limits of the compiled zone file format's version-1 section, so that every
// zone of the installed database fits.
constexpr int kMaxTimes = 2000;
constexpr int kMaxTypes = 256;
constexpr int kMaxChars = 512;
constexpr int kMaxLeaps = 64;
// Characters that a rule string may use: a name of up to 100 and its NUL.
constexpr int kMaxRuleChars = 101;

struct TimeType {
    long offset;  // seconds east of UTC
    int isdst;
    int abbr;   // index into ZoneState::chars
    int isstd;  // transitions into this type were given in standard time
};

struct ZoneState {
    int timecnt;
    int typecnt;
    int charcnt;
    int64_t ats[kMaxTimes];          // POSIX seconds, ascending
    unsigned char types[kMaxTimes];  // type in force from each transition on
    TimeType ttis[kMaxTypes];
    char chars[kMaxChars + 1];  // NUL-separated abbreviations
};

// A daylight-saving rule of a POSIX string.
struct Rule {
    enum Kind { kJulianDay, kDayOfYear, kMonthWeekDay } kind;
    int day;    // Julian day 1..365, day of year 0..365, or weekday 0..6
    int week;   // 1..5, 5 meaning the last
    int mon;    // 1..12
    long time;  // seconds after local midnight
};

// What tells one file from another, or the same file after it was rewritten.
struct FileId {
    uint64_t dev, ino;
    int64_t size, mtime_sec, mtime_nsec, ctime_sec, ctime_nsec;
    bool operator==(const FileId &o) const {
        return dev == o.dev && ino == o.ino && size == o.size && mtime_sec == o.mtime_sec &&
               mtime_nsec == o.mtime_nsec && ctime_sec == o.ctime_sec && ctime_nsec == o.ctime_nsec;
    }
};

// Fills `sp` from a zone file: a null name means "localtime" in /etc, a name
// starting with "/" is a path, any other is under /usr/share/zoneinfo (a
// leading ":" is skipped). 0, or -1 with `sp` possibly partly overwritten.
// On success `id` (when given) identifies the file that was read.
int tzload(const char *name, ZoneState *sp, FileId *id = nullptr);

// The identity of the file that tzload would read for `name` now; -1 when
// there is none.
int zone_file_id(const char *name, FileId *id);

// Fills `sp` from a POSIX rule string such as "EST5EDT,M3.2.0,M11.1.0"; with
// `lastditch`, the whole string is taken as the name of a zone at UTC.
// `used_file` (when given) tells whether the "posixrules" file was read.
int tzparse(const char *name, bool lastditch, ZoneState *sp, bool *used_file = nullptr);

// The transitions and types of `rules` (the "posixrules" zone) moved to the
// given standard and daylight offsets (seconds west of UTC). Every daylight
// type must differ from ours by one amount, every standard type by another,
// and both kinds must occur; else -1.
int rebase_rules(const ZoneState &rules, long stdoffset, long dstoffset, int dst_abbr,
                 ZoneState *sp);

// POSIX time at which `rule` takes effect in `year`, whose January 1 00:00
// UTC is `janfirst`, in a zone `offset` seconds west of UTC.
int64_t transtime(int64_t janfirst, int year, const Rule &rule, long offset);

// The type in force at POSIX time `seconds`.
const TimeType &type_at(const ZoneState &sp, int64_t seconds);

}  // namespace zel

#endif
