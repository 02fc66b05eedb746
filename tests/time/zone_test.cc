// Time-zone rules, zone files and the local zone against glibc's localtime_r.
#include <ftw.h>

#include <memory>

#include "support/test_support.h"
#include "time/zone_state.h"
#include "time_test_util.h"

using namespace zeltest;
using zel::ZoneState;

namespace {

int load_bytes(const std::string &bytes, ZoneState *sp) {
    TempDir dir;
    write_file(dir.file("zone"), bytes);
    return zel::tzload(dir.file("zone").c_str(), sp);
}

constexpr int64_t kEnd = 2145916799;  // 2037-12-31 23:59:59, within a 32-bit time_t

// "offset daylight abbreviation" as glibc sees them.
std::string glibc_at(int64_t t) {
    time_t tt = static_cast<time_t>(t);
    struct tm tm;
    localtime_r(&tt, &tm);
    return std::to_string(tm.tm_gmtoff) + " " + std::to_string(tm.tm_isdst > 0) + " " + tm.tm_zone;
}

// The first second at which `at` differs from its value at `lo`.
template <typename F>
int64_t change_after(F at, int64_t lo, int64_t hi) {
    std::string first = at(lo);
    while (hi - lo > 1) {
        int64_t mid = lo + (hi - lo) / 2;
        (at(mid) == first ? lo : hi) = mid;
    }
    return hi;
}

// Every change found day by day on either side, compared around each one.
void compare(const char *tz, int64_t from) {
    set_tz(tz);
    std::set<int64_t> changes;
    for (int64_t t = from; t < kEnd; t += 86400) {
        int64_t next = t + 86400 < kEnd ? t + 86400 : kEnd;
        ASSERT_EQ(zone_at(t), glibc_at(t)) << tz << " at " << t;
        if (glibc_at(next) != glibc_at(t)) changes.insert(change_after(glibc_at, t, next));
        if (zone_at(next) != zone_at(t)) changes.insert(change_after(zone_at, t, next));
    }
    for (int64_t c : changes) {
        for (int64_t t : {c - 7200, c - 3600, c - 1, c, c + 3600, c + 7200}) {
            if (t < from || t > kEnd) continue;
            EXPECT_EQ(zone_at(t), glibc_at(t)) << tz << " at " << t;
        }
    }
}

}  // namespace

TEST(ZoneChoice, CasesOfTheRules) {
    const std::tuple<const char *, int64_t, const char *> cases[] = {
        {"", 1625097600, "0 0 GMT"},
        {"EST5EDT,M3.2.0,M11.1.0", 2224713600LL, "-18000 0 EST"},  // past 32 bits
        {"XYZ", 0, "0 0 XYZ"},
        {"AB5", 0, "0 0 AB5"},
        {":No/Such_Zone", 0, "0 0 :No/Such_Zone"}};
    for (const auto &[tz, at, want] : cases) {
        set_tz(tz);
        EXPECT_EQ(zone_at(at), want) << tz;
    }
    set_tz("CET-1CEST,M3.5.0,M10.5.0/3");
    char cut[5] = "zzzz";
    zel_utc_t v = from_unix(1616893200);
    zel_utc_localzone(cut, 3, nullptr, nullptr, &v);
    EXPECT_EQ(std::string(cut, 4), "CESz");
}

TEST(ZoneChoice, RebuiltOnlyWhenTzChanges) {
    TempDir dir;
    std::string path = dir.file("zone");
    write_file(path, zone_file({100000, 200000}));
    set_tz((":" + path).c_str());
    EXPECT_EQ(zone_at(150000), "7200 1 ADT");
    ASSERT_EQ(unlink(path.c_str()), 0);
    EXPECT_EQ(zone_at(150000), "7200 1 ADT");  // no file read while TZ stays
    set_tz("XYZ");
    EXPECT_EQ(zone_at(150000), "0 0 XYZ");
    set_tz((":" + path).c_str());
    EXPECT_EQ(zone_at(150000), "0 0 :" + path);
}

