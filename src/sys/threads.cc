// Threads started with the library's attributes, delays that thread
// cancellation can interrupt, and absolute deadlines for timed waits.
#include <zel/thread.h>

#include <sys/time.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <limits>

namespace {

constexpr long kNanosPerSecond = 1000000000L;

// What a created thread needs to start: two words the caller gives and that
// are kept unused, the routine and its argument.
struct StartBlock {
    void *word1;
    void *word2;
    void *(*start)(void *);
    void *arg;
};

pthread_mutex_t g_delay_mutex = PTHREAD_MUTEX_INITIALIZER;
pthread_cond_t g_delay_cond = PTHREAD_COND_INITIALIZER;  // never signalled

void free_start_block(void *block) { std::free(block); }

void unlock_delay_mutex(void *) { pthread_mutex_unlock(&g_delay_mutex); }

// seconds + more, held at the largest time_t rather than wrapping (a 32-bit
// time_t passes its end in 2038).
time_t add_seconds(time_t seconds, long long more) {
    constexpr long long kMax = static_cast<long long>(std::numeric_limits<time_t>::max());
    long long sum = static_cast<long long>(seconds);
    sum = more > kMax - sum ? kMax : sum + more;
    return static_cast<time_t>(sum);
}

bool valid_interval(const struct timespec *interval) {
    return interval && interval->tv_sec >= 0 && interval->tv_nsec >= 0 &&
           interval->tv_nsec < kNanosPerSecond;
}

}  // namespace

extern "C" {

int zelthread_attr_init(pthread_attr_t *attr) {
    int error = pthread_attr_init(attr);
    if (error) return error;
    error = pthread_attr_setscope(attr, PTHREAD_SCOPE_SYSTEM);
    if (!error) error = pthread_attr_setdetachstate(attr, PTHREAD_CREATE_JOINABLE);
    if (error) pthread_attr_destroy(attr);
    return error;
}

void *zelthread_start(void *arg) {
    auto *block = static_cast<StartBlock *>(arg);
    void *result = nullptr;
    // The block is freed when the routine returns and when it is cancelled.
    pthread_cleanup_push(free_start_block, block);
    result = block->start(block->arg);
    pthread_cleanup_pop(1);
    return result;
}

int zelthread_create_(void *word1, void *word2, pthread_t *thread, const pthread_attr_t *attr,
                      void *(*start)(void *), void *arg) {
    if (!thread || !start) return EINVAL;
    pthread_attr_t local;
    if (!attr) {
        int error = zelthread_attr_init(&local);
        if (error) return error;
    }
    auto *block = static_cast<StartBlock *>(std::malloc(sizeof(StartBlock)));
    int result = EAGAIN;
    if (block) {
        *block = StartBlock{word1, word2, start, arg};
        result = pthread_create(thread, attr ? attr : &local, zelthread_start, block);
        // A thread that never started cannot free its block.
        if (result) std::free(block);
    }
    if (!attr) pthread_attr_destroy(&local);
    return result;
}

int zelthread_delay_np(const struct timespec *interval) {
    // A bad interval would make every timed wait fail at once: refused here
    // rather than waited on in a loop that never times out.
    if (!valid_interval(interval)) return EINVAL;
    // The deadline counts from the start of the current second.
    struct timespec deadline;
    deadline.tv_sec = add_seconds(time(nullptr), static_cast<long long>(interval->tv_sec));
    deadline.tv_nsec = interval->tv_nsec;
    int result = pthread_mutex_lock(&g_delay_mutex);
    if (result) return result;
    int waited = 0;
    pthread_cleanup_push(unlock_delay_mutex, nullptr);
    // 0 is a wake-up without a signal: wait again. Any other error than the
    // time-out ends the delay, so that it never spins.
    do {
        waited = pthread_cond_timedwait(&g_delay_cond, &g_delay_mutex, &deadline);
    } while (waited == 0);
    pthread_cleanup_pop(0);
    result = pthread_mutex_unlock(&g_delay_mutex);
    if (!result && waited != ETIMEDOUT) result = waited;
    return result;
}

int zelthread_sleep_np(unsigned int seconds) {
    // A 32-bit time_t holds fewer seconds than an unsigned int.
    constexpr long long kMax = static_cast<long long>(std::numeric_limits<time_t>::max());
    struct timespec interval;
    interval.tv_sec = static_cast<time_t>(std::min(static_cast<long long>(seconds), kMax));
    interval.tv_nsec = 0;
    return zelthread_delay_np(&interval);
}

int zelthread_get_expiration_np(const struct timespec *delta, struct timespec *abstime) {
    if (!delta || !abstime || delta->tv_sec < 0 || delta->tv_nsec < 0) return EINVAL;
    struct timeval now;
    gettimeofday(&now, nullptr);
    long long nanos = static_cast<long long>(now.tv_usec) * 1000 + delta->tv_nsec;
    time_t seconds = add_seconds(now.tv_sec, static_cast<long long>(delta->tv_sec));
    abstime->tv_sec = add_seconds(seconds, nanos / kNanosPerSecond);
    abstime->tv_nsec = static_cast<long>(nanos % kNanosPerSecond);
    return 0;
}

}  // extern "C"
