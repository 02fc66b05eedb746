// XPG message catalogs opened for a given locale: the NLSPATH search with its
// fallbacks, a bounds-checked reader of the binary catalog format that gencat
// writes, and texts converted into the caller's code set, cached per catalog.
#include "internal.h"
#include "utf8.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <climits>
#include <cstring>
#include <map>
#include <memory>
#include <new>
#include <tuple>
#include <unordered_map>

#ifndef LYR_CATALOG_DIR
#define LYR_CATALOG_DIR "/usr/local/share/zel/nls/msg"
#endif

struct lyr_cat {
    std::string data;                                 // the whole file
    std::unordered_map<uint64_t, const char *> msgs;  // (set << 32 | number) -> text in data
    std::unique_ptr<lyr_cs> cs;                       // code set of the texts; null if unknown
    std::mutex mu;                                    // guards converted
    std::map<std::tuple<int, int, std::string>, std::string> converted;
};

namespace {

constexpr uint32_t kMagic = 0x960408deU;
constexpr size_t kMaxFile = 64u << 20;

uint32_t word(const std::string &d, size_t off, bool swap) {
    uint32_t v;
    memcpy(&v, d.data() + off, 4);
    return swap ? __builtin_bswap32(v) : v;
}

// The file holds a header (magic, plane size, plane depth), the (set + 1,
// number, offset) table twice (writer's byte order, then swapped) and the
// NUL-terminated texts. Every offset is checked, so a damaged file is refused.
bool index_catalog(lyr_cat &cat) {
    const std::string &d = cat.data;
    if (d.size() < 12) return false;
    uint32_t magic;
    memcpy(&magic, d.data(), 4);
    bool swap = magic != kMagic;
    if (swap && magic != __builtin_bswap32(kMagic)) return false;
    uint64_t size = word(d, 4, swap), depth = word(d, 8, swap);
    if (size == 0 || depth == 0) return false;
    uint64_t entries = size * depth;
    if (entries > (d.size() - 12) / 24) return false;  // two tables of 12-byte entries must fit
    size_t table = 12 + (swap ? entries * 12 : 0);     // the table in our byte order
    size_t strings = 12 + entries * 24;
    size_t strsize = d.size() - strings;
    for (uint64_t e = 0; e < entries; ++e) {
        size_t off = table + e * 12;
        uint32_t set = word(d, off, false), num = word(d, off + 4, false),
                 text = word(d, off + 8, false);
        if (set == 0) continue;  // empty slot
        if (text >= strsize || d[d.size() - 1] != '\0') return false;
        uint64_t key = (static_cast<uint64_t>(set - 1) << 32) | num;
        cat.msgs.emplace(key, d.data() + strings + text);
    }
    return true;
}

// Reads and indexes the file at path: 0, or ENOENT (nothing there), EPERM
// (there but unreadable) or EBADMSG (there, but refused: not a regular file,
// too large, or not a well-formed catalog). A refused file must not be handed
// to another reader either, which may trust what this one checked.
int load(const std::string &path, std::unique_ptr<lyr_cat> &out) {
    if (path.size() >= PATH_MAX) return ENOENT;
    // Non-blocking, so that a FIFO planted at the path cannot hold the open.
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return errno == EACCES || errno == EPERM ? EPERM : ENOENT;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return EBADMSG;
    }
    auto cat = std::make_unique<lyr_cat>();
    int err = 0;
    if (static_cast<uint64_t>(st.st_size) > kMaxFile) err = EBADMSG;
    char buf[8192];
    while (!err) {
        ssize_t r = read(fd, buf, sizeof buf);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0)
            err = errno == EISDIR ? ENOENT : EPERM;
        else if (r == 0)
            break;
        else if (cat->data.size() + static_cast<size_t>(r) > kMaxFile)
            err = EBADMSG;
        else
            cat->data.append(buf, static_cast<size_t>(r));
    }
    close(fd);
    if (!err && !index_catalog(*cat)) err = EBADMSG;
    if (!err) out = std::move(cat);
    return err;
}

// The forms of a locale tried in turn: the full name, then language_territory,
// then language alone.
struct Form {
    std::string name, language, territory, codeset;
};

std::vector<Form> locale_forms(const lyr_loc &loc) {
    std::vector<Form> forms{{loc.name, loc.language, loc.territory, loc.codeset}};
    if (!loc.territory.empty() && (!loc.codeset.empty() || !loc.modifier.empty()))
        forms.push_back({loc.language + "_" + loc.territory, loc.language, loc.territory, ""});
    if (!loc.territory.empty() || !loc.codeset.empty() || !loc.modifier.empty())
        forms.push_back({loc.language, loc.language, "", ""});
    return forms;
}

// One NLSPATH template filled in; an empty template stands for "%N".
std::string expand(const std::string &tmpl, const char *name, const Form &loc) {
    if (tmpl.empty()) return name;
    std::string out;
    for (size_t i = 0; i < tmpl.size(); ++i) {
        if (tmpl[i] != '%' || i + 1 == tmpl.size()) {
            out += tmpl[i];
            continue;
        }
        switch (tmpl[++i]) {
        case 'N': out += name; break;
        case 'L': out += loc.name; break;
        case 'l': out += loc.language; break;
        case 't': out += loc.territory; break;
        case 'c': out += loc.codeset; break;
        case '%': out += '%'; break;
        default: out += '%', out += tmpl[i]; break;
        }
    }
    return out;
}

