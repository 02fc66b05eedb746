/* Installation paths and file helpers. */
#ifndef ZEL_FILE_H
#define ZEL_FILE_H

#include <stdio.h>
#include <zel/base.h>

ZEL_BEGIN_C

/* Installation directories, each ending in "/": 0 root, 1 programs,
 * 2 configuration, 3 none (null), 4 administrative programs, 5 libraries,
 * 6 message catalogs, 7 internationalization data, 8 log files, 9 second
 * root. Null for an index outside 0..9. */
ZEL_EXPORT const char *zel_get_path(int index);
/* Once-only initialisation hook of the path table; does nothing. */
ZEL_EXPORT void zel_path_initialize(void);

/* Properties of a file: permission and type bits as in st_mode, owner user
 * and group ids. */
typedef struct {
    unsigned32 mode, uid, gid;
} zel_file_props_t;

/* Every helper below that returns a status returns 0 on success or a status
 * code of the client component: a system error is mapped to
 * ZEL_S_DATA_NOT_AVAILABLE (ENOENT), ZEL_S_NO_MEMORY (ENOMEM, ENOSPC),
 * ZEL_S_ACCESS_DENIED (EACCES), ZEL_S_SYSTEM_INPUT_INVALID (ENOTDIR, EINVAL),
 * or, after a message naming the error number, ZEL_S_SYSTEM_ROUTINE_FAILED. */

/* Cleans `path` in place: leading and trailing blanks go, runs of '/' become
 * one, and a final '/' is removed ("/" becomes ""). Returns the number of
 * characters after the last '/' (0 when there is none or one was removed). */
ZEL_EXPORT int zel_canonicalize_path(char *path);
/* A new malloc'd name of the directory under `dir` that holds texts for the
 * user's locale (LC_ALL, LC_MESSAGES, the system's language): dir/locale,
 * dir/language or dir/C, whichever exists first, else a copy of `dir`.
 * Null when memory runs out. */
ZEL_EXPORT char *zel_getlocaledir(const char *dir);
/* mkdir(path, 0777); an existing path is success. On failure the error
 * number is stored through `error` (when not null). */
ZEL_EXPORT unsigned32 zel_create_directory(const char *path, int *error);
/* Reads one whole line, newline included, into *buffer (of *size bytes,
 * grown with realloc by 100 bytes at a time; the caller owns and frees it)
 * and sets *length to the bytes read, zero bytes inside the line included;
 * the line is followed by a zero byte. At end of file before any text,
 * *buffer is freed and set null. When the buffer cannot grow it is freed and
 * set null and ZEL_S_NO_MEMORY returned; a read error gives its status. */
ZEL_EXPORT unsigned32 zel_file_readline(FILE *stream, char **buffer, int *size, int *length);
/* Creates a new file from `template` (ending in "XXXXXX", which is replaced)
 * and returns `template`, or null on failure. The file's descriptor is
 * closed: the caller opens the file by its name. */
ZEL_EXPORT char *zel_mktemp(char *template_name);
/* Changes the owner, then the mode, of `file` to `props`, through a
 * descriptor opened for reading; a failure (a symbolic link is refused) gives
 * ZEL_S_SYSTEM_ROUTINE_FAILED. */
ZEL_EXPORT unsigned32 zel_set_file_properties(const char *file, const zel_file_props_t *props);
/* Fills `props` from stat(file); failure gives ZEL_S_SYSTEM_ROUTINE_FAILED. */
ZEL_EXPORT unsigned32 zel_get_file_properties(const char *file, zel_file_props_t *props);
/* Fills the n slots of `lines` with new 512-byte buffers (the caller frees
 * them) holding the last n - 1 lines of the file, without their newlines, in
 * order, followed by empty strings; a line longer than 511 bytes takes
 * several slots, and a last line without a newline keeps all its characters.
 * ZEL_S_FILE_OPEN_FAILED when the file cannot be opened (the slots are still
 * filled); ZEL_S_SYSTEM_INPUT_INVALID for n <= 0 or null lines;
 * ZEL_S_NO_MEMORY, with every slot null, when the slots cannot be made. */
ZEL_EXPORT unsigned32 zel_file_tail(const char *path, int n, char **lines);
/* 1 when the file can be opened for reading, else 0. */
ZEL_EXPORT int zel_file_exists(const char *path);
/* Gives `file` to the named user and group; an unknown name gives
 * ZEL_S_SYSTEM_ROUTINE_FAILED and changes nothing. A symbolic link is refused,
 * never followed. */
ZEL_EXPORT unsigned32 zel_file_chown(const char *file, const char *user, const char *group);
/* symlink(target, linkpath), rename(from, to), remove(path). */
ZEL_EXPORT unsigned32 zel_file_symlink(const char *target, const char *linkpath);
ZEL_EXPORT unsigned32 zel_file_rename(const char *from, const char *to);
ZEL_EXPORT unsigned32 zel_file_remove(const char *path);
/* Copies file `from` to `to`. An existing destination is left untouched
 * when the source cannot be opened, and when it is the source itself
 * (ZEL_S_SYSTEM_INPUT_INVALID); a symbolic link in the destination's place is
 * refused, never followed. A failed read, write or close is reported with the
 * status of its error. */
ZEL_EXPORT unsigned32 zel_file_copy(const char *from, const char *to);

ZEL_END_C

#endif
