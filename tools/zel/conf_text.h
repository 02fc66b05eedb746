// What a stanza file can hold, as the reader sees it: the arguments that
// zel conf would write, and the lines of a file that zel conf validate checks.
#ifndef ZEL_TOOLS_ZEL_CONF_TEXT_H
#define ZEL_TOOLS_ZEL_CONF_TEXT_H

#include <cstdio>

namespace zeltool {

enum class ConfWord { stanza, entry, value };

// Why the word would not be written, or would read back different, or null
// when it is fit.
const char *unfit(const char *word, ConfWord kind);

// Prints "PATH:LINE: reason" on standard output for each line of the stream,
// from its start, that the reader refuses. The number of such lines, or -1
// when the stream cannot be read.
long print_bad_lines(std::FILE *stream, const char *path);

}  // namespace zeltool

#endif
