// Per-thread message saving: a thread may keep back messages of chosen
// severities and print or discard them later.
#include <cstdlib>

#include "svc/core/core_state.h"

namespace zel {

void svc_msgsave_destructor(void *state) { std::free(state); }

}  // namespace zel
