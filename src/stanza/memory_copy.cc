// The in-memory copy of a stanza file: one pass over the file builds the
// stanza list (newest first, as each stanza read is put at the head) with
// each stanza's entries in file order. Nodes and their strings live in a few
// large blocks that are freed together.
#include "stanza/memory_copy.h"

#include <zel/msg.h>
#include <zel/status.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <type_traits>

#include "stanza/line_parse.h"

namespace zel {

struct CopyBlock {
    CopyBlock *next;
    size_t used;
    size_t size;
    alignas(alignof(void *)) char data[1];
};

namespace {

constexpr size_t kBlockSize = 64 * 1024;

void *take(LoadedCopy *loaded, size_t size) {
    size = (size + alignof(void *) - 1) & ~(alignof(void *) - 1);
    CopyBlock *block = loaded->blocks;
    if (!block || block->size - block->used < size) {
        size_t room = size > kBlockSize ? size : kBlockSize;
        block = static_cast<CopyBlock *>(std::malloc(offsetof(CopyBlock, data) + room));
        if (!block) return nullptr;
        block->next = loaded->blocks;
        block->used = 0;
        block->size = room;
        loaded->blocks = block;
    }
    void *at = block->data + block->used;
    block->used += size;
    return at;
}

// A node with its strings behind it, in one piece of a block.
template <typename Node>
Node *new_node(LoadedCopy *loaded, const char *name, const char *value) {
    size_t name_size = std::strlen(name) + 1;
    size_t value_size = value ? std::strlen(value) + 1 : 0;
    char *at = static_cast<char *>(take(loaded, sizeof(Node) + name_size + value_size));
    if (!at) return nullptr;
    Node *node = reinterpret_cast<Node *>(at);
    std::memset(node, 0, sizeof *node);
    node->name = static_cast<char *>(std::memcpy(at + sizeof(Node), name, name_size));
    if constexpr (std::is_same_v<Node, zelStzEntryNode>) {
        if (value)
            node->value =
                static_cast<char *>(std::memcpy(node->name + name_size, value, value_size));
    }
    return node;
}

}  // namespace

LoadedCopy *load_copy(FILE *stream, unsigned32 *status) {
    LoadedCopy *loaded = static_cast<LoadedCopy *>(std::calloc(1, sizeof(LoadedCopy)));
    if (!loaded) {
        *status = ZEL_S_NO_MEMORY;
        return nullptr;
    }
    if (fseeko(stream, 0, SEEK_SET) != 0) {
        loaded->load_error = ZEL_S_STZ_READ_FAILED;
        return loaded;
    }
    // As a walk from the first stanza reads the file: entry lines before the
    // first heading are passed over unparsed; a bad line ends the load.
    lyr_cs_t cs = zelsvc_get_local_code_page();
    bool keeps_ascii = code_page_keeps_ascii(cs);
    off_t offset = 0;
    zelStzStanzaNode *stanza = nullptr;
    zelStzEntryNode **tail = nullptr;
    ParsedLine line;
    bool no_memory = false;
    for (;;) {
        LineResult result =
            read_parsed_line(stream, offset, cs, keeps_ascii, true, stanza != nullptr,
                             stanza ? stanza->name : nullptr, &line);
        offset += line.length;
        if (result != LineResult::ok) {
            loaded->load_error = line_failure_status(result);
            break;
        }
        if (line.kind == ParsedLine::end) break;
        if (line.kind == ParsedLine::heading) {
            stanza = new_node<zelStzStanzaNode>(loaded, line.name, nullptr);
            if (!stanza) {
                no_memory = true;
                break;
            }
            stanza->next = loaded->copy.firstStanza;
            loaded->copy.firstStanza = stanza;
            tail = &stanza->firstEntry;
        } else if (line.kind == ParsedLine::entry && stanza) {
            zelStzEntryNode *entry =
                new_node<zelStzEntryNode>(loaded, line.name, line.has_value ? line.value : nullptr);
            if (!entry) {
                no_memory = true;
                break;
            }
            *tail = entry;
            tail = &entry->next;
        }
    }
    if (!no_memory) return loaded;
    free_copy(&loaded->copy);
    *status = ZEL_S_NO_MEMORY;
    return nullptr;
}

void free_copy(zelStzMemCopy *copy) {
    if (!copy) return;
    LoadedCopy *loaded = loaded_copy(copy);
    for (CopyBlock *block = loaded->blocks; block;) {
        CopyBlock *next = block->next;
        std::free(block);
        block = next;
    }
    std::free(loaded);
}

}  // namespace zel
