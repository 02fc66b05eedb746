// Any bytes as a compiled zone file, loaded directly and as TZ through a
// temporary file.
#include <zel/utc.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "scratch_file.h"
#include "zone_fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    // Zones are kept by their TZ text; names taken in turn, more of them than
    // are kept, make each input a zone not met before.
    static unsigned turn = 0;
    std::string file = "zone" + std::to_string(turn++ % 8);
    const std::string &path = zelfuzz::write_scratch_file(file.c_str(), data, size);
    static zel::ZoneState *state = new zel::ZoneState;
    if (zel::tzload(path.c_str(), state) == 0) check_zone(*state);

    // The whole choice: a refused file falls through to the last-ditch rule.
    setenv("TZ", (":" + path).c_str(), 1);
    zel_utc_t now;
    char name[8];
    long off;
    int dst;
    if (zel_utc_gettime(&now) != 0 || zel_utc_localzone(name, sizeof name, &off, &dst, &now) != 0) {
        std::abort();
    }
    setenv("TZ", "", 1);
    zel_utc_localzone(nullptr, 0, nullptr, nullptr, &now);
    return 0;
}
