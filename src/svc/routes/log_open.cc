// Opening log files safely: a link or anything but a regular file at the name
// is refused, nothing is truncated through a name, and owner and mode are set
// on the descriptor of a file this process has just created.
#include <cerrno>
#include <cstdlib>
#include <new>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "svc/routes/log_file.h"

namespace zel {
namespace {

constexpr int kTries = 8;

// O_NONBLOCK keeps a pipe planted at the name from holding the open up.
constexpr int kOpenFlags = O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;

bool leads_to(const char *name, int fd) {
    struct stat by_name, by_fd;
    return stat(name, &by_name) == 0 && fstat(fd, &by_fd) == 0 && by_name.st_dev == by_fd.st_dev &&
           by_name.st_ino == by_fd.st_ino;
}

}  // namespace

zel_svc_fileroute_t *new_file_record() {
    return static_cast<zel_svc_fileroute_t *>(std::calloc(1, sizeof(LogFile)));
}

int open_existing(const char *name, int *cause) {
    // Looked at first so that no device is ever opened; checked again after.
    struct stat st;
    if (lstat(name, &st) != 0) {
        *cause = errno;
        return -1;
    }
    if (!S_ISREG(st.st_mode)) {
        *cause = S_ISLNK(st.st_mode) ? kCauseLink : kCauseNotRegular;
        return -1;
    }
    int fd = open(name, O_RDWR | kOpenFlags);
    if (fd < 0 && errno == EACCES)
        fd = open(name, O_WRONLY | kOpenFlags);  // records not counted then
    if (fd < 0) {
        *cause = errno == ELOOP ? kCauseLink : errno;
        return -1;
    }
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        *cause = kCauseNotRegular;
        return -1;
    }
    return fd;
}

int create_exclusive(const zel_svc_fileroute_t *file) {
    mode_t mode = file->mode ? static_cast<mode_t>(file->mode) : 0666;
    int fd = open(file->name, O_RDWR | O_CREAT | O_EXCL | kOpenFlags, mode);
    if (fd < 0) return -1;
    int saved = errno;
    if (file->uid != -1 || file->gid != -1) {
        if (fchown(fd, static_cast<uid_t>(file->uid), static_cast<gid_t>(file->gid)) != 0) {}
    }
    if (file->mode) fchmod(fd, mode);  // exactly, whatever the umask
    errno = saved;
    return fd;
}

int open_log(zel_svc_fileroute_t *file, bool make_new, int *cause) {
    for (int attempt = 0; attempt < kTries; ++attempt) {
        int fd = open_existing(file->name, cause);
        if (fd < 0) {
            if (*cause != ENOENT) return -1;
            fd = create_exclusive(file);
            if (fd >= 0) return fd;
            *cause = errno;
            if (errno != EEXIST) return -1;
            continue;  // another writer made it a moment ago
        }
        if (!make_new) return fd;
        lock_file(fd);
        if (!leads_to(file->name, fd)) {  // moved while we waited for its lock
            forget_lock(fd);
            close(fd);
            continue;
        }
        int fresh = replace_locked(file, cause);
        if (fresh >= 0) {
            forget_lock(fd);
            close(fd);
            return fresh;
        }
        if (*cause >= kCauseArchive) {  // it could not be moved aside: records go on after it
            report_file(file, *cause, -1);
            return fd;
        }
        forget_lock(fd);
        close(fd);
        if (*cause != EEXIST) return -1;
        make_new = false;  // ours went to the archives; another writer's new file is kept
    }
    // The name keeps being taken between our steps: append to what is there.
    return open_existing(file->name, cause);
}

}  // namespace zel
