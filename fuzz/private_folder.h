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

inline const std::string &private_folder(const char *prefix) {
    static const std::string folder = [prefix] {
        std::string pattern = std::string("/tmp/") + prefix + ".XXXXXX";
        if (!mkdtemp(&pattern[0])) std::abort();
        return pattern;
    }();
    static const bool removed_at_exit = [] {
        return std::atexit([] {
                   nftw(
                       folder.c_str(),
                       [](const char *path, const struct stat *, int, struct FTW *) {
                           return std::remove(path);
                       },
                       16, FTW_DEPTH | FTW_PHYS);
               }) == 0;
    }();
    (void)removed_at_exit;
    return folder;
}

}  // namespace zelfuzz

#endif
