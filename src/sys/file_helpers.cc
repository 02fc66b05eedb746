// Thin wrappers around directory creation, temporary files, ownership and
// permissions, existence, links, renaming and removal, reporting failures as
// status codes.
#include <zel/file.h>
#include <zel/status.h>

#include <cerrno>
#include <cstdio>
#include <vector>

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include "sys/system_status.h"

namespace {

unsigned32 result_of(int rc) { return rc == 0 ? 0 : zel::errno_status(); }

// Opens a file whose owner or mode is to change. A symbolic link is refused
// (ELOOP), so that a link planted in a directory others can write never
// hands its target over; a named pipe or device does not block the open.
int open_to_change(const char *file) {
    return open(file, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
}

// One reentrant look-up by name (getpwnam_r or getgrnam_r), growing the
// buffer while the entry does not fit; false when the name is unknown.
template <class Entry>
bool look_up(int (*find)(const char *, Entry *, char *, size_t, Entry **), const char *name,
             Entry *entry, std::vector<char> &buffer) {
    for (;;) {
        Entry *found = nullptr;
        int rc = find(name, entry, buffer.data(), buffer.size(), &found);
        if (rc == ERANGE && buffer.size() < (1u << 20)) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        return rc == 0 && found;
    }
}

// The numeric ids of a user and a group by name, through the reentrant
// look-ups so that any thread may call; false when either is unknown.
bool ids_of(const char *user, const char *group, uid_t *uid, gid_t *gid) {
    std::vector<char> buffer(4096);
    struct passwd pw;
    struct group gr;
    if (!look_up(getpwnam_r, user, &pw, buffer)) return false;
    *uid = pw.pw_uid;
    if (!look_up(getgrnam_r, group, &gr, buffer)) return false;
    *gid = gr.gr_gid;
    return true;
}

}  // namespace

extern "C" {

unsigned32 zel_create_directory(const char *path, int *error) {
    if (!path) return ZEL_S_SYSTEM_INPUT_INVALID;
    if (mkdir(path, 0777) == 0 || errno == EEXIST) return 0;
    int failed = errno;
    if (error) *error = failed;
    return zel_sys_status(failed);
}

char *zel_mktemp(char *template_name) {
    if (!template_name) return nullptr;
    int fd = mkstemp(template_name);
    if (fd < 0) return nullptr;
    close(fd);
    return template_name;
}

unsigned32 zel_set_file_properties(const char *file, const zel_file_props_t *props) {
    if (!file || !props) return ZEL_S_SYSTEM_INPUT_INVALID;
    int fd = open_to_change(file);
    if (fd < 0) return ZEL_S_SYSTEM_ROUTINE_FAILED;
    bool changed = fchown(fd, props->uid, props->gid) == 0 && fchmod(fd, props->mode) == 0;
    close(fd);
    return changed ? 0 : ZEL_S_SYSTEM_ROUTINE_FAILED;
}

unsigned32 zel_get_file_properties(const char *file, zel_file_props_t *props) {
    if (!file || !props) return ZEL_S_SYSTEM_INPUT_INVALID;
    struct stat info;
    if (stat(file, &info) != 0) return ZEL_S_SYSTEM_ROUTINE_FAILED;
    props->mode = info.st_mode;
    props->uid = info.st_uid;
    props->gid = info.st_gid;
    return 0;
}

// Opened without blocking, so that a named pipe or a device does not hang
// the caller.
int zel_file_exists(const char *path) {
    if (!path) return 0;
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return 0;
    close(fd);
    return 1;
}

unsigned32 zel_file_chown(const char *file, const char *user, const char *group) {
    if (!file || !user || !group) return ZEL_S_SYSTEM_INPUT_INVALID;
    uid_t uid;
    gid_t gid;
    if (!ids_of(user, group, &uid, &gid)) return ZEL_S_SYSTEM_ROUTINE_FAILED;
    int fd = open_to_change(file);
    if (fd < 0) return zel::errno_status();
    unsigned32 status = result_of(fchown(fd, uid, gid));
    close(fd);
    return status;
}

unsigned32 zel_file_symlink(const char *target, const char *linkpath) {
    if (!target || !linkpath) return ZEL_S_SYSTEM_INPUT_INVALID;
    return result_of(symlink(target, linkpath));
}

unsigned32 zel_file_rename(const char *from, const char *to) {
    if (!from || !to) return ZEL_S_SYSTEM_INPUT_INVALID;
    return result_of(std::rename(from, to));
}

unsigned32 zel_file_remove(const char *path) {
    if (!path) return ZEL_S_SYSTEM_INPUT_INVALID;
    return result_of(std::remove(path));
}

}  // extern "C"
