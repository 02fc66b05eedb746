// The identifier generator's internals shared by its files, and the hooks
// through which tests replace the clock, the address file and the interface
// queries. Nothing here leaves the library.
#ifndef ZEL_SRC_ID_UUID_HOOKS_H
#define ZEL_SRC_ID_UUID_HOOKS_H

#include <zel/uuid.h>

#include <stdint.h>
#include <sys/time.h>

namespace zel {

struct UuidHooks {
    int (*gettimeofday)(struct timeval *tv);                 // null: zel_gettimeofday
    const char *address_file;                                // null: /etc/ieee_802_addr
    int (*ioctl)(int fd, unsigned long request, void *arg);  // null: the system's ioctl
    int (*socket)(int domain, int type, int protocol);       // null: the system's socket
};

extern UuidHooks uuid_hooks;

// Installs the hooks and forgets the generator's state, so that the next
// operation sets the module up again and searches for the address anew.
void uuid_set_hooks(const UuidHooks &hooks);
// Sets the clock sequence (the module is set up first when it is not yet).
void uuid_set_clock_seq(unsigned short sequence);

// The nil identifier the module keeps beside uuid_g_nil_uuid.
extern const vr_uuid_t uuid_nil;

// The clock as a 100-ns count since 1582-10-15; ends the process when the
// clock cannot be read.
uint64_t uuid__get_os_time();

// Sets the module up once; every operation calls it first.
void uuid_init_once();

// True when the identifier's variant byte is below 0xE0.
inline bool uuid_variant_ok(const vr_uuid_t *uuid) {
    return uuid->clock_seq_hi_and_reserved < 0xE0;
}

}  // namespace zel

#endif
