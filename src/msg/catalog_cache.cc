// Opening message catalogs through the catalog cache. A code's catalog file
// is named after its technology and component; the services open it for a
// locale, and the system's catalog functions are the fallback.
#include "msg/catalog_cache.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "msg/catalog_misses.h"
#include "msg/message_layer.h"
#include "msg/status_codes.h"
#include "msg/text_memo.h"

namespace zel {
namespace {

constexpr int kClasses = 4;
constexpr int kClassSize = 8;
constexpr const char *kAbsent = "?NOPE?";

zel_msg_catalog *g_cache[kClasses][kClassSize];

struct CatalogName {
    char first[32];
    char second[32];  // only for technology "dce": "dce" + component + ".cat"
    unsigned32 mask;
};

CatalogName catalog_name(unsigned32 code) {
    CatalogName name{};
    unsigned32 technology = code >> 28;
    if (technology == 4 || technology == 5) {
        std::snprintf(name.first, sizeof name.first, "dce%6.6lx.cat",
                      static_cast<unsigned long>(code >> 14));
        name.mask = 0x3FFF;
        return name;
    }
    char tech[4], comp[4];
    zel_msg__inq_tech(code, tech);
    zel_msg__inq_comp(code, comp);
    name.mask = 0xFFF;
    if (technology == 1) {
        std::snprintf(name.first, sizeof name.first, "vrb%s.cat", comp);
        std::snprintf(name.second, sizeof name.second, "dce%s.cat", comp);
    } else {
        std::snprintf(name.first, sizeof name.first, "%s%s.cat", tech, comp);
    }
    return name;
}

bool same_locale(const char *a, const char *b) {
    return (!a && !b) || (a && b && std::strcmp(a, b) == 0);
}

void close_entry(zel_msg_catalog *entry) {
    if (entry->lyr) {
        lyr_catclose(entry->lyr);
    } else if (entry->xpg != reinterpret_cast<nl_catd>(-1)) {
        catclose(entry->xpg);
    }
    std::free(entry->locale);
    std::free(entry->file);
    std::free(entry);
}

// Moves the entry at `index` to the front of its class.
zel_msg_catalog *promote(zel_msg_catalog **slots, int index) {
    zel_msg_catalog *entry = slots[index];
    std::memmove(slots + 1, slots, index * sizeof *slots);
    slots[0] = entry;
    return entry;
}

zel_msg_catalog *find_cached(zel_msg_catalog **slots, unsigned32 code, const char *locale) {
    for (int i = 0; i < kClassSize && slots[i]; ++i) {
        if (slots[i]->base == (code & ~slots[i]->mask) && same_locale(slots[i]->locale, locale)) {
            return promote(slots, i);
        }
    }
    return nullptr;
}

struct Opened {
    lyr_cat_t lyr = nullptr;
    nl_catd xpg = reinterpret_cast<nl_catd>(-1);
    const char *file = nullptr;
    int error = 0;
};

// A failure other than "not found" says more about why no catalog could be
// used, so it is the one reported.
void keep_error(Opened &opened, int error) {
    if (opened.error == 0 || opened.error == ENOENT) opened.error = error;
}

// The system's catalog reader is asked only for a file that the services'
// search did not find at all: a file they refused as damaged would be read
// by it unchecked, and some damaged files crash it.
Opened open_file(const CatalogName &name, lyr_loc_t locale, int flags) {
    Opened opened;
    // A code with two names has both looked for on NLSPATH before the
    // catalogs installed with the library: the installed first name must not
    // hide the second one that the program's own search path holds.
    if (name.second[0] != '\0') {
        for (const char *file : {name.first, name.second}) {
            opened.file = file;
            opened.lyr = lyr_catopen(file, flags | 1 | LYR_CAT_SEARCH_PATH_ONLY, locale);
            if (opened.lyr) return opened;
            keep_error(opened, errno);
        }
    }
    for (const char *file : {name.first, name.second}) {
        if (file[0] == '\0') break;
        opened.file = file;
        opened.lyr = lyr_catopen(file, flags | 1, locale);
        if (opened.lyr) return opened;
        int error = errno;
        keep_error(opened, error);
        if (error != ENOENT) continue;
        opened.xpg = catopen(file, NL_CAT_LOCALE);
        if (opened.xpg != reinterpret_cast<nl_catd>(-1)) return opened;
        keep_error(opened, errno);
    }
    return opened;
}

unsigned32 status_from_errno(int error) {
    if (error == EPERM) return ZEL_S_CAT_NOT_PERMITTED;
    if (error == ENOENT) return ZEL_S_CAT_NOT_FOUND;
    return ZEL_S_CAT_NOT_OPENED;
}

// Opens the catalog and puts it at the front of its class, evicting the
// least recently used entry of a full class. Runs under the catalog lock.
zel_msg_catalog *open_into_cache(zel_msg_catalog **slots, unsigned32 code, const char *locale,
                                 int flags, unsigned32 *status) {
    CatalogName name = catalog_name(code);
    lyr_loc_t made = nullptr;
    lyr_loc_t handle;
    if (locale) {
        made = handle = lyr_loc_new(locale);
        if (!handle) {
            *status = ZEL_S_CAT_NOT_FOUND;
            return nullptr;
        }
    } else {
        handle = zelsvc_get_locale();
    }
    Opened opened = open_file(name, handle, flags);
    if (made) lyr_loc_free(made);
    if (!opened.lyr && opened.xpg == reinterpret_cast<nl_catd>(-1)) {
        *status = status_from_errno(opened.error);
        return nullptr;
    }

    auto *entry = static_cast<zel_msg_catalog *>(std::calloc(1, sizeof(zel_msg_catalog)));
    char *locale_copy = locale ? strdup(locale) : nullptr;
    char *file_copy = strdup(opened.file);
    if (!entry || !file_copy || (locale && !locale_copy)) {
        if (opened.lyr) lyr_catclose(opened.lyr);
        if (opened.xpg != reinterpret_cast<nl_catd>(-1)) catclose(opened.xpg);
        std::free(entry);
        std::free(locale_copy);
        std::free(file_copy);
        *status = ZEL_S_MSG_NO_MEMORY;
        return nullptr;
    }
    *entry = {code & ~name.mask, name.mask, opened.xpg, opened.lyr, locale_copy, file_copy};
    message_texts_changed();  // a text remembered from the entry it evicts, or from a miss
    if (slots[kClassSize - 1]) close_entry(slots[kClassSize - 1]);
    std::memmove(slots + 1, slots, (kClassSize - 1) * sizeof *slots);
    slots[0] = entry;
    return entry;
}

void print_diagnostics(const CatalogName &name, unsigned32 status) {
    const char *path = lyr_get_nlspath();
    std::fprintf(stderr, "NLSPATH=%s\n", path ? path : "(null)");
    std::fprintf(stderr, "LYRDIR=%s\n", lyr_get_dir());
    std::fprintf(stderr, "catopen(%s) status = %8.8x\n", name.first, status);
}

}  // namespace

zel_msg_catalog *catalog_open(unsigned32 code, const char *locale, int flags, unsigned32 *status) {
    *status = 0;
    if (locale && std::strcmp(locale, zelsvc_get_locale_name()) == 0) locale = nullptr;
    msg_layer_setup();
    int cls = (flags & 7) >> 1;
    zel_msg_catalog **slots = g_cache[cls];
    zel_msg_catalog *entry;
    ZEL_MSGCAT_LOCK();
    entry = find_cached(slots, code, locale);
    if (!entry && (*status = recent_catalog_miss(cls, code, locale)) == 0) {
        entry = open_into_cache(slots, code, locale, flags, status);
        if (!entry && *status != ZEL_S_MSG_NO_MEMORY)
            remember_catalog_miss(cls, code, locale, *status);
    }
    ZEL_MSGCAT_UNLOCK();
    if (std::getenv("VRSVC_DEBUG_MSG")) print_diagnostics(catalog_name(code), *status);
    return entry;
}

const char *catalog_fetch(zel_msg_catalog *cat, unsigned32 code, lyr_cs_t cs) {
    const char *text = cat->lyr ? lyr_catgets(cat->lyr, 1, code & cat->mask, kAbsent, cs)
                                : catgets(cat->xpg, 1, code & cat->mask, kAbsent);
    return text && std::strcmp(text, kAbsent) != 0 ? text : nullptr;
}

}  // namespace zel

