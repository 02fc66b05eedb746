// ZELCmdLine: a program's options from its argument vector and from stanzas
// of response files, by name. The first occurrence of a name is the one
// found; later ones are kept as duplicates. The program marks the options it
// understood, then asks for the others. Never throws. C++ only.
#ifndef ZEL_ZELCMDLINE_H
#define ZEL_ZELCMDLINE_H

#include <zel/ZELHashTable.h>
#include <zel/ZELString.h>
#include <zel/ZELStringRef.h>
#include <zel/base.h>

class ZEL_EXPORT ZELCmdLine {
public:
    class ZEL_EXPORT Option {
    public:
        Option();
        virtual ~Option();
        ZELString optionValue;  // empty when none was given
        bool isValidated;
        ZELString sourceFile;    // the response file; empty for the command line
        ZELString sourceStanza;  // its stanza; empty for the command line
    };
    typedef ZELHashTable<ZELString, Option> Table;

    ZELCmdLine();
    ~ZELCmdLine();
    ZELCmdLine(const ZELCmdLine &) = delete;
    ZELCmdLine &operator=(const ZELCmdLine &) = delete;

    // Reads argv: argv[0] is the command name unless it starts with '-'; "-x"
    // is option x, whose value is the next argument unless that starts with
    // '-'; other arguments are skipped. 0, or KVXSC0151E when memory runs out
    // (the options added before stay).
    int initialize(int argc, const char **argv);
    // Adds the entries of one stanza of a stanza file as options. 0 also when
    // the stanza is absent or empty; else the open's status, the stanza
    // reader's status for a malformed file (the options read before stay),
    // or KVXSC0151E.
    int loadRspFile(const ZELStringRef &file, const ZELStringRef &stanza);

    // 0 with *value viewing the option's value, or KVXSC0153E when the option
    // was not given.
    int findOption(const ZELString &name, ZELStringRef *value) const;
    // "yes" or "no" in any case: 0 and *value set; any other value
    // KVXSD0311E; a missing option KVXSC0153E.
    int findOption(const ZELString &name, bool *value) const;
    // Marks the option as understood; an unknown name is ignored.
    void validated(const ZELStringRef &name) const;
    // The options not marked when first asked (computed once; the table
    // shares its keys and options with the command line).
    const Table *invalidOptions() const;
    // Every later occurrence of a name already given.
    const Table *duplicateOptions() const;
    int getNumOptions() const;
    // 0 with *name viewing the command name, or KVXSC0153E when there is none.
    int getCmdName(ZELStringRef *name) const;

private:
    __attribute__((visibility("hidden"))) int add(const char *name, int nameLength,
                                                  const char *value, const char *file,
                                                  const char *stanza);

    bool initialized;
    Table options;
    Table duplicates;
    mutable bool invalidComputed;
    mutable Table invalid;
    ZELString commandName;
};

#endif
