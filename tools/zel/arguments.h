// The words after a command's name, read as every program of the product
// reads them: options with ZELCmdLine, from the command line and from
// response files named @FILE:STANZA, and the command's operands in order.
#ifndef ZEL_TOOLS_ZEL_ARGUMENTS_H
#define ZEL_TOOLS_ZEL_ARGUMENTS_H

#include <zel/ZELCmdLine.h>

#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "report.h"

namespace zeltool {

// An option a command understands: --NAME (or -NAME) on the command line,
// "NAME = VALUE" in a response file's stanza. A flag in a response file is
// "NAME =" or "NAME = yes" ("no" leaves it off).
struct OptionSpec {
    const char *name;
    bool takes_value;
};

class Arguments {
public:
    // Reads argv; every command also understands --help (-h). "--" ends the
    // options; a word like -1 or -0.5 is a negative number, not an option.
    // kDone, or kUsage or kFailed after the error was reported.
    int read(const char *command, int argc, char **argv,
             std::initializer_list<OptionSpec> specs = {});

    // read() for a command whose help is help: false with *status set when
    // the command ends here (an error reported, or the help shown); else
    // *argc and *argv become the operands.
    bool start(const Help &help, int *argc, char ***argv, int *status,
               std::initializer_list<OptionSpec> specs = {});

    bool given(const char *name) const;
    // The option's value, or null when it was not given.
    const char *value(const char *name) const;
    int count() const { return static_cast<int>(words.size()); }
    char **operands() { return words.data(); }

private:
    int load_response_file(const char *command, const char *word);
    int check_options(const char *command, const std::vector<OptionSpec> &specs);

    ZELCmdLine line;
    std::vector<char *> words;
    // Command-line values that ZELCmdLine cannot hold: those that start with
    // '-' (a negative number) or are empty.
    std::map<std::string, std::string> dash_values;
    std::map<std::string, bool> flags;
};

}  // namespace zeltool

#endif
