// Log files: opened when the first record is written, rotated after a fixed
// number of records, and archived under numbered names. A file that cannot be
// opened sends its routes to their fallback.
#include <zel/svc.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "svc/routes.h"

extern "C" {

int zel_svc__pid = 0;

}  // extern "C"

namespace {

bool exists(const std::string &name) { return access(name.c_str(), F_OK) == 0; }

// Moves a log file to an archive name that was free a moment ago. Another
// process archiving the same log may have taken it since; where the system
// can tell, the move then fails (false) instead of replacing that archive.
bool move_to_free_name(const char *name, const std::string &archive) {
#ifdef RENAME_NOREPLACE
    if (renameat2(AT_FDCWD, name, AT_FDCWD, archive.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno == EEXIST) return false;
    if (errno != EINVAL && errno != ENOSYS) return true;  // gone, or not movable: as rename
#endif
    std::rename(name, archive.c_str());
    return true;
}

// The file is unusable: its name goes, so that every route sharing it falls
// back when it next writes, and the name is never opened again.
void fall_back(zel_svc_route_t *route, zel_svc_fileroute_t *file) {
    std::free(file->name);
    std::free(file->pattern);
    file->name = nullptr;
    file->pattern = nullptr;
    file->stream = nullptr;
    route->kind = route->fallback;
    route->open = 1;
}

// A rotated file was just archived, so its name is free unless another
// process that writes the same log created it since. Truncating that file
// would lose its records and leave the other writer's offset past the end,
// so it is archived in turn and the name taken exclusively; after a few
// tries (an archive that cannot be moved) the file is truncated after all.
FILE *create_rotated_file(zel_svc_fileroute_t *file) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        int fd = open(file->name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            FILE *stream = fdopen(fd, "w");
            if (!stream) close(fd);
            return stream;
        }
        if (errno != EEXIST) break;
        archiveLogFile(file->name, file->archives);
    }
    return std::fopen(file->name, "w");
}

void open_file(zel_svc_route_t *route, zel_svc_fileroute_t *file) {
    if (!file->name) {
        fall_back(route, file);
        return;
    }
    // With a record limit each file starts empty; without one records append.
    FILE *stream = !file->records_per_file ? std::fopen(file->name, "a")
                   : file->archives > 0    ? create_rotated_file(file)
                                           : std::fopen(file->name, "w");
    if (!stream) {
        fall_back(route, file);
        return;
    }
    fcntl(fileno(stream), F_SETFD, FD_CLOEXEC);
    // Owner and permissions are set at every opening, so rotated files keep them.
    if (file->uid != -1 || file->gid != -1) {
        if (chown(file->name, static_cast<uid_t>(file->uid), static_cast<gid_t>(file->gid)) != 0) {
        }
    }
    if (file->mode != 0) chmod(file->name, static_cast<mode_t>(file->mode));
    file->stream = stream;
}

}  // namespace

extern "C" {

int zel_svc__get_pid(void) {
    if (zel_svc__pid == 0) zel_svc__pid = static_cast<int>(getpid());
    return zel_svc__pid;
}

// Without memory for the archive name nothing is done.
void archiveLogFile(const char *name, int archives) try {
    if (!name || archives <= 0 || !exists(name)) return;
    std::string base(name);
    for (int n = 1;;) {
        if (archives > 1) {
            while (n < archives && exists(base + "." + std::to_string(n))) ++n;
        }
        if (n == archives) {
            std::string first = base + ".1";
            unlink(first.c_str());
            std::rename(name, first.c_str());
            return;
        }
        if (move_to_free_name(name, base + "." + std::to_string(n))) return;
        ++n;  // another process archived under that number meanwhile
    }
} catch (const std::bad_alloc &) {
}

void zel_svc__check_open(zel_svc_route_t *route) {
    if (!zel::is_file_kind(route->kind)) {
        route->open = 1;
        return;
    }
    auto *file = static_cast<zel_svc_fileroute_t *>(route->target);
    if (file->records_per_file != 0 && ++file->records_written > file->records_per_file) {
        // The record about to be written is the first of a new file.
        file->records_written = 1;
        if (route->open) {
            if (file->stream) {
                std::fclose(file->stream);
                file->stream = nullptr;
            }
            route->open = 0;
            archiveLogFile(file->name, file->archives);
        }
    }
    if (!file->stream) {
        open_file(route, file);
        if (!zel::is_file_kind(route->kind)) return;
    }
    route->open = 1;
}

}  // extern "C"
