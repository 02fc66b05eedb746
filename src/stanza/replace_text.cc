// Replacing a range of a stanza file in place. The old bytes from the start
// of the range on are first kept in a private temporary file, so that a
// write that fails half-way (a full disk) can put the file back as it was.
#include <zel/status.h>

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "stanza/stanza_internal.h"

namespace zel {
namespace {

// The temporary file's name is per process, so one replacement at a time.
pthread_mutex_t g_replace_lock = PTHREAD_MUTEX_INITIALIZER;

// Creates the temporary file afresh, never opening what is already there: a
// leftover or something planted in /tmp (a link to another file, a FIFO) is
// removed first. -1 with errno when it cannot be made.
int create_temporary(const char *path) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        int fd = open(path, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0 || errno != EEXIST) return fd;
        struct stat st;
        int removed = lstat(path, &st) == 0 && S_ISDIR(st.st_mode) ? rmdir(path) : unlink(path);
        if (removed != 0 && errno != ENOENT) return -1;
    }
    errno = EEXIST;
    return -1;
}

bool write_all(int fd, const char *data, size_t size, off_t at) {
    while (size > 0) {
        ssize_t written = pwrite(fd, data, size, at);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            if (written == 0) errno = ENOSPC;
            return false;
        }
        data += written;
        size -= static_cast<size_t>(written);
        at += written;
    }
    return true;
}

// Copies size bytes from offset from in `from` to offset to in `to`.
bool copy_range(int from, off_t from_at, off_t size, int to, off_t to_at) {
    char piece[16384];
    while (size > 0) {
        size_t want =
            size < static_cast<off_t>(sizeof piece) ? static_cast<size_t>(size) : sizeof piece;
        ssize_t got = pread(from, piece, want, from_at);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            if (got == 0) errno = EIO;  // the source ended early
            return false;
        }
        if (!write_all(to, piece, static_cast<size_t>(got), to_at)) return false;
        from_at += got;
        to_at += got;
        size -= got;
    }
    return true;
}

int replace_locked(FILE *stream, off_t start, off_t end, const char *text) {
    int fd = fileno(stream);
    struct stat st;
    if (fstat(fd, &st) != 0 || start < 0 || start > end || end > st.st_size) return 0;
    off_t old_size = st.st_size;

    char path[32];
    std::snprintf(path, sizeof path, "/tmp/stzlink%d", static_cast<int>(getpid()));
    int temp = create_temporary(path);
    if (temp < 0) {
        stanza_message(640, "%s%d", ZEL_S_STZ_FILE_OPEN_ERROR, path, errno);
        return 0;
    }
    bool kept = copy_range(fd, start, old_size - start, temp, 0);
    bool done = false;
    if (kept) {
        size_t length = std::strlen(text);
        off_t tail = start + static_cast<off_t>(length);
        done = write_all(fd, text, length, start) &&
               copy_range(temp, end - start, old_size - end, fd, tail) &&
               ftruncate(fd, tail + (old_size - end)) == 0;
        if (!done) {
            // Put the old bytes back; they fit where they were. An administrator
            // must hear of a file that could not be restored.
            bool restored =
                copy_range(temp, 0, old_size - start, fd, start) && ftruncate(fd, old_size) == 0;
            if (!restored) stanza_message(668, "", ZEL_S_STZ_UPDATE_FAILED);
        }
    }
    close(temp);
    unlink(path);
    return done ? 1 : 0;
}

}  // namespace
}  // namespace zel

extern "C" int zel_zReplaceText(FILE *stream, long start, long end, const char *text) {
    // A cancelled thread must not leave the file half rewritten.
    int cancel_state;
    pthread_setcancelstate(PTHREAD_CANCEL_DISABLE, &cancel_state);
    pthread_mutex_lock(&zel::g_replace_lock);
    int result = zel::replace_locked(stream, start, end, text ? text : "");
    pthread_mutex_unlock(&zel::g_replace_lock);
    // stdio must not serve bytes it read before the change: the flush drops
    // its idea of the file offset, so the seek reads afresh.
    std::fflush(stream);
    fseeko(stream, 0, SEEK_END);
    pthread_setcancelstate(cancel_state, nullptr);
    return result;
}
