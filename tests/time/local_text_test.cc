// The local time text while TZ changes between calls: every change shows at the
// next call, and the zones and seconds kept never show what no longer holds.
#include "support/test_support.h"
#include "time_test_util.h"
#include "utc_text_oracle.h"

using namespace zeltest;

namespace {

constexpr int64_t kAt = 1700000000;  // 2023-11-14 22:13:20 UTC
const char kParis[] = "/usr/share/zoneinfo/Europe/Paris";

std::string local_text(int64_t seconds, int64_t units = 0) {
    zel_utc_t v = from_unix(seconds, units);
    char text[64];
    return zel_utc_asclocaltime(text, sizeof text - 1, &v) == 0 ? text : "failed";
}

// The same text made another way: the offset looked up afresh under the zone
// lock, the value rounded to its milliseconds, the digits by snprintf.
std::string reference_text(int64_t seconds, int64_t units = 0) {
    zel_utc_t v = from_unix(seconds, units);
    long off = 0;
    zel_utc_localzone(nullptr, 0, &off, nullptr, &v);
    zel_utc_t shown = from_ticks((seconds * kTicks + units + zel::kUnixToUtcTicks + 5000) / 10000 * 10000, off);
    struct tm tm, itm;
    long ns, ins, tdf;
    zel_utc_anytime(&tm, &ns, &itm, &ins, &tdf, &shown);
    char want[100];
    utc_text_oracle(want, sizeof want, tm, ns, itm, ins, tdf);
    return want;
}

}  // namespace

TEST(LocalText, EveryChangeOfTzShowsAtTheNextCall) {
    static char put[] = "TZ=Asia/Kolkata";
    static char *own[] = {const_cast<char *>("A=1"), const_cast<char *>("TZ=Pacific/Chatham"), nullptr};
    const std::vector<std::function<void()>> steps = {
        [] { setenv("TZ", "Europe/Paris", 1); },
        [] { setenv("TZ", "XST3XDT,M3.2.0,M11.1.0", 1); },
        [] { setenv("ZEL_A", "1", 1), setenv("ZEL_Z", "1", 1), unsetenv("TZ"); },
        // As many entries as before, the same last one, and TZ among them.
        [] { unsetenv("ZEL_A"), unsetenv("ZEL_Z"), setenv("TZ", kParis, 1), setenv("ZEL_Z", "1", 1); },
        [] { setenv("TZ", kParis, 1); },  // met before
        [] { putenv(put); },
        [] { std::strcpy(put + 3, "UTC"); },  // a putenv string rewritten in place
        [] { environ = own; },
        [] { setenv("TZ", "", 1); },
    };
    for (size_t i = 0; i < steps.size(); ++i) {
        steps[i]();
        std::string text = local_text(kAt, 1234567);  // the same second every time
        EXPECT_EQ(text, reference_text(kAt, 1234567)) << i;
    }
}

TEST(LocalText, AKeptZoneIsReadAgainWhenItsFileWasReplaced) {
    TempDir dir;
    std::string path = dir.file("zone"), tz = ":" + path;
    auto offset_after_switch = [&] {
        setenv("TZ", "XYZ0", 1);
        local_text(150000);
        setenv("TZ", tz.c_str(), 1);
        return local_text(150000).substr(23, 6);
    };
    write_file(path, zone_file({100000, 200000}));
    EXPECT_EQ(offset_after_switch(), "+02:00");
    write_file(dir.file("new"), zone_file({100000, 140000}));
    ASSERT_EQ(rename(dir.file("new").c_str(), path.c_str()), 0);
    EXPECT_EQ(offset_after_switch(), "+01:00");
    write_file(path, zone_file({100000, 140000, 145000}));  // rewritten in place
    EXPECT_EQ(offset_after_switch(), "+02:00");
    // Another thread switches away and back within the same second: setenv
    // puts the very same entry back, yet the rebuilt zone shows here too.
    std::thread([&] {
        write_file(dir.file("new"), zone_file({100000, 120000}));
        ASSERT_EQ(rename(dir.file("new").c_str(), path.c_str()), 0);
        offset_after_switch();
    }).join();
    EXPECT_EQ(local_text(150000).substr(23, 6), "+01:00");
}

TEST(LocalText, KeptSecondsAndOffsetsNeverShowStale) {
    // Stamps a second or two apart, some carried into the next, in zones that switch now and then.
    const char *zones[] = {"Europe/Paris", "XST3XDT,M3.2.0,M11.1.0", ":Australia/Lord_Howe", "America/New_York", "",
                           nullptr};
    uint64_t r = 88172645463325252ULL;
    int64_t seconds = 1679792400 - 500;  // 500 s before Paris moves to summer time
    for (int i = 0; i < 20000; ++i) {
        r ^= r << 13, r ^= r >> 7, r ^= r << 17;
        if (r % 11 == 0) zones[r / 11 % 6] ? (void)setenv("TZ", zones[r / 11 % 6], 1) : (void)unsetenv("TZ");
        seconds += r % 97 == 0 ? int64_t(r >> 40) % 40000000 - 20000000 : int64_t(r >> 8 & 3) - 1;
        int64_t units = int64_t(r >> 24) % kTicks;
        ASSERT_EQ(local_text(seconds, units), reference_text(seconds, units)) << i;
    }
}
