// The in-memory copy of a stanza file: loading it and freeing it.
#ifndef ZEL_SRC_STANZA_MEMORY_COPY_H
#define ZEL_SRC_STANZA_MEMORY_COPY_H

#include <cstdio>

#include "stanza/stanza_internal.h"

namespace zel {

struct CopyBlock;

// The copy as the library allocates it: the blocks that hold its nodes and
// strings, and the failure that ended the load, kept so that validating the
// handle later still reports it.
struct LoadedCopy {
    zelStzMemCopy copy;
    CopyBlock *blocks;
    unsigned32 load_error;
};
inline LoadedCopy *loaded_copy(zelStzMemCopy *copy) { return reinterpret_cast<LoadedCopy *>(copy); }

// Reads the whole stream from its start. A bad line ends the load with what
// was read before it (its message written, its status in load_error). Null
// with *status KVXSC0151E when memory runs out.
LoadedCopy *load_copy(FILE *stream, unsigned32 *status);
// Frees the copy with every node and string.
void free_copy(zelStzMemCopy *copy);

}  // namespace zel

#endif
