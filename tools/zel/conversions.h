// The printf conversions of a message text, listed by argument position, so
// that a translated text can be checked against the text it translates.
#ifndef ZEL_TOOLS_ZEL_CONVERSIONS_H
#define ZEL_TOOLS_ZEL_CONVERSIONS_H

#include <string>
#include <vector>

namespace zeltool {

// One entry per argument the text consumes, in argument order: the length
// modifier and conversion letter ("s", "ld", "S"), or "*" for a width or
// precision taken from an int argument. Positional conversions ("%2$s") fill
// their own argument's entry, so a correct reordering gives the same list.
// Conversions are read as the formatting engine reads them; flags, widths and
// precisions are ignored and "%%" consumes nothing. An argument that no
// conversion uses is "?", one that two conversions use with different kinds
// is "kind1|kind2", and a conversion the engine rejects ("%m", "%n", "%lf",
// "%hhd", a trailing "%"...) or an argument number above 4096 adds "!"
// followed by its text, so that either differs from any well-formed list.
std::vector<std::string> printf_conversions(const char *text);

// The end of the text of a conversion the engine rejects: after the first
// character that cannot continue one, or the end of the text.
const char *rejected_end(const char *percent);

// The list as printf would show it: "%s %ld %*" ("-" when empty).
std::string format_conversions(const std::vector<std::string> &list);

}  // namespace zeltool

#endif
