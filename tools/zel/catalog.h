// Pieces shared by the sub-commands of "zel catalog".
#ifndef ZEL_TOOLS_ZEL_CATALOG_H
#define ZEL_TOOLS_ZEL_CATALOG_H

#include <zel/msg.h>

#include <string>
#include <vector>

namespace zeltool {

// The compiled rows of a component ("qpc"), one per message number
// (code & 0xFFF) in ascending order; the first row wins when the compiled
// tables hold a number twice. Empty for a component without compiled texts.
std::vector<zel_msg_row> component_rows(const char *component);

// The catalog file that holds the component's messages ("vrqpc.cat").
std::string catalog_file_name(const zel_msg_row &row);

int catalog_export(int argc, char **argv);
int catalog_check(int argc, char **argv);

}  // namespace zeltool

#endif
