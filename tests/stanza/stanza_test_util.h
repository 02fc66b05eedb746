// What the stanza tests share: a handle closed on scope exit, and the cursor
// or the walk of a whole file written as text that a test compares whole.
#ifndef ZEL_TESTS_STANZA_STANZA_TEST_UTIL_H
#define ZEL_TESTS_STANZA_STANZA_TEST_UTIL_H

#include <memory>

#include "support/test_support.h"

namespace zeltest {

using Stz = std::unique_ptr<zelStzFile_t, decltype(&zelStzFileClose)>;

inline Stz open_stz(const std::string &path, unsigned flags) {
    unsigned status = 0;
    return Stz(zelStzFileOpen(path.c_str(), flags, &status), zelStzFileClose);
}

// The message number an open fails with: 0 when it works, -1 when the handle
// and the status disagree.
inline int open_status(const std::string &path, unsigned flags) {
    unsigned status = 1;
    Stz s(zelStzFileOpen(path.c_str(), flags, &status), zelStzFileClose);
    return (s != nullptr) == (status == 0) ? int(status & 0xFFF) : -1;
}

inline std::string or_dash(const char *text) { return text ? text : "-"; }

// "stanza/name/value", then "!171" (the failure's message number) when error is set.
inline std::string cursor(const zelStzFile_t *s) {
    return or_dash(s->stanza) + "/" + or_dash(s->name) + "/" + or_dash(s->value) +
           (s->error ? "!" + std::to_string(s->error & 0xFFF) : "");
}

// "[a] k=v n=- [b]": every stanza from the first with its entries; a failed
// step adds " !e " (entry) or " !s " (stanza) and the cursor it left.
inline std::string walk(zelStzFile_t *s) {
    std::string out;
    zelStzMoveFirstStanza(s);
    for (bool ok = !s->error; ok && s->stanza; ok = zelStzMoveNextStanza(s)) {
        out += (out.empty() ? "[" : " [") + std::string(s->stanza) + "]";
        for (; s->name; zelStzMoveNextEntry(s)) out += " " + std::string(s->name) + "=" + or_dash(s->value);
        if (s->error) return out + " !e " + cursor(s);
    }
    return s->error ? out + " !s " + cursor(s) : out;
}

}  // namespace zeltest

#endif
