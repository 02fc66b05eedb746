// Message-layer start-up: a program calls zelmsg_init once to bring up
// serviceability, adopt the user's locale, make the product's catalogs
// findable and register its three message components.
#include <zel/file.h>
#include <zel/startup.h>
#include <zel/svc_internal.h>

#include <syslog.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "msg/status_codes.h"
#include "svc/core/core_state.h"

namespace {

int g_initialised = 0;

constexpr char kNlsPathFormat[] = "NLSPATH=%s/%%L/%%N:%s/%%L/%%N.cat:%s";

void report_failure(const char *text) {
    syslog(LOG_CRIT, "%s", text);
    std::fputs(text, stderr);
}

// Makes sure the catalog search path covers the installation's message
// directory, in front of whatever it held. The buffer stays in the environment.
void extend_catalog_path() {
    const char *directory = zel_get_path(6);
    const char *current = lyr_get_nlspath();
    if (!current) current = "";
    if (directory && lyr_strstr(nullptr, current, directory)) return;
    char *entry = nullptr;
    if (directory) {
        size_t size =
            std::strlen(kNlsPathFormat) + 2 * std::strlen(directory) + std::strlen(current) + 1;
        entry = static_cast<char *>(std::malloc(size));
        if (entry) std::snprintf(entry, size, kNlsPathFormat, directory, directory, current);
    }
    if (!entry) {
        report_failure("Cannot initialize NLSPATH.");
        return;
    }
    putenv(entry);
}

// A component that serviceability registered already (the compiled ones, at
// zel_svc_init) keeps its one handle: with a second one for the same table the
// program's records would take one handle while an administrator's routing by
// the component's name changes the other.
zel_svc_handle *register_once(zel_svc_subcomp *table, const char *component, unsigned32 *status) {
    zel::svc_lock();
    zel_svc_handle *handle = zel_svc__table_to_handle(table);
    if (handle && handle->component_name && std::strcmp(handle->component_name, component) == 0) {
        zel::set_status(status, 0);
    } else {
        handle = zel_svc_register2(table, component, status);
    }
    zel::svc_unlock();
    return handle;
}

struct CompiledComponent {
    const char *name;
    zel_svc_subcomp *svc_table;
    const zel_msg_row *messages;
    unsigned32 count;
    zel_svc_handle **handle;
};

}  // namespace

extern "C" {

int zelmsg_init(const char *ident, int useUtf8) {
    if (g_initialised) return 1;
    unsigned32 status;
    zel_svc_init(0, &status);
    std::setlocale(LC_ALL, "");
    openlog(ident, LOG_CONS | LOG_NDELAY, LOG_USER);
    extend_catalog_path();
    if (lyr_get_dir()[0] == '\0') lyr_set_dir(zel_get_path(7));

    zel_svc_set_progname(ident, &status);
    if (status != 0) {
        syslog(LOG_CRIT, "Cannot initialize DCE servicibility messages");
        std::fprintf(stderr, "Cannot initialize DCE servicibility messages(status 0x%8x)\n",
                     status);
        return 0;
    }
    g_initialised = 1;

    const CompiledComponent components[] = {
        {"qpc", zelmox_client_svc_table, zelmox_client_svc_g_table, 114, &zelmox_client_svc_handle},
        {"qpd", zelmox_deploy_svc_table, zelmox_deploy_svc_g_table, 831, &zelmox_deploy_svc_handle},
        {"qpi", zelmox_if_svc_table, zelmox_if_svc_g_table, 99, &zelmox_if_svc_handle},
    };
    for (const CompiledComponent &c : components) {
        zelmsg_init_catalog(c.name, c.svc_table, c.messages, c.count, c.handle, &status);
        if (status != 0) {
            syslog(LOG_CRIT, "Cannot initialize servicibility messages");
            std::fprintf(stderr, "Cannot initialize servicibility messages(status 0x%8x)\n",
                         status);
            return 0;
        }
    }
    closelog();
    lyr_set_def_cs(useUtf8 ? lyr_cs_new("UTF8") : zelsvc_get_local_code_page());
    return 1;
}

void zelmsg_init_catalog(const char *component, zel_svc_subcomp *svc_table,
                         const zel_msg_row *table, unsigned32 count, zel_svc_handle **handle,
                         unsigned32 *status) {
    zel::set_status(status, 0);
    unsigned32 st;
    zel_msg_define_msg_table(table, count, &st);
    if (st != 0) {
        zel::set_status(status, st);
        return;
    }
    zel_svc_handle *registered = register_once(svc_table, component, &st);
    if (handle) *handle = registered;
    zel::set_status(status, st);
}

void zelmsg_shutdown(void) {}

void zelmsg_free(void *text) { std::free(text); }

const char *zelmsg_get_utf8_locale_msg(unsigned32 code, const char *localeName, int *allocated,
                                       unsigned32 *status) {
    int unused;
    if (!allocated) allocated = &unused;
    *allocated = 1;
    if (!localeName || std::strcmp(localeName, "C") != 0) {
        unsigned32 st;
        char *text = zel_msg_get_locale_cat_msg(code, localeName, "UTF8", 1, &st);
        if (text && st == 0) {
            zel::set_status(status, 0);
            return text;
        }
        std::free(text);
    }
    const char *text = zel_msg_get_default_msg(code, status);
    if (text) *allocated = 0;
    return text;
}

}  // extern "C"
