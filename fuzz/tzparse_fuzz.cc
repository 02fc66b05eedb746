// Any string as a POSIX TZ rule, parsed directly and through the zone choice
// of zel_utc_localzone.
#include <zel/utc.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "zone_fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::string tz(reinterpret_cast<const char *>(data), size);
    tz = tz.c_str();  // up to the first NUL, as the environment would hold it
    static zel::ZoneState *state = new zel::ZoneState;
    for (bool lastditch : {false, true}) {
        if (zel::tzparse(tz.c_str(), lastditch, state) == 0) {
            check_zone(*state);
        } else if (lastditch) {
            std::abort();  // the last step of the choice must not fail
        }
    }
    // Through TZ only for names that stay inside the zone directory.
    if (tz.find('/') == std::string::npos && tz.find("..") == std::string::npos) {
        setenv("TZ", tz.c_str(), 1);
        static const zel_utc_t times[] = {{{0x00, 0x40, 0x81, 0x13, 0xd2, 0x1d, 0xb2, 0x01, 0xff,
                                            0xff, 0xff, 0xff, 0xff, 0xff, 0x00, 0x10}},
                                          {{0x00, 0x80, 0x4c, 0x9d, 0x9b, 0x6d, 0x3f, 0x02, 0xff,
                                            0xff, 0xff, 0xff, 0xff, 0xff, 0x00, 0x10}}};
        char name[16], text[64];
        long off;
        int dst;
        for (const zel_utc_t &t : times) {
            if (zel_utc_localzone(name, sizeof name, &off, &dst, &t) != 0) std::abort();
            if (zel_utc_asclocaltime(text, sizeof text - 1, &t) != 0) std::abort();
        }
    }
    return 0;
}
