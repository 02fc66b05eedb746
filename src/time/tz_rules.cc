// Building the zone state from a POSIX TZ rule string ("EST5EDT,M3.2.0,
// M11.1.0"): scanning names, offsets and rules, the time of a rule in a year,
// and the transitions of 1970 to 2037, or those of "posixrules" re-based.
#include <cstring>
#include <memory>
#include <new>

#include "time/zone_state.h"

namespace zel {

namespace {

constexpr int kYearLengths[2] = {365, 366};
constexpr int kMonLengths[2][12] = {{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
                                    {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31}};
constexpr int kFirstRuleYear = 1970;
constexpr int kLastRuleYear = 2037;
constexpr long kDefaultRuleTime = 2 * 3600;
constexpr int kMinNameLength = 3;
constexpr size_t kMaxLastDitchName = 100;
constexpr char kPosixRules[] = "posixrules";

bool is_leap(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The end of a zone name: the first digit, ",", "-", "+" or the end.
const char *getzname(const char *p) {
    while (*p && !is_digit(*p) && *p != ',' && *p != '-' && *p != '+') ++p;
    return p;
}

// A decimal number in min..max; null when there is none or it is out of range.
const char *getnum(const char *p, int *num, int min, int max) {
    if (!is_digit(*p)) return nullptr;
    int value = 0;
    for (; is_digit(*p); ++p) {
        value = value * 10 + (*p - '0');
        if (value > max) return nullptr;
    }
    if (value < min) return nullptr;
    *num = value;
    return p;
}

// hh[:mm[:ss]] as seconds.
const char *getsecs(const char *p, long *secs) {
    int num;
    if (!(p = getnum(p, &num, 0, 24))) return nullptr;
    *secs = num * 3600L;
    if (*p == ':') {
        if (!(p = getnum(p + 1, &num, 0, 59))) return nullptr;
        *secs += num * 60L;
        if (*p == ':') {
            if (!(p = getnum(p + 1, &num, 0, 59))) return nullptr;
            *secs += num;
        }
    }
    return p;
}

// [+|-]hh[:mm[:ss]]: seconds west of UTC, as POSIX counts them.
const char *getoffset(const char *p, long *offset) {
    bool negative = *p == '-';
    if (*p == '-' || *p == '+') ++p;
    if (!(p = getsecs(p, offset))) return nullptr;
    if (negative) *offset = -*offset;
    return p;
}

// Jn, n or Mm.w.d, then an optional /time.
const char *getrule(const char *p, Rule *rule) {
    if (*p == 'J') {
        rule->kind = Rule::kJulianDay;
        p = getnum(p + 1, &rule->day, 1, 365);
    } else if (*p == 'M') {
        rule->kind = Rule::kMonthWeekDay;
        if (!(p = getnum(p + 1, &rule->mon, 1, 12)) || *p != '.') return nullptr;
        if (!(p = getnum(p + 1, &rule->week, 1, 5)) || *p != '.') return nullptr;
        p = getnum(p + 1, &rule->day, 0, 6);
    } else if (is_digit(*p)) {
        rule->kind = Rule::kDayOfYear;
        p = getnum(p, &rule->day, 0, 365);
    } else {
        return nullptr;
    }
    if (!p) return nullptr;
    rule->time = kDefaultRuleTime;
    if (*p == '/') p = getsecs(p + 1, &rule->time);
    return p;
}

void set_type(TimeType *tt, long offset, int isdst, int abbr) {
    tt->offset = offset;
    tt->isdst = isdst;
    tt->abbr = abbr;
    tt->isstd = 0;
}

// Two types and the start and end of daylight time in each year of 1970..2037.
void fill_from_rules(ZoneState *sp, const Rule &start, const Rule &end, long stdoffset,
                     long dstoffset, int dst_abbr) {
    sp->typecnt = 2;
    set_type(&sp->ttis[0], -dstoffset, 1, dst_abbr);
    set_type(&sp->ttis[1], -stdoffset, 0, 0);
    int n = 0;
    int64_t janfirst = 0;
    for (int year = kFirstRuleYear; year <= kLastRuleYear; ++year) {
        int64_t start_time = transtime(janfirst, year, start, stdoffset);
        int64_t end_time = transtime(janfirst, year, end, dstoffset);
        bool end_first = start_time > end_time;
        sp->ats[n] = end_first ? end_time : start_time;
        sp->types[n++] = end_first ? 1 : 0;
        sp->ats[n] = end_first ? start_time : end_time;
        sp->types[n++] = end_first ? 0 : 1;
        janfirst += kYearLengths[is_leap(year)] * 86400L;
    }
    sp->timecnt = n;
}

}  // namespace

int rebase_rules(const ZoneState &rules, long stdoffset, long dstoffset, int dst_abbr,
                 ZoneState *sp) {
    int64_t diff[2] = {0, 0};  // standard, daylight
    bool seen[2] = {false, false};
    for (int i = 0; i < rules.typecnt; ++i) {
        int dst = rules.ttis[i].isdst;
        int64_t d = int64_t{rules.ttis[i].offset} + (dst ? dstoffset : stdoffset);
        if (seen[dst] && d != diff[dst]) return -1;
        diff[dst] = d;
        seen[dst] = true;
    }
    if (!seen[0] || !seen[1]) return -1;

    sp->timecnt = rules.timecnt;
    sp->typecnt = rules.typecnt;
    bool dst_before = false;
    for (int i = 0; i < rules.timecnt; ++i) {
        const TimeType &tt = rules.ttis[rules.types[i]];
        // The rule's wall time was read on the clock in force before it.
        bool on_dst_clock = dst_before && !tt.isstd;
        sp->ats[i] = rules.ats[i] + diff[on_dst_clock ? 1 : 0];
        sp->types[i] = rules.types[i];
        dst_before = tt.isdst;
    }
    for (int i = 0; i < rules.typecnt; ++i) {
        const TimeType &tt = rules.ttis[i];
        set_type(&sp->ttis[i], tt.isdst ? -dstoffset : -stdoffset, tt.isdst,
                 tt.isdst ? dst_abbr : 0);
        sp->ttis[i].isstd = tt.isstd;
    }
    return 0;
}

int64_t transtime(int64_t janfirst, int year, const Rule &rule, long offset) {
    int leap = is_leap(year);
    int64_t value = janfirst;
    switch (rule.kind) {
    case Rule::kJulianDay:
        // Day 60 is March 1 in every year: February 29 is never counted.
        value += (rule.day - 1) * 86400L;
        if (leap && rule.day >= 60) value += 86400;
        break;
    case Rule::kDayOfYear: value += rule.day * 86400L; break;
    case Rule::kMonthWeekDay: {
        for (int m = 0; m < rule.mon - 1; ++m) value += kMonLengths[leap][m] * 86400L;
        // Weekday of the first of the month, by Zeller's congruence.
        int m1 = (rule.mon + 9) % 12 + 1;
        int yy0 = rule.mon <= 2 ? year - 1 : year;
        int yy1 = yy0 / 100;
        int yy2 = yy0 % 100;
        int dow = ((26 * m1 - 2) / 10 + 1 + yy2 + yy2 / 4 + yy1 / 4 - 2 * yy1) % 7;
        if (dow < 0) dow += 7;
        int d = rule.day - dow;
        if (d < 0) d += 7;
        for (int w = 1; w < rule.week; ++w) {
            if (d + 7 >= kMonLengths[leap][rule.mon - 1]) break;
            d += 7;
        }
        value += d * 86400L;
        break;
    }
    }
    return value + rule.time + offset;
}

int tzparse(const char *name, bool lastditch, ZoneState *sp, bool *used_file) {
    if (used_file) *used_file = false;
    const char *stdname = name;
    size_t stdlen;
    long stdoffset = 0;
    if (lastditch) {
        stdlen = std::strlen(name);
        name += stdlen;
        if (stdlen > kMaxLastDitchName) stdlen = kMaxLastDitchName;
    } else {
        name = getzname(name);
        stdlen = static_cast<size_t>(name - stdname);
        if (stdlen < kMinNameLength) return -1;
        if (*name && !(name = getoffset(name, &stdoffset))) return -1;
    }

    const char *dstname = name;
    size_t dstlen = 0;
    if (*name == '\0') {
        sp->timecnt = 0;
        sp->typecnt = 1;
        set_type(&sp->ttis[0], -stdoffset, 0, 0);
    } else {
        name = getzname(name);
        dstlen = static_cast<size_t>(name - dstname);
        if (dstlen < kMinNameLength) return -1;
        long dstoffset = stdoffset - 3600;
        if (*name && *name != ',' && *name != ';' && !(name = getoffset(name, &dstoffset))) {
            return -1;
        }
        if (stdlen + 1 + dstlen + 1 > kMaxRuleChars) return -1;
        int dst_abbr = static_cast<int>(stdlen + 1);
        if (*name == ',' || *name == ';') {
            Rule start, end;
            if (!(name = getrule(name + 1, &start)) || *name != ',') return -1;
            if (!(name = getrule(name + 1, &end)) || *name != '\0') return -1;
            fill_from_rules(sp, start, end, stdoffset, dstoffset, dst_abbr);
        } else {
            if (*name != '\0') return -1;
            std::unique_ptr<ZoneState> rules(new (std::nothrow) ZoneState);
            if (used_file) *used_file = true;
            if (!rules || tzload(kPosixRules, rules.get()) != 0 ||
                rebase_rules(*rules, stdoffset, dstoffset, dst_abbr, sp) != 0) {
                return -1;
            }
        }
    }

    size_t charcnt = stdlen + 1 + (dstlen ? dstlen + 1 : 0);
    if (charcnt > kMaxRuleChars) return -1;
    std::memcpy(sp->chars, stdname, stdlen);
    sp->chars[stdlen] = '\0';
    if (dstlen) {
        std::memcpy(sp->chars + stdlen + 1, dstname, dstlen);
        sp->chars[stdlen + 1 + dstlen] = '\0';
    }
    sp->chars[charcnt] = '\0';  // as after a file's characters
    sp->charcnt = static_cast<int>(charcnt);
    return 0;
}

}  // namespace zel
