// Shared set-up of the route fuzz targets: the process works inside a fresh
// temporary directory, and every '/' of an input becomes '_', so that file
// routes can only name files in that directory.
#ifndef ZEL_FUZZ_ROUTE_FUZZ_SUPPORT_H
#define ZEL_FUZZ_ROUTE_FUZZ_SUPPORT_H

#include <zel/svc_internal.h>

#include <dirent.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <string>

#include "private_folder.h"
#include "svc/routes/routes.h"

namespace routefuzz {

inline void enter_temp_dir() {
    static bool entered = false;
    if (entered) return;
    if (chdir(zelfuzz::private_folder("zel_route_fuzz").c_str()) != 0) abort();
    entered = true;
}

// The input as text: up to the first NUL, with every '/' made '_'.
inline std::string confined_text(const uint8_t *data, size_t size) {
    std::string text(reinterpret_cast<const char *>(data), size);
    text = text.substr(0, text.find('\0'));
    for (char &c : text)
        if (c == '/') c = '_';
    return text;
}

// Readies and "writes" every route of a block, as the printing code would.
inline void exercise(zel_svc_routes_t *block) {
    for (int i = 0; i < block->count; ++i) {
        zel_svc_route_t *route = block->routes[i];
        zel_svc__check_open(route);
        if (zel::is_file_kind(route->kind)) {
            FILE *stream = static_cast<zel_svc_fileroute_t *>(route->target)->stream;
            if (!stream) abort();  // an open file route always has its stream
            fputs("r\n", stream);
        }
    }
}

// Removes the files made by one input, and forgets the log-file records once
// many names have been seen (all their routes are closed by then).
inline void reset_files() {
    if (DIR *dir = opendir(".")) {
        while (struct dirent *entry = readdir(dir)) {
            if (strcmp(entry->d_name, ".") != 0 && strcmp(entry->d_name, "..") != 0)
                unlink(entry->d_name);
        }
        closedir(dir);
    }
    if (zel_svc_g_num_fileroutes < 1000) return;
    for (int i = 0; i < zel_svc_g_num_fileroutes; ++i) {
        zel_svc_fileroute_t *file = zel_svc_fileroutes[i];
        if (file->stream) abort();  // the last route closed the stream
        free(file->name);
        free(file->pattern);
        free(file);
    }
    free(zel_svc_fileroutes);
    zel_svc_fileroutes = nullptr;
    zel_svc_g_num_fileroutes = 0;
}

}  // namespace routefuzz

#endif
