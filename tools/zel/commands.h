// The commands of the zel tool. Each takes the arguments after its name and
// returns the process exit status.
#ifndef ZEL_TOOLS_ZEL_COMMANDS_H
#define ZEL_TOOLS_ZEL_COMMANDS_H

namespace zeltool {

struct Command {
    const char *name;
    const char *usage;    // arguments, for the help text
    const char *summary;  // one line, for the help text
    int (*run)(int argc, char **argv);
};

int errtext(int argc, char **argv);
int catalog(int argc, char **argv);
int utc(int argc, char **argv);
int log(int argc, char **argv);
int trace(int argc, char **argv);

}  // namespace zeltool

#endif
