// Locale names and handles: the process locale and code set, canonical
// names, locale handles (with the installed glibc locale when there is one),
// the catalog search path and the services' data directory.
#include "internal.h"

#include <langinfo.h>
#include <cerrno>
#include <cstring>
#include <memory>
#include <new>

lyr_loc::~lyr_loc() {
    if (lc) freelocale(lc);
}

namespace lyr {
namespace {

bool all_of(const std::string &s, const char *extra) {
    for (char c : s) {
        bool alnum = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!alnum && !strchr(extra, c)) return false;
    }
    return !s.empty();
}

std::string upper(std::string s) {
    for (char &c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

std::string lower(std::string s) {
    for (char &c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// The usual spelling of a code set written loosely ("iso88591", "utf8").
std::string canonical_codeset(const std::string &cs) {
    std::string key;
    for (char c : upper(cs))
        if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) key += c;
    if (key == "UTF8") return "UTF-8";
    if (key.compare(0, 7, "ISO8859") == 0 && key.size() > 7) return "ISO-8859-" + key.substr(7);
    if (key.compare(0, 3, "EUC") == 0 && key.size() == 5) return "EUC-" + key.substr(3);
    if (key.compare(0, 4, "KOI8") == 0 && key.size() == 5) return "KOI8-" + key.substr(4);
    if (key == "ANSIX341968" || key == "ASCII" || key == "USASCII") return "ANSI_X3.4-1968";
    return upper(cs);
}

std::string canonical_name(const lyr_loc &loc) {
    std::string out = loc.language == "C" ? "C" : lower(loc.language);
    if (!loc.territory.empty()) out += "_" + upper(loc.territory);
    if (!loc.codeset.empty()) out += "." + canonical_codeset(loc.codeset);
    if (!loc.modifier.empty()) out += "@" + loc.modifier;
    return out;
}

int copy_out(const std::string &s, char *buf, size_t size) {
    if (!buf || s.size() >= size) {
        errno = buf ? ERANGE : EINVAL;
        return -1;
    }
    memcpy(buf, s.c_str(), s.size() + 1);
    return 0;
}

std::mutex g_dir_mu;
std::vector<std::unique_ptr<char[]>> g_dirs;  // every value set; the last is current
const char *g_dir = "";

}  // namespace

bool parse_locale(const char *name, lyr_loc &loc) {
    if (!name || !*name || strlen(name) > 255 || strchr(name, '/')) return false;
    std::string s(name);
    loc.name = s;
    if (s == "POSIX") {
        loc.language = "C";
        return true;
    }
    size_t at = s.find('@');
    if (at != std::string::npos) {
        loc.modifier = s.substr(at + 1);
        s.resize(at);
        if (!all_of(loc.modifier, "_-=")) return false;
    }
    size_t dot = s.find('.');
    if (dot != std::string::npos) {
        loc.codeset = s.substr(dot + 1);
        s.resize(dot);
        if (!all_of(loc.codeset, "-_.:")) return false;
    }
    size_t us = s.find('_');
    if (us != std::string::npos) {
        loc.territory = s.substr(us + 1);
        s.resize(us);
        if (!all_of(loc.territory, "")) return false;
    }
    loc.language = s;
    for (char c : s)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) return false;
    return !s.empty();
}

lyr_loc *make_locale(const char *name) {
    std::unique_ptr<lyr_loc> loc(new lyr_loc);
    if (!parse_locale(name, *loc)) {
        errno = EINVAL;
        return nullptr;
    }
    loc->lc = newlocale(LC_CTYPE_MASK, name, nullptr);
    if (!loc->codeset.empty())
        loc->cs_name = loc->codeset;
    else if (loc->lc)
        loc->cs_name = nl_langinfo_l(CODESET, loc->lc);
    else if (loc->language == "C")
        loc->cs_name = "ANSI_X3.4-1968";
    else
        loc->cs_name = "UTF-8";
    return loc.release();
}

std::string process_locale_name() {
    const char *name = setlocale(LC_MESSAGES, nullptr);
    return name && *name ? name : "C";
}

}  // namespace lyr

extern "C" {

int lyr_os_lang_name(char *buf, size_t size) {
    try {
        return lyr::copy_out(lyr::process_locale_name(), buf, size);
    } catch (const std::bad_alloc &) {
        errno = ENOMEM;
        return -1;
    }
}

int lyr_os_cs_name(char *buf, size_t size) {
    const char *cs = nl_langinfo(CODESET);
    try {
        return lyr::copy_out(cs && *cs ? cs : "ANSI_X3.4-1968", buf, size);
    } catch (const std::bad_alloc &) {
        errno = ENOMEM;
        return -1;
    }
}

// A null name stands for the process locale. "POSIX" becomes "C".
int lyr_canonical_loc(const char *name, char *buf, size_t size) {
    try {
        std::unique_ptr<lyr_loc> loc(
            lyr::make_locale(name ? name : lyr::process_locale_name().c_str()));
        if (!loc) return -1;
        return lyr::copy_out(lyr::canonical_name(*loc), buf, size);
    } catch (const std::bad_alloc &) {
        errno = ENOMEM;
        return -1;
    }
}

int lyr_canonical_lang(const char *name, char *buf, size_t size) {
    try {
        lyr_loc loc;
        std::string process = name ? "" : lyr::process_locale_name();
        if (!lyr::parse_locale(name ? name : process.c_str(), loc)) {
            errno = EINVAL;
            return -1;
        }
        return lyr::copy_out(loc.language == "C" ? "C" : lyr::lower(loc.language), buf, size);
    } catch (const std::bad_alloc &) {
        errno = ENOMEM;
        return -1;
    }
}

// A null name stands for the process locale.
lyr_loc_t lyr_loc_new(const char *name) {
    try {
        return lyr::make_locale(name ? name : lyr::process_locale_name().c_str());
    } catch (const std::bad_alloc &) {
        errno = ENOMEM;
        return nullptr;
    }
}

void lyr_loc_free(lyr_loc_t loc) { delete loc; }

const char *lyr_get_nlspath(void) { return getenv("NLSPATH"); }

const char *lyr_get_dir(void) {
    std::lock_guard<std::mutex> lock(lyr::g_dir_mu);
    return lyr::g_dir;
}

// Earlier values stay allocated, so a pointer from lyr_get_dir never dangles.
int lyr_set_dir(const char *path) {
    if (!path) {
        errno = EINVAL;
        return -1;
    }
    try {
        size_t len = strlen(path);
        std::unique_ptr<char[]> copy(new char[len + 1]);
        memcpy(copy.get(), path, len + 1);
        std::lock_guard<std::mutex> lock(lyr::g_dir_mu);
        lyr::g_dirs.push_back(std::move(copy));
        lyr::g_dir = lyr::g_dirs.back().get();
        return 0;
    } catch (const std::bad_alloc &) {
        errno = ENOMEM;
        return -1;
    }
}

}  // extern "C"
