// The library's own ERROR messages (component qpc) from the layers above
// start-up: the component is registered on first use when the program has
// not started the library itself, so that no failure goes unwritten.
#ifndef ZEL_SRC_INIT_LIBRARY_MESSAGE_H
#define ZEL_SRC_INIT_LIBRARY_MESSAGE_H

#include <zel/base.h>

#include <cstdarg>

namespace zel {

// Writes message code of qpc, sub-component 0, naming file and line as its
// source; argtypes describes the arguments as for zel_svc_printf_withfile.
void library_message(const char *file, int line, const char *argtypes, unsigned32 code, ...);
void library_vmessage(const char *file, int line, const char *argtypes, unsigned32 code,
                      va_list args);

}  // namespace zel

#endif
