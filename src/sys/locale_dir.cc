// The directory of texts for the user's locale: the first of the canonical
// locale, the language and "C" that exists under a given directory.
#include <zel/file.h>

#include <jrnmsg/lyr.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include <sys/stat.h>

namespace {

const char *non_empty_env(const char *name) {
    const char *value = std::getenv(name);
    return value && *value ? value : nullptr;
}

// Names come from the environment: one that would leave the directory (a '/'
// or a dot name) is never tried.
bool safe_name(const char *name) {
    return *name && !std::strchr(name, '/') && std::strcmp(name, ".") != 0 &&
           std::strcmp(name, "..") != 0;
}

// dir + "/" + name, malloc'd; null when memory runs out.
char *join(const char *dir, const char *name) {
    size_t dir_length = std::strlen(dir), name_length = std::strlen(name);
    char *path = static_cast<char *>(std::malloc(dir_length + name_length + 2));
    if (!path) return nullptr;
    std::memcpy(path, dir, dir_length);
    path[dir_length] = '/';
    std::memcpy(path + dir_length + 1, name, name_length + 1);
    return path;
}

}  // namespace

extern "C" char *zel_getlocaledir(const char *dir) {
    if (!dir) return nullptr;
    char system_name[32];
    const char *locale = non_empty_env("LC_ALL");
    if (!locale) locale = non_empty_env("LC_MESSAGES");
    if (!locale)
        locale = lyr_os_lang_name(system_name, sizeof system_name) == 0 ? system_name : "C";

    char canonical[32], language[32];
    const char *candidates[3] = {
        lyr_canonical_loc(locale, canonical, sizeof canonical) == 0 ? canonical : nullptr,
        lyr_canonical_lang(locale, language, sizeof language) == 0 ? language : nullptr, "C"};
    for (const char *name : candidates) {
        if (!name || !safe_name(name)) continue;
        char *path = join(dir, name);
        if (!path) return nullptr;
        struct stat info;
        if (stat(path, &info) == 0) return path;
        std::free(path);
    }
    return strdup(dir);
}
