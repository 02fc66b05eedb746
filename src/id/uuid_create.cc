// Creation of time-based identifiers: the generator state, its set-up, the
// clock and the stamp rule that keeps every identifier of the process apart.
// One mutex serialises set-up and creation, so any thread may create.
#include <zel/status.h>
#include <zel/utc.h>
#include <zel/uuid.h>

#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <atomic>

#include "id/uuid_hooks.h"

namespace zel {

UuidHooks uuid_hooks = {nullptr, nullptr, nullptr, nullptr};

namespace {

// 100-ns units from 1582-10-15 to 1970-01-01.
constexpr uint64_t kGregorianOffset = 0x01B21DD213814000ULL;
// The furthest a stamp may run ahead of the clock value it was made at.
constexpr uint64_t kMaxAdjust = 0x7FFF;

pthread_mutex_t g_mutex = PTHREAD_MUTEX_INITIALIZER;
pthread_once_t g_atfork_once = PTHREAD_ONCE_INIT;

// Everything below is read and written with g_mutex held, except that
// g_init_done is also read without it to spare the other operations the lock.
std::atomic<bool> g_init_done{false};
uint32_t rand_m, rand_ia, rand_ib, rand_irand;
uint64_t time_last;   // the clock value of the last identifier
uint64_t stamp_last;  // the stamp of the last identifier under the current sequence
unsigned short time_adjust;
unsigned short clock_seq;
bool got_address;
unsigned char saved_addr[6];

class Locked {
public:
    Locked() { pthread_mutex_lock(&g_mutex); }
    ~Locked() { pthread_mutex_unlock(&g_mutex); }
    Locked(const Locked &) = delete;
    Locked &operator=(const Locked &) = delete;
};

unsigned short uuid_true_random() {
    if ((rand_m += 7) >= 9973) rand_m -= 9871;
    if ((rand_ia += 1907) >= 99991) rand_ia -= 89989;
    if ((rand_ib += 73939) >= 224729) rand_ib -= 96233;
    rand_irand = rand_irand * rand_m + rand_ia + rand_ib;
    return static_cast<unsigned short>((rand_irand >> 16) ^ (rand_irand & 0x3FFF));
}

uint32_t uuid__get_os_pid() { return static_cast<uint32_t>(getpid()); }

void uuid__get_os_address(unsigned char *address, unsigned int *status) {
    vr_get_802_addr(address, status);
}

// A child of fork() sets the module up again: its process id seeds a clock
// sequence of its own, so that it does not repeat the parent's identifiers.
void before_fork() { pthread_mutex_lock(&g_mutex); }
void after_fork_parent() { pthread_mutex_unlock(&g_mutex); }
void after_fork_child() {
    g_init_done.store(false, std::memory_order_relaxed);
    pthread_mutex_unlock(&g_mutex);
}
void register_fork_handlers() { pthread_atfork(before_fork, after_fork_parent, after_fork_child); }

void init_locked() {
    if (g_init_done.load(std::memory_order_relaxed)) return;
    pthread_once(&g_atfork_once, register_fork_handlers);
    rand_m = 971;
    rand_ia = 11113;
    rand_ib = 104322;
    rand_irand = 4181;
    uint64_t now = uuid__get_os_time();
    uint32_t words =
        static_cast<uint32_t>((now ^ (now >> 16) ^ (now >> 32) ^ (now >> 48)) & 0xFFFF);
    rand_irand += words + uuid__get_os_pid();
    time_last = uuid__get_os_time();
    stamp_last = 0;
    time_adjust = 0;
    clock_seq = uuid_true_random();
    g_init_done.store(true, std::memory_order_release);
}

void next_clock_seq() {
    if (clock_seq == 0) clock_seq = uuid_true_random();
    clock_seq = (clock_seq + 1) & 0x3FFF;
    if (clock_seq == 0) clock_seq = 1;
}

// The stamp of a new identifier. It is the clock value when that is above the
// last stamp; otherwise the last stamp + 1, which may run ahead of the clock
// by at most kMaxAdjust before this waits for the clock. A clock that went
// back starts a new sequence, under which no stamp has been issued yet.
uint64_t next_stamp() {
    for (;;) {
        uint64_t now = uuid__get_os_time();
        if (now < time_last) {
            next_clock_seq();
            time_adjust = 0;
            time_last = stamp_last = now;
            return now;
        }
        uint64_t stamp = now > stamp_last ? now : stamp_last + 1;
        if (stamp - now <= kMaxAdjust) {
            time_adjust = static_cast<unsigned short>(stamp - now);
            time_last = now;
            stamp_last = stamp;
            return stamp;
        }
    }
}

}  // namespace

uint64_t uuid__get_os_time() {
    struct timeval tv;
    int failed = uuid_hooks.gettimeofday ? uuid_hooks.gettimeofday(&tv) : zel_gettimeofday(&tv);
    if (failed) {
        perror("uuid__get_os_time");
        exit(-1);
    }
    uint64_t units = static_cast<uint64_t>(static_cast<int64_t>(tv.tv_sec)) * 10000000u +
                     static_cast<uint64_t>(tv.tv_usec) * 10u;
    return units + kGregorianOffset;
}

void uuid_init_once() {
    if (g_init_done.load(std::memory_order_acquire)) return;
    Locked lock;
    init_locked();
}

void uuid_set_hooks(const UuidHooks &hooks) {
    Locked lock;
    uuid_hooks = hooks;
    g_init_done.store(false, std::memory_order_relaxed);
    got_address = false;
}

void uuid_set_clock_seq(unsigned short sequence) {
    Locked lock;
    init_locked();
    clock_seq = sequence;
}

}  // namespace zel

extern "C" {

void vr_uuid_create(vr_uuid_t *uuid, unsigned int *status) {
    using namespace zel;
    unsigned int spare;
    if (!status) status = &spare;
    if (!uuid) {
        *status = ZEL_S_SYSTEM_INPUT_INVALID;
        return;
    }
    uint64_t stamp;
    unsigned short sequence;
    unsigned char node[6];
    {
        Locked lock;
        init_locked();
        if (!got_address) {
            unsigned char found[6];
            unsigned int search;
            uuid__get_os_address(found, &search);
            if (search != 0) {
                *status = ZEL_S_UUID_NO_ADDRESS;
                return;
            }
            memcpy(saved_addr, found, sizeof saved_addr);
            got_address = true;
        }
        stamp = next_stamp();
        sequence = clock_seq;
        memcpy(node, saved_addr, sizeof node);
    }
    uuid->time_low = static_cast<unsigned32>(stamp);
    uuid->time_mid = static_cast<unsigned short>(stamp >> 32);
    uuid->time_hi_and_version = static_cast<unsigned short>(((stamp >> 48) & 0x0FFF) | 0x1000);
    uuid->clock_seq_hi_and_reserved = static_cast<unsigned char>(((sequence >> 8) & 0x3F) | 0x80);
    uuid->clock_seq_low = static_cast<unsigned char>(sequence);
    memcpy(uuid->node, node, sizeof node);
    *status = 0;
}

}  // extern "C"
