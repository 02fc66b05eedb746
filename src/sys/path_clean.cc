// Clean-up of a path in place: no surrounding blanks, single slashes and no
// final slash.
#include <zel/file.h>

#include <cstring>

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

extern "C" int zel_canonicalize_path(char *path) {
    if (!path) return 0;
    const char *from = path;
    while (is_blank(*from)) ++from;
    char *to = path;
    for (; *from; ++from) {
        if (*from == '/' && to > path && to[-1] == '/') continue;
        *to++ = *from;
    }
    while (to > path && is_blank(to[-1])) --to;
    bool slash_removed = to > path && to[-1] == '/';
    if (slash_removed) --to;
    *to = '\0';
    if (slash_removed) return 0;
    const char *last = std::strrchr(path, '/');
    return last ? static_cast<int>(to - last - 1) : 0;
}
