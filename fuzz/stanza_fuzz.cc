// Any bytes as a stanza file: validated, walked through a file handle and
// through an in-memory load, which must agree and end within a bound of
// steps. An odd first byte also adds an entry to the first stanza of a valid
// file and deletes it again: the file must read back and then be as it was.
#include <zel/zel.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "scratch_file.h"

namespace {

struct Stanza {
    std::string name;
    std::vector<std::pair<std::string, std::optional<std::string>>> entries;
};

struct Walk {
    std::vector<Stanza> stanzas;  // in the order the walk met them
    bool clean = false;           // ended without a failed move
};

// Lines the reader can see: each line feed ends one, and a line longer than
// 511 bytes is read in pieces.
size_t line_bound(const std::string &text) {
    return text.size() / 511 + 1 + std::count(text.begin(), text.end(), '\n');
}

void check(bool ok) {
    if (!ok) std::abort();
}

zelStzFile_t *open_file(const std::string &path, unsigned flags) {
    unsigned status = 1;
    zelStzFile_t *stz = zelStzFileOpen(path.c_str(), flags, &status);
    check(stz && status == 0);  // our own file, locked by nobody else
    return stz;
}

// Every stanza and entry, with the stanza's size taken first. A walk that
// does not end within 4 steps a line is looping.
Walk walk(zelStzFile_t *stz, size_t lines) {
    Walk w;
    size_t steps = 0, bound = 4 * lines + 10;
    zelStzMoveFirstStanza(stz);
    while (stz->stanza) {
        w.stanzas.push_back({stz->stanza, {}});
        Stanza &s = w.stanzas.back();
        int size = stz->name ? zelStzStanzaSize(stz) : 0;
        if (stz->error) return w;
        while (stz->name) {
            s.entries.emplace_back(
                stz->name, stz->value ? std::optional<std::string>(stz->value) : std::nullopt);
            check(++steps <= bound);
            if (!zelStzMoveNextEntry(stz)) return w;
        }
        // The count and the walk that follows it see the same entries.
        check(static_cast<size_t>(size) == s.entries.size());
        check(++steps <= bound);
        if (!zelStzMoveNextStanza(stz)) return w;
    }
    w.clean = stz->error == 0;
    return w;
}

// The in-memory copy holds the stanzas last first; the file walk's stanzas
// must be the copy's, the last of them possibly cut short by a bad line.
void compare(Walk file, const Walk &memory) {
    std::vector<Stanza> loaded(memory.stanzas.rbegin(), memory.stanzas.rend());
    check(memory.clean);
    if (file.clean) {
        check(file.stanzas.size() == loaded.size());
    } else {
        check(file.stanzas.size() <= loaded.size());
    }
    for (size_t i = 0; i < file.stanzas.size(); ++i) {
        const Stanza &a = file.stanzas[i], &b = loaded[i];
        check(a.name == b.name);
        bool last = i + 1 == file.stanzas.size();
        if (file.clean || !last) {
            check(a.entries == b.entries);
        } else {
            check(a.entries.size() <= b.entries.size());
            check(std::equal(a.entries.begin(), a.entries.end(), b.entries.begin()));
        }
    }
}

std::string read_back(const std::string &path) {
    std::string text;
    FILE *f = std::fopen(path.c_str(), "rb");
    check(f != nullptr);
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
    std::fclose(f);
    return text;
}

// Adds an entry to the first stanza (or to a new stanza when there is none)
// and deletes it. When the key was new, the file ends as it began (but for
// the new stanza's heading).
void edit(const std::string &path, const std::string &text, const Walk &before) {
    static const char kKey[] = "fuzz-key", kValue[] = "fuzz-value";
    std::string stanza = before.stanzas.empty() ? "fuzz-added" : before.stanzas[0].name;
    bool key_was_there = false;
    if (!before.stanzas.empty())
        for (const auto &e : before.stanzas[0].entries) key_was_there |= e.first == kKey;

    zelStzFile_t *stz = open_file(path, ZEL_STZ_READ_WRITE);
    if (before.stanzas.empty()) zelStzAddStanza(stz, stanza.c_str());
    check(stz->error == 0 && stz->stanza && stanza == stz->stanza);
    zelStzAddEntry(stz, kKey, kValue);
    check(stz->error == 0 && stz->name && std::strcmp(stz->name, kKey) == 0);
    zelStzFileClose(stz);

    stz = open_file(path, ZEL_STZ_READ_ONLY);
    check(zelStzValidate(stz) == 1);
    zelStzMoveFirstStanza(stz);  // a search from a same-named stanza would start there
    check(zelStzMoveEntry(stz, stanza.c_str(), kKey) == 1 && stz->name);
    check(stz->value && std::strcmp(stz->value, kValue) == 0);
    zelStzFileClose(stz);

    stz = open_file(path, ZEL_STZ_READ_WRITE);
    check(zelStzDeleteEntry(stz, stanza.c_str(), kKey) == 1);
    zelStzFileClose(stz);
    if (before.stanzas.empty()) {
        check(read_back(path) == text + "[" + stanza + "]\n");
    } else if (!key_was_there) {
        check(read_back(path) == text);
    }
}

// Lines are read in UTF-8, where a character may take up to four bytes and
// need two 16-bit units.
void start_messages(const std::string &path) {
    static bool done = [&] {
        setenv("LC_ALL", "en_US.UTF-8", 1);
        zelmsg_init("stanza_fuzz", 0);
        // The bad lines' messages are formatted and written, into a file
        // that starts again every 1000 records.
        std::string dir = path.substr(0, path.rfind('/'));
        unsigned32 status;
        zel_svc_routing(("ERROR:FILE.0.1000:" + dir + "/messages.log").c_str(), &status);
        return true;
    }();
    (void)done;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0) return 0;
    bool editing = data[0] & 1;
    std::string text(reinterpret_cast<const char *>(data + 1), size - 1);
    // An appended line continues a last line that has no line feed.
    if (editing && !text.empty() && text.back() != '\n') text += '\n';
    const std::string &path = zelfuzz::write_scratch_file(
        "input.conf", reinterpret_cast<const uint8_t *>(text.data()), text.size());
    start_messages(path);
    size_t lines = line_bound(text);

    zelStzFile_t *stz = open_file(path, ZEL_STZ_READ_ONLY);
    bool valid = zelStzValidate(stz) == 1;
    check(valid == (stz->error == 0));
    Walk file = walk(stz, lines);
    check(!valid || file.clean);
    zelStzFileClose(stz);

    stz = open_file(path, ZEL_STZ_READ_ONLY | ZEL_STZ_IN_MEMORY);
    Walk memory = walk(stz, lines);
    // The copy's validation reports the bad line that ended the load.
    check(zelStzValidate(stz) == static_cast<int>(file.clean));
    zelStzFileClose(stz);
    compare(file, memory);

    if (editing && valid) edit(path, text, file);
    return 0;
}
