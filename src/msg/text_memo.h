// A thread's memo of the checked message texts of its recent records: a
// record of a message the thread wrote before skips the catalog lookup while
// nothing that could change the text has changed.
#ifndef ZEL_SRC_MSG_TEXT_MEMO_H
#define ZEL_SRC_MSG_TEXT_MEMO_H

#include <zel/base.h>

namespace zel {

struct MemoEntry;

// The text that checked_message_text would give for the same arguments. When
// *entry is set, the text belongs to the memo and stays valid until
// release_memo_text(*entry), even if this thread looks up other texts
// meanwhile; otherwise it is an allocated copy for the caller to free (null
// only when no memory is left).
const char *memo_message_text(unsigned32 code, const char *argtypes, bool utf8, MemoEntry **entry);
void release_memo_text(MemoEntry *entry);

// Makes every thread's memo stale: a catalog was opened anew or found
// missing, or the list of message tables changed.
void message_texts_changed();

}  // namespace zel

#endif
