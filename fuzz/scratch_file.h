// A fuzz input written to a file of its own in a private temporary folder,
// for the readers that take a path.
#ifndef ZEL_FUZZ_SCRATCH_FILE_H
#define ZEL_FUZZ_SCRATCH_FILE_H

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

namespace zelfuzz {

// Writes the bytes to `name` in a folder made once per process; its path.
inline const std::string &write_scratch_file(const char *name, const uint8_t *data, size_t size) {
    static const std::string folder = [] {
        char dir[] = "/tmp/zel_fuzz.XXXXXX";
        if (!mkdtemp(dir)) std::abort();
        return std::string(dir);
    }();
    static std::string path;
    path = folder + "/" + name;
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(data, 1, size, f) != size || std::fclose(f) != 0) std::abort();
    return path;
}

}  // namespace zelfuzz

#endif
