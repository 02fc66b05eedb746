// The message save as a message call meets it: the calling thread's active
// save, and the hand-over of one message to it.
#ifndef ZEL_SRC_SVC_RECORD_MESSAGE_SAVE_H
#define ZEL_SRC_SVC_RECORD_MESSAGE_SAVE_H

namespace zel {

struct PrintCall;
struct SaveState;

// The calling thread's save while it is active, else null.
SaveState *active_save();
// Keeps a copy of a message call (its header built) when the save's mask
// selects its severity. False when the message is kept back: the call then
// writes nothing and neither aborts nor exits.
bool do_savemsg(SaveState *state, PrintCall *call);

}  // namespace zel

#endif