class Search {
public:
    // True when the file at path was opened; otherwise remembers why not.
    bool attempt(const std::string &path) {
        int err = load(path, cat_);
        if (!err) return true;
        if (err != ENOENT && first_err_ == ENOENT) first_err_ = err;
        return false;
    }
    std::unique_ptr<lyr_cat> &catalog() { return cat_; }
    int error() const { return first_err_; }

private:
    std::unique_ptr<lyr_cat> cat_;
    int first_err_ = ENOENT;
};

bool search_nlspath(Search &search, const char *name, const std::vector<Form> &forms) {
    const char *nlspath = getenv("NLSPATH");
    if (!nlspath || !*nlspath) return false;
    for (const Form &form : forms) {
        const char *p = nlspath;
        for (;;) {
            const char *end = strchr(p, ':');
            std::string tmpl = end ? std::string(p, end) : std::string(p);
            if (search.attempt(expand(tmpl, name, form))) return true;
            if (!end) break;
            p = end + 1;
        }
    }
    return false;
}

bool search_install_dir(Search &search, const char *name, const std::vector<Form> &forms) {
    const char *env = getenv("ZEL_CATALOG_DIR");
    std::string dir = env && *env ? env : LYR_CATALOG_DIR;
    for (const Form &form : forms)
        if (search.attempt(dir + "/" + form.name + "/" + name)) return true;
    return forms.front().name != "C" && search.attempt(dir + "/C/" + name);
}

lyr_cat *open_catalog(const char *name, int flags, lyr_loc_t loc) {
    if (!name || !*name) {
        errno = EINVAL;
        return nullptr;
    }
    std::unique_ptr<lyr_loc> own;
    if (!loc) {
        // Without bit 0 the locale comes from LANG, as for an XPG catopen
        // with flags 0; with it, from LC_MESSAGES.
        const char *lang = getenv("LANG");
        std::string locname = (flags & 1) || !lang || !*lang ? lyr::process_locale_name() : lang;
        own.reset(lyr::make_locale(locname.c_str()));
        if (!own) own.reset(lyr::make_locale("C"));
        if (!own) throw std::bad_alloc();
        loc = own.get();
    }
    Search search;
    if (strchr(name, '/')) {
        search.attempt(name);
    } else {
        std::vector<Form> forms = locale_forms(*loc);
        if (!search_nlspath(search, name, forms) && !(flags & LYR_CAT_SEARCH_PATH_ONLY))
            search_install_dir(search, name, forms);
    }
    if (!search.catalog()) {
        errno = search.error();
        return nullptr;
    }
    search.catalog()->cs.reset(lyr::make_cs(loc->cs_name.c_str()));
    return search.catalog().release();
}

}  // namespace

extern "C" {

// Flags: bit 0 takes the process locale from LC_MESSAGES (as NL_CAT_LOCALE
// does) rather than LANG when loc is null; the other bits are ignored.
lyr_cat_t lyr_catopen(const char *name, int flags, lyr_loc_t loc) {
    try {
        return open_catalog(name, flags, loc);
    } catch (const std::bad_alloc &) {
        errno = ENOMEM;
        return nullptr;
    }
}

const char *lyr_catgets(lyr_cat_t cat, int set, int num, const char *def, lyr_cs_t cs) {
    if (!cat || set < 0 || num < 0) return def;
    auto it = cat->msgs.find((static_cast<uint64_t>(set) << 32) | static_cast<uint32_t>(num));
    if (it == cat->msgs.end()) return def;
    const char *raw = it->second;
    // Without a code set the text is given as the catalog holds it.
    if (!cs) return raw;
    lyr_cs *target = lyr::resolve(cs);
    size_t len = strlen(raw);
    if (cat->cs ? lyr::same_cs(*cat->cs, *target) ||
                      (cat->cs->ascii && target->ascii && lyr::is_ascii(raw, len))
                : target->ascii && lyr::is_ascii(raw, len))
        return raw;
    if (!cat->cs) return def;
    try {
        std::lock_guard<std::mutex> lock(cat->mu);
        auto key = std::make_tuple(set, num, target->key);
        auto hit = cat->converted.find(key);
        if (hit != cat->converted.end()) return hit->second.c_str();
        std::string u8, out;
        if (!lyr::to_utf8(*cat->cs, raw, len, u8) ||
            !lyr::from_utf8(*target, u8.data(), u8.size(), out))
            return def;
        return cat->converted.emplace(key, std::move(out)).first->second.c_str();
    } catch (const std::bad_alloc &) {
        return def;
    }
}

int lyr_catclose(lyr_cat_t cat) {
    if (!cat) {
        errno = EBADF;
        return -1;
    }
    delete cat;
    return 0;
}

}  // extern "C"
