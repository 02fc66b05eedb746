// A private temporary folder, made once per process and removed with its
// contents when the process exits, so that fuzz runs leave nothing in /tmp.
// (A crash leaves it, next to the input that caused it.)
#ifndef ZEL_FUZZ_PRIVATE_FOLDER_H
#define ZEL_FUZZ_PRIVATE_FOLDER_H

#include <cstdio>
#include <cstdlib>
#include <string>

#include <ftw.h>

namespace zelfuzz {

inline std::string &private_folder_path() {
    static std::string path;
    return path;
}

inline void remove_private_folder() {
    nftw(
        private_folder_path().c_str(),
        [](const char *path, const struct stat *, int, struct FTW *) { return std::remove(path); },
        16, FTW_DEPTH | FTW_PHYS);
}

// The folder, made at the first call as /tmp/PREFIX.XXXXXX.
inline const std::string &private_folder(const char *prefix) {
    std::string &path = private_folder_path();
    if (path.empty()) {
        std::string pattern = std::string("/tmp/") + prefix + ".XXXXXX";
        if (!mkdtemp(&pattern[0])) std::abort();
        path = pattern;
        std::atexit(remove_private_folder);
    }
    return path;
}

}  // namespace zelfuzz

#endif