TEST(ZoneChoice, AnyThreadMayAsk) {
    set_tz("CET-1CEST,M3.5.0,M10.5.0/3");  // the threads race to build it
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int n = 0; n < 4; ++n) {
        threads.emplace_back([&wrong] {
            for (int i = 0; i < 5000; ++i) {
                zel_utc_t v = from_unix(1616893200 - i % 2);
                long off;
                char text[64];
                zel_utc_localzone(nullptr, 0, &off, nullptr, &v);
                zel_utc_asclocaltime(text, sizeof text - 1, &v);
                const char *want =
                    i % 2 ? "2021-03-28-01:59:59.000+01:00I-----" : "2021-03-28-03:00:00.000+02:00I-----";
                if (off != (i % 2 ? 3600 : 7200) || std::strcmp(text, want) != 0) ++wrong;
            }
        });
    }
    for (std::thread &t : threads) t.join();
    EXPECT_EQ(wrong, 0);
}

TEST(ZoneRules, RefusedAndAcceptedStrings) {
    std::unique_ptr<ZoneState> s(new ZoneState);
    for (const char *bad :
         {"AB5", "EST25", "EST5:60", "EST5EDT,M13.1.0,M11.1.0", "EST5EDT,M3.6.0,M11.1.0", "EST5EDT,M3.2.7,M11.1.0",
          "EST5EDT,J0,J100", "EST5EDT,J366,J100", "EST5EDT,366,100", "EST5EDT,M3.2.0", "EST5EDT,M3.2.0,M11.1.0x",
          "EST5ED,M3.2.0,M11.1.0", "EST5EDT,M3.2.0/25,M11.1", "EST5EDT4:", "EST5EDT,X1,M11.1.0"}) {
        EXPECT_EQ(zel::tzparse(bad, false, s.get()), -1) << bad;
    }
    EXPECT_EQ(zel::tzparse((std::string(60, 'A') + "5" + std::string(41, 'B') + ",0,1").c_str(), false, s.get()), -1);
    for (const char *good : {"EST5EDT,M3.2.0/2:30:15,M11.1.0", "EST+5EDT4;J60,300", "IST-5:30", "XYZ"}) {
        EXPECT_EQ(zel::tzparse(good, false, s.get()), 0) << good;
    }
    EXPECT_EQ(zel::tzparse(std::string(150, 'N').c_str(), true, s.get()), 0);
    EXPECT_EQ(std::string(s->chars), std::string(100, 'N'));
}

TEST(ZoneRules, RebaseFollowsTheClockInForce) {
    std::unique_ptr<ZoneState> rules(new ZoneState), s(new ZoneState);
    rules->typecnt = 3;
    rules->ttis[0] = {-18000, 0, 0, 0};
    rules->ttis[1] = {-14400, 1, 4, 0};
    rules->ttis[2] = {-18000, 0, 0, 1};  // its transitions are given in standard time
    rules->timecnt = 4;
    const unsigned char type[] = {1, 0, 1, 2};
    for (int i = 0; i < 4; ++i) rules->ats[i] = 100000 * (i + 1), rules->types[i] = type[i];
    // XST6XDT4: standard clocks differ by 3600, daylight ones by 0.
    ASSERT_EQ(zel::rebase_rules(*rules, 21600, 14400, 4, s.get()), 0);
    EXPECT_EQ(std::vector<int64_t>(s->ats, s->ats + 4), (std::vector<int64_t>{103600, 200000, 303600, 403600}));
    EXPECT_EQ(std::vector<long>({s->ttis[0].offset, s->ttis[1].offset, s->ttis[1].abbr}),
              (std::vector<long>{-21600, -14400, 4}));
    rules->ttis[2].offset = -17762;  // a standard type of another distance
    EXPECT_EQ(zel::rebase_rules(*rules, 21600, 14400, 4, s.get()), -1);
    rules->typecnt = 1;
    EXPECT_EQ(zel::rebase_rules(*rules, 21600, 14400, 4, s.get()), -1);
}

