// The mark of the functions that every record passes through. The compiler
// keeps them together in the code, so that a record touches few code pages:
// after each system call of a record they are found again.
#ifndef ZEL_SRC_SYS_HOT_PATH_H
#define ZEL_SRC_SYS_HOT_PATH_H

#define ZEL_RECORD_PATH [[gnu::hot]]

#endif
