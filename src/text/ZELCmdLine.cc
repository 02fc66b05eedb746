// ZELCmdLine: options gathered from the argument vector and from stanzas of
// response files into a table by name, with the duplicates, the options the
// program did not understand, and the command name.
#include <zel/ZELCmdLine.h>
#include <zel/stanza.h>
#include <zel/status.h>

#include <strings.h>

#include <cstring>
#include <new>

#include "init/library_message.h"

namespace {

constexpr unsigned32 kBuckets = 29;

int out_of_memory(int line) {
    zel::library_message("core/ZELCmdLine", line, "", ZEL_S_NO_MEMORY);
    return static_cast<int>(ZEL_S_NO_MEMORY);
}

bool is_option(const char *arg) { return arg[0] == '-'; }

}  // namespace

template class ZELHashTable<ZELString, ZELCmdLine::Option>;

ZELCmdLine::Option::Option() : isValidated(false) {}
ZELCmdLine::Option::~Option() {}

ZELCmdLine::ZELCmdLine()
    : initialized(false),
      options(kBuckets, true),
      duplicates(kBuckets, true),
      invalidComputed(false),
      invalid(kBuckets, false) {}

ZELCmdLine::~ZELCmdLine() {}

// Adds one occurrence: the first of a name goes to options, later ones to
// the end of their chain in duplicates.
int ZELCmdLine::add(const char *name, int nameLength, const char *value, const char *file,
                    const char *stanza) {
    ZELString *key = new (std::nothrow) ZELString;
    Option *option = new (std::nothrow) Option;
    bool made = key && option && key->set(name, nameLength) && option->optionValue.set(value) &&
                option->sourceFile.set(file) && option->sourceStanza.set(stanza);
    bool added = made && (options.find(*key) ? duplicates.append(key, option)
                                             : options.insertHead(key, option));
    if (added) return 0;
    delete key;
    delete option;
    return out_of_memory(66);
}

int ZELCmdLine::initialize(int argc, const char **argv) {
    initialized = true;
    if (argc <= 0 || !argv) return 0;
    int i = 0;
    if (argv[0] && !is_option(argv[0])) {
        if (!commandName.set(argv[0])) return out_of_memory(84);
        i = 1;
    }
    // A null entry ends the vector early rather than being read through.
    for (; i < argc && argv[i]; ++i) {
        const char *arg = argv[i];
        if (!is_option(arg)) continue;
        const char *value = "";
        if (i + 1 < argc && argv[i + 1] && !is_option(argv[i + 1])) value = argv[++i];
        int status = add(arg + 1, -1, value, "", "");
        if (status) return status;
    }
    return 0;
}

int ZELCmdLine::loadRspFile(const ZELStringRef &file, const ZELStringRef &stanza) {
    const char *path = file.getNullTermData();
    const char *stanza_name = stanza.getNullTermData();
    if (!path || !stanza_name) return out_of_memory(104);
    unsigned int status = 0;
    zelStzFile_t *stz = zelStzFileOpen(path, ZEL_STZ_READ_ONLY, &status);
    if (!stz) return static_cast<int>(status);
    int result = 0;
    if (zelStzMoveStanza(stz, stanza_name)) {
        while (stz->name && result == 0) {
            result = add(stz->name, -1, stz->value ? stz->value : "", path, stanza_name);
            if (result == 0) zelStzMoveNextEntry(stz);
        }
    }
    if (result == 0) result = static_cast<int>(stz->error);
    zelStzFileClose(stz);
    return result;
}

int ZELCmdLine::findOption(const ZELString &name, ZELStringRef *value) const {
    Table::Node *node = options.find(name);
    if (!node) return static_cast<int>(ZEL_S_DATA_NOT_AVAILABLE);
    if (value) value->set(node->value->optionValue);
    return 0;
}

int ZELCmdLine::findOption(const ZELString &name, bool *value) const {
    Table::Node *node = options.find(name);
    if (!node) return static_cast<int>(ZEL_S_DATA_NOT_AVAILABLE);
    const char *text = node->value->optionValue.getData();
    bool yes = strcasecmp(text, "yes") == 0;
    if (!yes && strcasecmp(text, "no") != 0) return static_cast<int>(ZEL_S_CMDLINE_BAD_OPTION);
    if (value) *value = yes;
    return 0;
}

void ZELCmdLine::validated(const ZELStringRef &name) const {
    if (Table::Node *node = options.find(name)) node->value->isValidated = true;
}

const ZELCmdLine::Table *ZELCmdLine::invalidOptions() const {
    if (!invalidComputed) {
        for (Table::Node *node = options.first(); node; node = options.next(node)) {
            if (!node->value->isValidated) invalid.append(node->key, node->value);
        }
        invalidComputed = true;
    }
    return &invalid;
}

const ZELCmdLine::Table *ZELCmdLine::duplicateOptions() const { return &duplicates; }

int ZELCmdLine::getNumOptions() const { return options.entryCount; }

int ZELCmdLine::getCmdName(ZELStringRef *name) const {
    if (commandName.getLen() == 0) return static_cast<int>(ZEL_S_DATA_NOT_AVAILABLE);
    if (name) name->set(commandName);
    return 0;
}
