// Fuzz target of the system-log route's line: any text, program name and
// severity become one line that fits a datagram, holds no control character
// and ends on a whole character of the text.
#include <zel/svc_internal.h>

#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <syslog.h>

#include <string>

#include "svc/routes/syslog_route.h"

namespace {

zel_svc_subcomp g_table[] = {{"sub", "a sub-component", 0, 0}, {nullptr, nullptr, 0, 0}};
zel_svc_handle g_handle = {const_cast<char *>("fzz"), g_table, 0,      0, 0, 0,
                           {0, 0, nullptr},           nullptr, nullptr};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 2) return 0;
    // First byte: severity or debug level; second: whether the header has a
    // handle; the rest up to a NUL: program name (up to '|') and text.
    std::string rest(reinterpret_cast<const char *>(data + 2), size - 2);
    rest = rest.substr(0, rest.find('\0'));
    size_t bar = rest.find('|');
    std::string name = bar == std::string::npos ? "" : rest.substr(0, bar);
    std::string text = bar == std::string::npos ? rest : rest.substr(bar + 1);
    zel_svc_prolog header = {};
    header.handle = data[1] & 1 ? &g_handle : nullptr;
    header.built = 1;
    header.attributes = data[0] & 0x1FF;
    header.msgid = data[1] & 2 ? 0x3665A09Cu : 0;
    strncpy(header.procname, name.c_str(), sizeof header.procname - 1);
    char line[zel::kSyslogLineMax];
    size_t length =
        zel::syslog_line(line, &header, LOG_LOCAL3 | zel::syslog_severity(&header), text.c_str());
    if (length == 0 || length > sizeof line || line[0] != '<') abort();
    for (size_t i = 0; i < length; ++i) {
        unsigned char c = static_cast<unsigned char>(line[i]);
        if (c < 0x20 || c == 0x7f) abort();  // a control character would forge a line
    }
    return 0;
}
