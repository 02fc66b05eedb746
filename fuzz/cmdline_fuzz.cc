// Any bytes as a program's argument vector or as a response file: the
// command line keeps each name once, finds its first value, keeps the later
// occurrences as duplicates in order and reports exactly the options nobody
// marked. The first byte picks the mode and the marks: even, an argument
// vector split at zero bytes; odd, a stanza name up to the first newline and
// then the file, loaded twice.
#include <zel/ZELCmdLine.h>
#include <zel/status.h>

#include <strings.h>

#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "scratch_file.h"

namespace {

typedef ZELCmdLine::Table Table;
typedef std::map<std::string, std::vector<std::string>> Values;

void check(bool ok) {
    if (!ok) std::abort();
}

std::string text(const ZELString &s) {
    return std::string(s.getData(), static_cast<size_t>(s.getLen()));
}

// Every name in the table with its values, in the order the table walks them.
Values contents(const Table *table) {
    Values seen;
    int count = 0;
    for (Table::Node *node = table->first(); node; node = table->next(node)) {
        seen[text(*node->key)].push_back(text(node->value->optionValue));
        ++count;
    }
    check(count == table->entryCount);
    return seen;
}

// The input once more as the same kind of source.
struct Source {
    bool response_file;
    std::vector<std::string> args;
    std::string path, stanza;

    int load(ZELCmdLine &cmd) const {
        if (response_file) {
            return cmd.loadRspFile(ZELStringRef(path.c_str()), ZELStringRef(stanza.c_str()));
        }
        std::vector<const char *> argv;
        for (const std::string &a : args) argv.push_back(a.c_str());
        return cmd.initialize(static_cast<int>(argv.size()), argv.data());
    }
};

// What the argument-vector rules give: every occurrence of every name in
// order, and the command name.
Values expected_options(const std::vector<std::string> &args, std::string *command) {
    Values occurrences;
    size_t i = 0;
    command->clear();
    if (!args.empty() && args[0][0] != '-') *command = args[i++];
    for (; i < args.size(); ++i) {
        if (args[i][0] != '-') continue;
        std::string name = args[i].substr(1), value;
        if (i + 1 < args.size() && args[i + 1][0] != '-') value = args[++i];
        occurrences[name].push_back(value);
    }
    return occurrences;
}

// What every command line must answer, given all its options (from a twin
// that marked none): each name found with its value and its yes or no; each
// duplicate named among the options; once some are marked, the invalid ones
// exactly the rest, and the same table when asked again after more marks.
void check_answers(const ZELCmdLine &cmd, const Values &all, uint8_t marks) {
    check(static_cast<size_t>(cmd.getNumOptions()) == all.size());
    int n = 0;
    std::map<std::string, bool> marked;
    for (const auto &entry : all) {
        check(entry.second.size() == 1);
        ZELString name(entry.first.c_str());
        ZELStringRef value;
        check(cmd.findOption(name, &value) == 0);
        check(std::string(value.getData(), static_cast<size_t>(value.getLen())) == entry.second[0]);
        const char *v = entry.second[0].c_str();
        bool yes = strcasecmp(v, "yes") == 0, no = strcasecmp(v, "no") == 0;
        bool flag = !yes;
        int status = cmd.findOption(name, &flag);
        check(yes || no ? status == 0 && flag == yes
                        : status == static_cast<int>(ZEL_S_CMDLINE_BAD_OPTION));
        marked[entry.first] = (marks >> (n++ % 7)) & 1;
        if (marked[entry.first]) cmd.validated(ZELStringRef(name));
    }
    if (!all.count("\x01")) {
        ZELStringRef value;
        check(cmd.findOption(ZELString("\x01"), &value) ==
              static_cast<int>(ZEL_S_DATA_NOT_AVAILABLE));
    }
    for (const auto &entry : contents(cmd.duplicateOptions())) check(all.count(entry.first));

    const Table *invalid = cmd.invalidOptions();
    Values left = contents(invalid);
    for (const auto &entry : all) check(left.count(entry.first) == !marked[entry.first]);
    for (Table::Node *node = invalid->first(); node; node = invalid->next(node)) {
        check(!node->value->isValidated);
    }
    for (const auto &entry : all) cmd.validated(ZELStringRef(entry.first.c_str()));
    check(cmd.invalidOptions() == invalid && contents(invalid) == left);
}

}  // namespace

// A malformed response file is reported on standard error by default; the
// reports are routine here and would drown the fuzzer's own output.
extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    setenv("SVC_ERROR", "DISCARD:", 1);
    setenv("SVC_WARNING", "DISCARD:", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 1 || size > 4096) return 0;
    Source source;
    source.response_file = data[0] & 1;
    uint8_t marks = data[0] >> 1;
    const char *rest = reinterpret_cast<const char *>(data + 1);
    size_t length = size - 1;
    if (source.response_file) {
        size_t line = 0;
        while (line < length && rest[line] != '\n') ++line;
        source.stanza.assign(rest, line);
        size_t skip = line < length ? line + 1 : line;
        source.path = zelfuzz::write_scratch_file("response", data + 1 + skip, length - skip);
    } else {
        size_t start = 0;
        for (size_t i = 0; i <= length && source.args.size() < 256; ++i) {
            if (i == length || rest[i] == '\0') {
                source.args.emplace_back(rest + start, i - start);
                start = i + 1;
            }
        }
    }

    // The twin marks nothing, so its invalid options are all its options.
    ZELCmdLine cmd, twin;
    int first = source.load(cmd);
    check(source.load(twin) == first);
    if (source.response_file && first == 0) {
        // Loaded again, every entry is a later occurrence of a name it gave.
        int options = cmd.getNumOptions();
        int occurrences = options + cmd.duplicateOptions()->entryCount;
        check(source.load(cmd) == 0 && source.load(twin) == 0);
        check(cmd.getNumOptions() == options);
        check(cmd.duplicateOptions()->entryCount == 2 * occurrences - options);
    }
    Values all = contents(twin.invalidOptions());

    if (!source.response_file) {
        check(first == 0);
        std::string command;
        Values expected = expected_options(source.args, &command);
        Values firsts, later;
        for (const auto &entry : expected) {
            firsts[entry.first].push_back(entry.second[0]);
            if (entry.second.size() > 1) {
                later[entry.first].assign(entry.second.begin() + 1, entry.second.end());
            }
        }
        check(all == firsts);
        check(contents(cmd.duplicateOptions()) == later);
        ZELStringRef name;
        int status = cmd.getCmdName(&name);
        check(command.empty()
                  ? status == static_cast<int>(ZEL_S_DATA_NOT_AVAILABLE)
                  : status == 0 &&
                        std::string(name.getData(), static_cast<size_t>(name.getLen())) == command);
    } else {
        const Table *every = twin.invalidOptions();
        for (Table::Node *node = every->first(); node; node = every->next(node)) {
            check(text(node->value->sourceFile) == source.path);
            check(text(node->value->sourceStanza) == source.stanza.c_str());
        }
    }
    check_answers(cmd, all, marks);
    return 0;
}
