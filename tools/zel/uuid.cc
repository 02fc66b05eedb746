// zel uuid [-n N] | --parse TEXT: makes time-based identifiers, one per line,
// or shows the fields of one, with its time stamp as UTC text.
#include <zel/zel.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "arguments.h"
#include "commands.h"

namespace {

constexpr long kMostAtOnce = 1000000000;

// A whole number from 1 to kMostAtOnce, digits only.
bool parse_count(const char *text, long *count) {
    size_t digits = std::strspn(text, "0123456789");
    if (digits == 0 || text[digits] != '\0' || digits > 10) return false;
    *count = std::strtol(text, nullptr, 10);
    return *count >= 1 && *count <= kMostAtOnce;
}

// "YYYY-MM-DD hh:mm:ss.fffffff UTC" of a 100-ns count since 1582-10-15.
void print_stamp(unsigned long long stamp) {
    const long long kDaysFrom1582To1970 = 141427;
    unsigned long long seconds = stamp / 10000000, units = stamp % 10000000;
    long long days = static_cast<long long>(seconds / 86400) - kDaysFrom1582To1970;
    unsigned long long in_day = seconds % 86400;
    // The proleptic Gregorian date of a day count since 1970-01-01.
    days += 719468;
    long long era = (days >= 0 ? days : days - 146096) / 146097;
    long long of_era = days - era * 146097;
    long long year_of_era = (of_era - of_era / 1460 + of_era / 36524 - of_era / 146096) / 365;
    long long day_of_year = of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
    long long month_index = (5 * day_of_year + 2) / 153;
    long long day = day_of_year - (153 * month_index + 2) / 5 + 1;
    long long month = month_index < 10 ? month_index + 3 : month_index - 9;
    long long year = year_of_era + era * 400 + (month <= 2);
    std::printf("time                       %04lld-%02lld-%02lld %02llu:%02llu:%02llu.%07llu UTC\n",
                year, month, day, in_day / 3600, in_day / 60 % 60, in_day % 60, units);
}

// The identifier module's statuses have no catalog texts: say them here.
std::string uuid_status_text(unsigned int status) {
    const char *meaning =
        status == ZEL_S_UUID_BAD_TEXT      ? "not an identifier's text form"
        : status == ZEL_S_UUID_BAD_VARIANT ? "the identifier has an invalid variant"
        : status == ZEL_S_UUID_NO_ADDRESS  ? "no network address of this host was found"
        : status == ZEL_S_UUID_NO_MEMORY   ? "out of memory"
                                           : nullptr;
    if (!meaning) return zeltool::status_text(status);
    char code[32];
    std::snprintf(code, sizeof code, " (status 0x%08x)", status);
    return meaning + std::string(code);
}

int parse(const char *name, const char *text) {
    vr_uuid_t u;
    unsigned int status;
    vr_uuid_from_string(text, &u, &status);
    if (status != 0)
        return zeltool::failure(name, "'%s': %s", text, uuid_status_text(status).c_str());
    unsigned version = u.time_hi_and_version >> 12;
    unsigned char v = u.clock_seq_hi_and_reserved;
    const char *variant = v < 0x80 ? "0" : v < 0xC0 ? "10" : "110";
    unsigned sequence = v < 0x80 ? (v & 0x7F) << 8 : v < 0xC0 ? (v & 0x3F) << 8 : (v & 0x1F) << 8;
    sequence |= u.clock_seq_low;
    std::printf("time_low                   0x%08x\n", static_cast<unsigned>(u.time_low));
    std::printf("time_mid                   0x%04x\n", u.time_mid);
    std::printf("time_hi_and_version        0x%04x\n", u.time_hi_and_version);
    std::printf("clock_seq_hi_and_reserved  0x%02x\n", u.clock_seq_hi_and_reserved);
    std::printf("clock_seq_low              0x%02x\n", u.clock_seq_low);
    std::printf("node                       %02x:%02x:%02x:%02x:%02x:%02x\n", u.node[0], u.node[1],
                u.node[2], u.node[3], u.node[4], u.node[5]);
    std::printf("version                    %u\n", version);
    std::printf("variant                    %s\n", variant);
    std::printf("clock sequence             %u\n", sequence);
    if (version == 1) {
        print_stamp(u.time_low | static_cast<unsigned long long>(u.time_mid) << 32 |
                    static_cast<unsigned long long>(u.time_hi_and_version & 0x0FFF) << 48);
    }
    return zeltool::finish(name, zeltool::kDone);
}

}  // namespace

const zeltool::Help zeltool::kUuidHelp = {
    "zel uuid", "[-n N]\n--parse TEXT", "make time-based identifiers, or show the fields of one",
    "Prints N new identifiers (1 by default), one per line. --parse shows the\n"
    "fields of an identifier in either text form, and the UTC time of a version 1 one.",
    "zel uuid --parse 13814000-1dd2-11b2-8123-0123456789ab"};

int zeltool::uuid(int argc, char **argv) {
    const char *name = kUuidHelp.command;
    Arguments args;
    int ended;
    if (!args.start(kUuidHelp, &argc, &argv, &ended, {{"n", true}, {"parse", true}})) return ended;
    if (argc > 0) return usage_error(name, "unknown argument '%s'", argv[0]);
    const char *count_text = args.value("n"), *text = args.value("parse");
    if (count_text && text) return usage_error(name, "-n and --parse cannot go together");
    if (text) return parse(name, text);
    long count = 1;
    if (count_text && !parse_count(count_text, &count))
        return usage_error(name, "'%s' is not a count from 1 to %ld", count_text, kMostAtOnce);
    for (long i = 0; i < count; ++i) {
        vr_uuid_t u;
        unsigned int status;
        char *line = nullptr;
        vr_uuid_create(&u, &status);
        if (status == 0) vr_uuid_to_string(&u, &line, &status);
        if (status != 0) return failure(name, "%s", uuid_status_text(status).c_str());
        std::puts(line);
        vr_uuid_string_free(&line, &status);
        if (std::ferror(stdout)) break;
    }
    return finish(name, kDone);
}
