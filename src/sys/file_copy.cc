// Copies a file in 512-byte blocks. The source is opened first, so that an
// existing destination is left whole when the source cannot be read, and a
// destination that is the source itself is refused before it is truncated.
#include <zel/file.h>
#include <zel/status.h>

#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "sys/system_status.h"

namespace {

// Opens the destination as "wb" would, but truncates it only once it is
// known not to be the source. A symbolic link in its place is refused, so
// that a link planted in a directory others can write cannot redirect the copy.
FILE *open_destination(const char *to, const struct stat &source, unsigned32 *status) {
    int fd = open(to, O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) {
        *status = zel::errno_status();
        return nullptr;
    }
    struct stat info;
    if (fstat(fd, &info) != 0) {
        *status = zel::errno_status();
    } else if (info.st_dev == source.st_dev && info.st_ino == source.st_ino) {
        *status = ZEL_S_SYSTEM_INPUT_INVALID;
    } else if (S_ISREG(info.st_mode) && ftruncate(fd, 0) != 0) {
        *status = zel::errno_status();
    } else if (FILE *stream = fdopen(fd, "wb")) {
        return stream;
    } else {
        *status = zel::errno_status();
    }
    close(fd);
    return nullptr;
}

unsigned32 copy_blocks(FILE *from, FILE *to) {
    char block[512];
    for (;;) {
        errno = 0;
        size_t got = std::fread(block, 1, sizeof block, from);
        if (got > 0 && std::fwrite(block, 1, got, to) != got) return zel::errno_status();
        if (got < sizeof block) return std::ferror(from) ? zel::errno_status() : 0;
    }
}

}  // namespace

extern "C" unsigned32 zel_file_copy(const char *from, const char *to) {
    if (!from || !to) return ZEL_S_SYSTEM_INPUT_INVALID;
    FILE *source = std::fopen(from, "rbe");
    if (!source) return zel::errno_status();
    struct stat info;
    unsigned32 status = 0;
    if (fstat(fileno(source), &info) != 0) {
        status = zel::errno_status();
    } else if (S_ISDIR(info.st_mode)) {
        status = zel_sys_status(EISDIR);
    } else if (FILE *destination = open_destination(to, info, &status)) {
        status = copy_blocks(source, destination);
        errno = 0;
        // Buffered bytes meet a full disk only when the stream is closed.
        if (std::fclose(destination) != 0 && status == 0) status = zel::errno_status();
    }
    std::fclose(source);
    return status;
}
