// Fuzz target of the XML record writers: the input's bytes become the string
// arguments, the source file name, the process name, a trace format's text
// and a width, on both writers. The records must stay well-formed XML (a
// small checker of our own reads them back) and bounded in size.
//
// Input: a byte of choices, four bytes of width, then NUL-separated pieces:
// argument, second argument, file name, process name, literal trace text.
#include <zel/svc_internal.h>
#include <zel/zel.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "svc/record/print_call.h"

namespace {

// Whether s[i..] starts with a whole UTF-8 character that XML 1.0 allows;
// its length in *len.
bool xml_char(const std::string &s, size_t i, size_t *len) {
    unsigned c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
        *len = 1;
        return c >= 0x20 || c == '\t' || c == '\n' || c == '\r';
    }
    int n = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : -1;
    if (n < 0 || c > 0xF4 || i + static_cast<size_t>(n) >= s.size()) return false;
    unsigned long cp = c & (0x3F >> n);
    for (int k = 1; k <= n; ++k) {
        unsigned b = static_cast<unsigned char>(s[i + static_cast<size_t>(k)]);
        if ((b & 0xC0) != 0x80) return false;
        cp = cp << 6 | (b & 0x3F);
    }
    static const unsigned long kMin[] = {0, 0x80, 0x800, 0x10000};
    *len = static_cast<size_t>(n) + 1;
    if (cp < kMin[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    return cp != 0xFFFE && cp != 0xFFFF;
}

bool name_char(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-' || c == '.' || c == ':';
}

// A reference at s[i] ("&"): one of the five names or a character number.
bool reference(const std::string &s, size_t &i) {
    size_t end = s.find(';', i);
    if (end == std::string::npos) return false;
    std::string ref = s.substr(i + 1, end - i - 1);
    i = end + 1;
    if (ref == "amp" || ref == "lt" || ref == "gt" || ref == "quot" || ref == "apos") return true;
    if (ref.size() < 2 || ref[0] != '#') return false;
    for (size_t k = 1; k < ref.size(); ++k)
        if (ref[k] < '0' || ref[k] > '9') return false;
    long v = strtol(ref.c_str() + 1, nullptr, 10);
    return v == 9 || v == 10 || v == 13 || (v >= 0x20 && v != 0xFFFE && v != 0xFFFF);
}

// Well-formedness of a sequence of top-level elements with attributes, text,
// references and CDATA sections: the shapes our records use. Returns the
// number of top-level elements, or -1.
int check_xml(const std::string &s) {
    for (size_t i = 0, len; i < s.size(); i += len)
        if (!xml_char(s, i, &len)) return -1;
    std::vector<std::string> open;
    int elements = 0;
    size_t i = 0;
    while (i < s.size()) {
        if (s.compare(i, 9, "<![CDATA[") == 0) {
            size_t end = s.find("]]>", i + 9);
            if (open.empty() || end == std::string::npos) return -1;
            i = end + 3;
        } else if (s.compare(i, 2, "</") == 0) {
            size_t start = i + 2, j = start;
            while (j < s.size() && name_char(s[j])) ++j;
            if (open.empty() || s.compare(start, j - start, open.back()) != 0 ||
                open.back().size() != j - start || j >= s.size() || s[j] != '>')
                return -1;
            open.pop_back();
            i = j + 1;
        } else if (s[i] == '<') {
            size_t start = i + 1, j = start;
            while (j < s.size() && name_char(s[j])) ++j;
            if (j == start) return -1;
            std::string name = s.substr(start, j - start);
            for (;;) {
                while (j < s.size() && s[j] == ' ') ++j;
                if (j >= s.size()) return -1;
                if (s[j] == '>') break;
                size_t a = j;
                while (j < s.size() && name_char(s[j])) ++j;
                if (j == a || j + 1 >= s.size() || s[j] != '=' ||
                    (s[j + 1] != '"' && s[j + 1] != '\''))
                    return -1;
                char quote = s[j + 1];
                j += 2;
                while (j < s.size() && s[j] != quote) {
                    if (s[j] == '<') return -1;
                    if (s[j] == '&') {
                        if (!reference(s, j)) return -1;
                    } else {
                        ++j;
                    }
                }
                if (j >= s.size()) return -1;
                ++j;
            }
            if (open.empty()) ++elements;
            open.push_back(name);
            i = j + 1;
        } else if (s[i] == '&') {
            if (open.empty() || !reference(s, i)) return -1;
        } else {
            if (open.empty() && s[i] != '\n' && s[i] != ' ') return -1;
            if (s.compare(i, 3, "]]>") == 0) return -1;
            ++i;
        }
    }
    return open.empty() ? elements : -1;
}

// Writes an XML record of the header (which the call then owns) with the
// arguments that follow, on the plain or the UTF-8 road.
void write_xml(FILE *stream, const zel_svc_prolog &header, bool trace, int utf8, ...) {
    va_list args, ap;
    va_start(args, utf8);
    va_copy(ap, args);
    zel::PrintCall call;
    call.road = utf8 != 0 ? zel::Road::context : zel::Road::plain;
    call.trace = trace;
    call.args = &ap;
    zel::choose_code_sets(&call.ctx, utf8 != 0);
    call.ctx.header = header;
    zel::time_text(&call.ctx.header, call.time);
    zel::write_call_record(&call, ZEL_SVC_ROUTE_XMLFILE, stream);
    zel::release_call(&call);
    va_end(ap);
    va_end(args);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static bool started = [] {
        zelmsg_init("xmlfuzz", 0);
        return true;
    }();
    (void)started;
    if (size < 5) return 0;
    unsigned choice = data[0];
    int width = static_cast<int>(static_cast<unsigned32>(data[1]) << 24 | data[2] << 16 |
                                 data[3] << 8 | data[4]);
    std::string rest(reinterpret_cast<const char *>(data) + 5, size - 5);
    std::vector<std::string> piece(5);
    for (size_t k = 0, at = 0; k < piece.size() && at <= rest.size(); ++k) {
        size_t end = std::min(rest.find('\0', at), rest.size());
        piece[k] = rest.substr(at, end - at);
        at = end + 1;
    }
    std::string literal = piece[4];
    for (size_t at; (at = literal.find('%')) != std::string::npos;) literal.erase(at, 1);

    char *out = nullptr;
    size_t out_size = 0;
    FILE *stream = open_memstream(&out, &out_size);
    if (!stream) return 0;
    zel_svc_prolog message;
    bool utf8 = choice & 1;
    zel::build_message_header(&message, zelmox_client_svc_handle, utf8, piece[2].c_str(), 7, "%s%d",
                              0, ZEL_SVC_SEV_ERROR, ZEL_S_SYSTEM_ROUTINE_ERROR);
    snprintf(message.procname, sizeof message.procname, "%s", piece[3].c_str());
    write_xml(stream, message, false, utf8 ? 1 : 0, piece[0].c_str(), width);

    // A trace whose format has the fuzzed text and a fuzzed width, literal or "*".
    std::string format =
        literal + ((choice & 2) ? "%*s|%s" : "%" + std::to_string(width & 0x7FFFFFFF) + "s|%s");
    zel_svc_prolog trace = {};
    zel::build_trace_header(&trace, zelmox_client_svc_handle, piece[2].c_str(), 9, 1, 5,
                            format.c_str());
    if (choice & 2) {
        write_xml(stream, trace, true, 0, width, piece[0].c_str(), piece[1].c_str());
    } else {
        write_xml(stream, trace, true, 0, piece[0].c_str(), piece[1].c_str());
    }
    fclose(stream);

    std::string xml(out, out_size);
    free(out);
    if (check_xml(xml) != 2) {
        fprintf(stderr, "not well-formed XML:\n%s\n", xml.c_str());
        abort();
    }
    // Two texts of at most 64 KB and parameters of at most 10000 bytes (three
    // times that converted to UTF-8), the rest a few lines; escaping makes a
    // byte at most 17 ("\r" in CDATA).
    if (xml.size() > 17 * (2 * 64 * 1024 + 2 * 30000) + 4096) abort();
    return 0;
}
