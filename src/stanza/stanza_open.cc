// Opening a stanza file under its advisory lock, loading it into memory when
// asked, and closing it with everything the handle owns.
#include <zel/status.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "stanza/memory_copy.h"
#include "stanza/stanza_internal.h"

namespace zel {
namespace {

bool valid_flags(unsigned int flags) {
    if (!(flags & (ZEL_STZ_READ_ONLY | ZEL_STZ_READ_WRITE))) return false;
    if (flags & ~0xFu) return false;
    return !((flags & ZEL_STZ_READ_WRITE) && (flags & ZEL_STZ_IN_MEMORY));
}

// Opens path as a stream. Only regular files: a FIFO would block the open and
// a directory or device is no configuration file. -1 with errno on failure.
FILE *open_stream(const char *path, bool read_only) {
    int fd = open(path, (read_only ? O_RDONLY : O_RDWR) | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return nullptr;
    struct stat st;
    int error = 0;
    if (fstat(fd, &st) != 0) {
        error = errno;
    } else if (!S_ISREG(st.st_mode)) {
        error = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    }
    if (error) {
        close(fd);
        errno = error;
        return nullptr;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    FILE *fp = fdopen(fd, read_only ? "r" : "r+");
    if (!fp) {
        error = errno;
        close(fd);
        errno = error;
    }
    return fp;
}

// The whole-file record lock; false with errno when it cannot be taken.
bool lock_file(FILE *fp, bool shared, bool wait) {
    struct flock lock = {};
    lock.l_type = shared ? F_RDLCK : F_WRLCK;
    lock.l_whence = SEEK_SET;
    int result;
    do {
        result = fcntl(fileno(fp), wait ? F_SETLKW : F_SETLK, &lock);
    } while (result != 0 && errno == EINTR);
    return result == 0;
}

}  // namespace
}  // namespace zel

using namespace zel;

extern "C" {

zelStzFile_t *zelStzFileOpen(const char *path, unsigned int flags, unsigned int *status) {
    unsigned int unused;
    if (!status) status = &unused;
    if (!path || !valid_flags(flags)) {
        *status = ZEL_S_STZ_BAD_ARGUMENT;
        return nullptr;
    }
    zelStzFile_t *stz = static_cast<zelStzFile_t *>(std::calloc(1, sizeof(zelStzFile_t)));
    if (stz) stz->fileName = strdup(path);
    if (!stz || !stz->fileName) {
        std::free(stz);
        *status = ZEL_S_NO_MEMORY;
        return nullptr;
    }
    stz->flags = flags;
    bool read_only = flags & ZEL_STZ_READ_ONLY;
    stz->fp = open_stream(path, read_only);
    if (!stz->fp) {
        stanza_message(540, "%s%d", ZEL_S_STZ_FILE_OPEN_ERROR, path, errno);
        *status = ZEL_S_STZ_OPEN_FAILED;
        zelStzFileClose(stz);
        return nullptr;
    }
    if (!lock_file(stz->fp, read_only, !(flags & ZEL_STZ_NO_WAIT))) {
        // Another process holds the lock; F_SETLK reports it either way.
        int error = errno;
        if ((error == EAGAIN || error == EACCES) && (flags & ZEL_STZ_NO_WAIT)) {
            *status = ZEL_S_STZ_WOULD_BLOCK;
        } else {
            stanza_message(560, "%d", ZEL_S_STZ_LOCK_FAILED, error);
            *status = ZEL_S_STZ_OPEN_FAILED;
        }
        std::fclose(stz->fp);
        stz->fp = nullptr;
        zelStzFileClose(stz);
        return nullptr;
    }
    *status = 0;
    if (!(flags & ZEL_STZ_IN_MEMORY)) {
        zelStzMoveFirstStanza(stz);
        return stz;
    }
    LoadedCopy *loaded = load_copy(stz->fp, status);
    if (!loaded) {
        zelStzFileClose(stz);
        return nullptr;
    }
    zel_zFileCloseDescriptor(stz);
    stz->memCopy = &loaded->copy;
    zelStzMoveFirstStanza(stz);
    return stz;
}

void zel_zFileCloseDescriptor(zelStzFile_t *stz) {
    if (!stz->fp) return;
    struct flock unlock = {};
    unlock.l_type = F_UNLCK;
    unlock.l_whence = SEEK_SET;
    fcntl(fileno(stz->fp), F_SETLK, &unlock);
    std::fclose(stz->fp);
    stz->fp = nullptr;
}

void zelStzFileClose(zelStzFile_t *stz) {
    if (!stz) return;
    zel_zFileCloseDescriptor(stz);
    if (stz->memCopy) {
        free_copy(stz->memCopy);
    } else {
        std::free(stz->stanza);
        std::free(stz->name);
        std::free(stz->value);
    }
    std::free(stz->fileName);
    std::free(stz);
}

}  // extern "C"
