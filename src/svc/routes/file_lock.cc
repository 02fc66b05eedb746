// The whole-file fcntl write lock around each record, which serialises the
// writers of one log file across processes, with cancellation held off.
#include <cerrno>

#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

#include "svc/record/record.h"
#include "svc/routes/log_file.h"
#include "sys/hot_path.h"

namespace zel {
namespace {

// The descriptor whose lock this thread took while readying its record's
// file (lock_file): the writer finds it held and does not ask again.
thread_local int t_held_fd = -1;

// Takes (F_WRLCK) or releases (F_UNLCK) the lock on the whole file, waiting.
ZEL_RECORD_PATH int set_whole_file_lock(int fd, short type) {
    struct flock lock = {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0;
    lock.l_len = 0;  // to the end, however far it grows
    return set_file_lock(fd, &lock, true);
}

}  // namespace

ZEL_RECORD_PATH int set_file_lock(int fd, struct flock *lock, bool wait) {
    return fcntl(fd, wait ? F_SETLKW : F_SETLK, lock);
}

ZEL_RECORD_PATH void lock_for_write(int fd, int *old_cancel_state, int &error) {
    if (fd != t_held_fd) set_whole_file_lock(fd, F_WRLCK);
    error = pthread_setcancelstate(PTHREAD_CANCEL_DISABLE, old_cancel_state);
}

// errno is kept: it tells why the record just written failed.
ZEL_RECORD_PATH void unlock_for_write(int fd, int old_cancel_state, int &error) {
    int saved = error;
    set_whole_file_lock(fd, F_UNLCK);
    if (fd == t_held_fd) t_held_fd = -1;
    if (old_cancel_state == PTHREAD_CANCEL_ENABLE) {
        int ignored;
        pthread_setcancelstate(PTHREAD_CANCEL_ENABLE, &ignored);
    }
    error = saved;
}

void lock_file(int fd) {
    int result;
    while ((result = set_whole_file_lock(fd, F_WRLCK)) != 0 && errno == EINTR) {}
    if (result == 0) t_held_fd = fd;
}

void forget_lock(int fd) {
    if (fd == t_held_fd) t_held_fd = -1;
}

void release_held_lock() {
    if (t_held_fd < 0) return;
    set_whole_file_lock(t_held_fd, F_UNLCK);
    t_held_fd = -1;
}

}  // namespace zel
