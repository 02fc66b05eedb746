// The commands of the zel tool. Each takes the arguments after its name and
// returns the process exit status; each has its help.
#ifndef ZEL_TOOLS_ZEL_COMMANDS_H
#define ZEL_TOOLS_ZEL_COMMANDS_H

#include "report.h"

namespace zeltool {

int errtext(int argc, char **argv);
int catalog(int argc, char **argv);
int utc(int argc, char **argv);
int log(int argc, char **argv);
int trace(int argc, char **argv);
int msg(int argc, char **argv);
int conf(int argc, char **argv);
int base64(int argc, char **argv);
int uuid(int argc, char **argv);
int random(int argc, char **argv);

extern const Help kErrtextHelp;
extern const Help kCatalogHelp;
extern const Help kCatalogExportHelp;
extern const Help kCatalogCheckHelp;
extern const Help kUtcHelp;
extern const Help kLogHelp;
extern const Help kTraceHelp;
extern const Help kMsgHelp;
extern const Help kConfHelp;
extern const Help kBase64Help;
extern const Help kUuidHelp;
extern const Help kRandomHelp;

}  // namespace zeltool

#endif
