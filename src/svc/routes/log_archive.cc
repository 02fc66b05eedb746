// Archives of a log file: numbered as rotation does everywhere, .1 the newest,
// shifted under the lock of the live file so that processes rotating the same
// log never lose or duplicate an archive. A step that fails moves nothing more.
#include <cerrno>
#include <cstdio>
#include <new>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "svc/routes/log_file.h"

namespace zel {
namespace {

std::string numbered(const std::string &base, int n) { return base + "." + std::to_string(n); }

}  // namespace

bool shift_archives(const char *name, int archives) try {
    std::string base(name);
    int oldest = archives > 2 ? archives - 1 : 1;  // the kept archives: .1 to .oldest
    for (int n = oldest - 1; n >= 1; --n) {
        if (std::rename(numbered(base, n).c_str(), numbered(base, n + 1).c_str()) != 0 &&
            errno != ENOENT)
            return false;
    }
    // A name that went meanwhile is free all the same.
    return std::rename(name, numbered(base, 1).c_str()) == 0 || errno == ENOENT;
} catch (const std::bad_alloc &) {
    errno = ENOMEM;
    return false;
}

int replace_locked(zel_svc_fileroute_t *file, int *cause) {
    bool moved = file->archives > 0 ? shift_archives(file->name, file->archives)
                                    : unlink(file->name) == 0 || errno == ENOENT;
    if (!moved) {
        *cause = kCauseArchive + errno;
        return -1;
    }
    int fd = create_exclusive(file);
    if (fd < 0) *cause = errno;
    return fd;
}

// The file at the name is locked while the archives shift, as at rotation;
// a link or other non-regular file is moved as it is, never opened.
bool archive_file(const char *name, int archives) {
    if (!name || archives <= 0) return true;
    struct stat st;
    if (lstat(name, &st) != 0) return true;
    int fd = -1;
    if (S_ISREG(st.st_mode)) {
        fd = open(name, O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd >= 0) lock_file(fd);
    }
    bool moved = shift_archives(name, archives);
    int saved = errno;
    if (fd >= 0) {
        forget_lock(fd);
        close(fd);
    }
    errno = saved;
    return moved;
}

}  // namespace zel

extern "C" {

void archiveLogFile(const char *name, int archives) { zel::archive_file(name, archives); }

}  // extern "C"
