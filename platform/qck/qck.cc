// libkmt7qcks: the cryptographic toolkit stand-in. Random bytes come from the
// kernel's getrandom(2); failures are queued per thread as nonzero codes that
// QCK_ERR_error_string turns into text.
#include <kmt/qck.h>
#include <kmt/qck_test.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <sys/random.h>

struct QCK_Context {
    std::atomic<bool> fips_mode{false};
};

namespace {

static_assert(sizeof(QCK_Status) == 268, "the status block is 268 bytes");

QCK_Context the_context;
std::atomic<int> failures_to_inject{0};

// An error code: the toolkit's tag, a reason and, for system failures, errno.
constexpr unsigned long kTag = 0x51ul << 24;
enum Reason : unsigned long {
    kNoContext = 1,
    kBadArgument,
    kRandomFailed,
    kUnknownName,
    kBadValue,
    kReasonEnd
};

unsigned long make_code(Reason reason, int sys_errno = 0) {
    return kTag | (reason << 16) | (static_cast<unsigned long>(sys_errno) & 0xFFFFul);
}

// Each thread keeps its most recent errors; when full the oldest is dropped.
struct ErrorQueue {
    static constexpr int kSize = 16;
    unsigned long codes[kSize];
    int first, count;
};
thread_local ErrorQueue error_queue{};
thread_local char thread_text[QCK_ERR_TEXT_SIZE];

void push_error(unsigned long code) {
    ErrorQueue &q = error_queue;
    if (q.count == ErrorQueue::kSize) {
        q.first = (q.first + 1) % ErrorQueue::kSize;
        --q.count;
    }
    q.codes[(q.first + q.count) % ErrorQueue::kSize] = code;
    ++q.count;
}

// strerror_r comes in a GNU and an XSI flavour; accept either.
[[maybe_unused]] const char *strerror_result(const char *gnu, const char *) { return gnu; }
[[maybe_unused]] const char *strerror_result(int xsi, const char *buf) {
    return xsi == 0 ? buf : "unknown system error";
}

void format_error(unsigned long e, char *buf) {
    if (e == 0) {
        std::snprintf(buf, QCK_ERR_TEXT_SIZE, "QCK: no error");
        return;
    }
    unsigned long reason = (e >> 16) & 0xFFul;
    if ((e & ~0xFFFFFFul) != kTag || reason == 0 || reason >= kReasonEnd) {
        std::snprintf(buf, QCK_ERR_TEXT_SIZE, "QCK: unknown error code 0x%lx", e);
        return;
    }
    switch (static_cast<Reason>(reason)) {
    case kNoContext:
        std::snprintf(buf, QCK_ERR_TEXT_SIZE, "QCK: the toolkit context is not initialised");
        break;
    case kBadArgument: std::snprintf(buf, QCK_ERR_TEXT_SIZE, "QCK: invalid argument"); break;
    case kRandomFailed: {
        char sys[128];
        int err = static_cast<int>(e & 0xFFFFul);
        std::snprintf(buf, QCK_ERR_TEXT_SIZE, "QCK: getrandom failed: %s",
                      strerror_result(strerror_r(err, sys, sizeof sys), sys));
        break;
    }
    case kUnknownName: std::snprintf(buf, QCK_ERR_TEXT_SIZE, "QCK: unknown value name"); break;
    case kBadValue:
        std::snprintf(buf, QCK_ERR_TEXT_SIZE, "QCK: the value is not accepted for this name");
        break;
    default: break;
    }
}

// Queues the error (when there is one) and reports it in the status block.
int finish(QCK_Status *status, unsigned long code) {
    if (code) push_error(code);
    if (status) {
        std::memset(status, 0, sizeof *status);
        status->code = static_cast<unsigned int>(code);
        if (code) format_error(code, status->text);
    }
    return code == 0;
}

bool take_injected_failure() {
    int left = failures_to_inject.load();
    while (left > 0 && !failures_to_inject.compare_exchange_weak(left, left - 1)) {}
    return left > 0;
}

}  // namespace

extern "C" {

QCK_CTX QCK_Init(QCK_Status *status, const char *) {
    // Fails only where the kernel has no getrandom at all; a pool that is not
    // ready yet (EAGAIN) only delays the first draw.
    unsigned char probe;
    if (getrandom(&probe, 1, GRND_NONBLOCK) < 0 && errno == ENOSYS) {
        finish(status, make_code(kRandomFailed, ENOSYS));
        return nullptr;
    }
    finish(status, 0);
    return &the_context;
}

int QCK_SetValue(QCK_CTX ctx, QCK_Status *status, int name, const char *value) {
    if (ctx != &the_context) return finish(status, make_code(kNoContext));
    if (name != QCK_VALUE_FIPS_MODE) return finish(status, make_code(kUnknownName));
    if (!value || (std::strcmp(value, "on") != 0 && std::strcmp(value, "off") != 0)) {
        return finish(status, make_code(kBadValue));
    }
    ctx->fips_mode = std::strcmp(value, "on") == 0;
    return finish(status, 0);
}

int QCK_Attach(QCK_CTX ctx, QCK_Status *status) {
    return finish(status, ctx == &the_context ? 0 : make_code(kNoContext));
}

int QCK_RAND_bytes(QCK_CTX ctx, unsigned char *buf, int num) {
    if (ctx != &the_context) return finish(nullptr, make_code(kNoContext));
    if (!buf || num <= 0) return finish(nullptr, make_code(kBadArgument));
    if (take_injected_failure()) return finish(nullptr, make_code(kRandomFailed, EIO));
    // getrandom may return fewer bytes than asked (large requests, signals).
    size_t done = 0, want = static_cast<size_t>(num);
    while (done < want) {
        ssize_t got = getrandom(buf + done, want - done, 0);
        if (got < 0) {
            if (errno == EINTR) continue;
            return finish(nullptr, make_code(kRandomFailed, errno));
        }
        done += static_cast<size_t>(got);
    }
    return 1;
}

unsigned long QCK_ERR_get_error(QCK_CTX) {
    ErrorQueue &q = error_queue;
    if (q.count == 0) return 0;
    unsigned long code = q.codes[q.first];
    q.first = (q.first + 1) % ErrorQueue::kSize;
    --q.count;
    return code;
}

char *QCK_ERR_error_string(QCK_CTX, unsigned long e, char *buf) {
    if (!buf) buf = thread_text;
    format_error(e, buf);
    return buf;
}

void QCK_test_fail_random(int count) { failures_to_inject = count > 0 ? count : 0; }
}
