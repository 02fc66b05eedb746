// A fuzz input written to a file of its own in a private temporary folder,
// for the readers that take a path.
#ifndef ZEL_FUZZ_SCRATCH_FILE_H
#define ZEL_FUZZ_SCRATCH_FILE_H

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

#include "private_folder.h"

namespace zelfuzz {

// Writes the bytes to `name` in the process's private folder; its path.
inline const std::string &write_scratch_file(const char *name, const uint8_t *data, size_t size) {
    const std::string &folder = private_folder("zel_fuzz");
    static std::string path;
    path = folder + "/" + name;
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(data, 1, size, f) != size || std::fclose(f) != 0) std::abort();
    return path;
}

}  // namespace zelfuzz

#endif
