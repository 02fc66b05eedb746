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
    const std::string &path = zelfuzz::write_scratch_file("zone", data, size);
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
    setenv("TZ", "", 1);  // so that the next input is loaded again
    zel_utc_localzone(nullptr, 0, nullptr, nullptr, &now);
    return 0;
}
