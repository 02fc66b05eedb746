// Any text read as an identifier. What sscanf lets through (blanks, signs,
// 0x prefixes, a short last field) may parse; whatever parses must come back
// unchanged through the text form, a strict text must parse to its own
// digits, and a refused text must leave the identifier alone.
#include <zel/status.h>
#include <zel/uuid.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

int hex(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : std::tolower(c) - 'a' + 10;
}

// Hex digits everywhere but at the given separator positions, which hold sep.
bool strict(const std::string &text, const char *separators, char sep) {
    if (text.size() != 36) return false;
    for (size_t i = 0; i < 36; ++i) {
        bool at_separator = std::strchr(separators, static_cast<char>(i + 1)) != nullptr;
        if (at_separator ? text[i] != sep : !std::isxdigit(static_cast<unsigned char>(text[i])))
            return false;
    }
    return true;
}

// The bytes an old-form text stands for, read digit by digit.
void old_form_bytes(const std::string &text, unsigned char *bytes) {
    unsigned long high = 0;
    unsigned low = 0;
    for (int i = 0; i < 8; ++i) high = high * 16 + hex(text[i]);
    for (int i = 8; i < 12; ++i) low = low * 16 + hex(text[i]);
    vr_uuid_t u{};
    u.time_low = static_cast<unsigned32>(high);
    u.time_mid = static_cast<unsigned short>(low);
    std::memcpy(bytes, &u, 8);
    for (int i = 0; i < 8; ++i)
        bytes[8 + i] =
            static_cast<unsigned char>(hex(text[13 + 3 * i]) * 16 + hex(text[14 + 3 * i]));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::string text(reinterpret_cast<const char *>(data), size);
    text.resize(std::strlen(text.c_str()));
    vr_uuid_t u, again;
    std::memset(&u, 0xA5, sizeof u);
    const vr_uuid_t before = u;
    unsigned status;
    vr_uuid_from_string(text.c_str(), &u, &status);
    // Positions (counted from 1) of the separators of the two forms.
    bool current = strict(text, "\x09\x0e\x13\x18", '-');
    bool old_form = strict(text, "\x0d\x10\x13\x16\x19\x1c\x1f\x22", '.');
    size_t at = current ? 19 : 13;
    unsigned char variant = current || old_form
                                ? static_cast<unsigned char>(hex(text[at]) * 16 + hex(text[at + 1]))
                                : 0;
    if (status != 0) {
        if (status != ZEL_S_UUID_BAD_TEXT && status != ZEL_S_UUID_BAD_VARIANT) std::abort();
        if (std::memcmp(&u, &before, sizeof u) != 0) std::abort();
        if ((current || old_form) && variant < 0xE0) std::abort();
        return 0;
    }
    if (text.empty() ? vr_uuid_is_nil(&u, &status) == 0 : text.size() != 36) std::abort();
    if ((current || old_form) && variant >= 0xE0) std::abort();
    char *written = nullptr;
    vr_uuid_to_string(&u, &written, &status);
    if (status != 0 || written == nullptr || std::strlen(written) != 36) std::abort();
    vr_uuid_from_string(written, &again, &status);
    if (status != 0 || std::memcmp(&u, &again, sizeof u) != 0) std::abort();
    if (vr_uuid_compare(&u, &again, &status) != 0 ||
        vr_uuid_hash(&u, &status) != vr_uuid_hash(&again, &status))
        std::abort();
    if (current) {
        for (size_t i = 0; i < 36; ++i) {
            if (std::tolower(static_cast<unsigned char>(text[i])) != written[i]) std::abort();
        }
    }
    if (old_form) {
        unsigned char want[16];
        old_form_bytes(text, want);
        if (std::memcmp(want, &u, sizeof u) != 0) std::abort();
    }
    vr_uuid_string_free(&written, &status);
    return 0;
}