TEST(ZoneFile, LoadsAndRefusesLyingFiles) {
    std::unique_ptr<ZoneState> s(new ZoneState);
    ASSERT_EQ(load_bytes(zone_file({100000, 200000}), s.get()), 0);
    for (int64_t t : {99999, 100000, 199999, 200000})
        EXPECT_EQ(zel::type_at(*s, t).offset, t >= 100000 && t < 200000 ? 7200 : 3600) << t;
    // Leap-second records: transition times are taken back to POSIX time.
    ASSERT_EQ(load_bytes(zone_file({100000, 200000}, 3), s.get()), 0);
    EXPECT_EQ(s->ats[0], 100000 - 3);

    const std::string good = zone_file({100000, 200000});
    std::vector<std::string> bad = {good.substr(0, good.size() - 1), good.substr(0, 43)};
    // Counts that lie (32-bit fields), then a type index, an abbreviation index, a flag (bytes).
    const size_t types = 44 + 8, ttis = types + 2, flags = ttis + 12 + 8;
    const std::pair<size_t, int32_t> counts[] = {{24, 1}, {28, -1}, {28, 65},  {32, 2001}, {32, -5},
                                                 {32, 3}, {36, 0},  {36, 257}, {40, 513},  {40, 9}};
    const std::pair<size_t, char> bytes[] = {{types, 2}, {ttis + 4, 2}, {ttis + 5, 9}, {flags, 2}};
    for (auto [at, value] : counts) bad.push_back(good), put32(&bad.back(), at, value);
    for (auto [at, value] : bytes) bad.push_back(good), bad.back()[at] = value;
    for (size_t i = 0; i < bad.size(); ++i) EXPECT_EQ(load_bytes(bad[i], s.get()), -1) << i;

    // The format's limits fit: 2000 transitions.
    std::vector<int32_t> many(2000);
    for (int i = 0; i < 2000; ++i) many[i] = i * 1000;
    EXPECT_EQ(load_bytes(zone_file(many), s.get()), 0);
    EXPECT_EQ(zel::type_at(*s, 1999000).offset, 3600);

    // Names that cannot be zone files.
    TempDir dir;
    ASSERT_EQ(mkfifo(dir.file("fifo").c_str(), 0600), 0);
    for (std::string name : {dir.file("fifo"), dir.path(), std::string(5000, 'a'), std::string("no.such.zone"),
                             std::string("/no/such/zone")}) {
        EXPECT_EQ(zel::tzload(name.c_str(), s.get()), -1) << name.substr(0, 40);
    }
}

TEST(ZoneFile, EveryInstalledZoneLoads) {
    static int zones, refused;
    nftw64(
        "/usr/share/zoneinfo",
        [](const char *path, const struct stat64 *, int kind, struct FTW *) {
            if (kind == FTW_F && read_file(path).compare(0, 4, "TZif") == 0) {
                std::unique_ptr<ZoneState> s(new ZoneState);
                ++zones;
                if (zel::tzload(path, s.get()) != 0) ADD_FAILURE() << path << " refused " << ++refused;
            }
            return 0;
        },
        16, 0);
    if (zones == 0) GTEST_SKIP() << "no zone files installed";
}

TEST(ZoneVsGlibc, RuleStrings) {
    std::unique_ptr<ZoneState> s(new ZoneState);
    for (const char *rule : {"EST5EDT,M3.2.0,M11.1.0", "CET-1CEST,M3.5.0,M10.5.0/3",
                             "XNT3:30XND2:30,M3.2.0/0:01,M11.1.0/0:01:30",                   // northern
                             "AEST-10AEDT,M10.1.0,M4.1.0/3", "NZST-12NZDT,M9.5.0,M4.1.0/3",  // southern
                             "IST-5:30", "XJT3XJS,J60/1,J300/3", "XZT-2XZS,59,300/1:30", "XYT+4XYS+3,0/5,365/1"}) {
        // Rule zones start at their first transition, in standard time.
        ASSERT_EQ(zel::tzparse(rule, false, s.get()), 0) << rule;
        compare(rule, s->timecnt ? s->ats[0] : 0);
    }
}

TEST(ZoneVsGlibc, InstalledZoneFiles) {
    int compared = 0;
    for (const char *name :
         {"Europe/Paris", "America/New_York", "Australia/Lord_Howe", "Asia/Kolkata", "Pacific/Chatham"}) {
        if (access((std::string("/usr/share/zoneinfo/") + name).c_str(), R_OK) != 0) continue;
        compare(name, 0);
        ++compared;
    }
    if (compared == 0) GTEST_SKIP() << "no zone files installed";
}
