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
// Flags, widths and precisions are ignored; "%%" and "%m" consume nothing.
// An argument that no conversion uses is "?", one that two conversions use
// with different kinds is "kind1|kind2", and an incomplete or unknown
// conversion adds "!" followed by what was read, so that either differs from
// any well-formed list.
std::vector<std::string> printf_conversions(const char *text);

// The list as printf would show it: "%s %ld %*" ("-" when empty).
std::string format_conversions(const std::vector<std::string> &list);

}  // namespace zeltool

#endif