extern "C" {

zel_msg_catalog *zel_msg_cat_open(unsigned32 code, unsigned32 *status) {
    unsigned32 st;
    zel_msg_catalog *cat = zel::catalog_open(code, nullptr, 0, &st);
    zel::set_status(status, st);
    return cat;
}

const char *zel_msg_cat_get_msg(zel_msg_catalog *cat, unsigned32 code, unsigned32 *status) {
    const char *text = cat ? zel::catalog_fetch(cat, code, nullptr) : nullptr;
    if (!text) zel::set_status(status, ZEL_S_CAT_NO_MESSAGE);
    return text;
}

void zel_msg_cat_close(zel_msg_catalog *, unsigned32 *status) { zel::set_status(status, 0); }

const char *zel_msg_get_cat_msg(unsigned32 code, unsigned32 *status) {
    if (code == 0) code = ZEL_S_MSG_SUCCESS;
    zel::msg_layer_setup();
    if (zel::g_msg_noxpgcat) {
        zel::set_status(status, ZEL_S_CAT_NO_MESSAGE);
        return nullptr;
    }
    unsigned32 st;
    zel_msg_catalog *cat = zel::catalog_open(code, nullptr, 0, &st);
    zel::set_status(status, st);
    return cat ? zel_msg_cat_get_msg(cat, code, status) : nullptr;
}

}  // extern "C"
