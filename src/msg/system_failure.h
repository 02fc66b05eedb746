// Reports that a system routine failed (message KVXSC0156E) from the message
// layer's start-up code.
#ifndef ZEL_SRC_MSG_SYSTEM_FAILURE_H
#define ZEL_SRC_MSG_SYSTEM_FAILURE_H

namespace zel {

// Writes message 0x3665A09C with the routine's text and the value it returned,
// naming source file core/zelmsg and the given line.
void report_system_routine_failure(const char *routine, int value, int line);

}  // namespace zel

#endif
