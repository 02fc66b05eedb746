// Threads: the delay's deadline and its refusal of bad intervals, cancellation
// inside a delay, start blocks, and absolute deadlines.
#include <sys/time.h>

#include <chrono>

#include "support/test_support.h"

namespace {

double seconds_of(const std::function<int()> &call, int *result) {
    auto start = std::chrono::steady_clock::now();
    *result = call();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

TEST(Thread, DelayEndsAtItsDeadlineAndRefusesBadIntervals) {
    int result = -1;
    EXPECT_LT(seconds_of([] { return zelthread_sleep_np(0); }, &result), 0.5);
    EXPECT_EQ(result, 0);
    // The deadline counts from the start of the current second.
    timespec one_and_a_half{1, 500000000};
    double took = seconds_of([&] { return zelthread_delay_np(&one_and_a_half); }, &result);
    EXPECT_EQ(result, 0);
    EXPECT_GT(took, 0.45);
    EXPECT_LT(took, 1.6);
    // Intervals no timed wait accepts end at once instead of spinning.
    const timespec bad[] = {{0, 1000000000}, {0, -1}, {-1, 0}};
    for (const timespec &interval : bad) {
        EXPECT_LT(seconds_of([&] { return zelthread_delay_np(&interval); }, &result), 0.5);
        EXPECT_EQ(result, EINVAL);
    }
    EXPECT_EQ(zelthread_delay_np(nullptr), EINVAL);
}

void *sleep_long(void *started) {
    static_cast<std::atomic<bool> *>(started)->store(true);
    zelthread_sleep_np(100);
    return nullptr;
}

TEST(Thread, CancelledDelayLeavesNoLockHeldAndFreesItsStartBlock) {
    EXPECT_EQ(0, zeltest::run_in_child([] {
                  alarm(20);  // a delay lock left held would hang the last delay
                  std::atomic<bool> started{false};
                  pthread_t thread;
                  if (zelthread_create_(nullptr, nullptr, &thread, nullptr, sleep_long, &started)) _exit(1);
                  while (!started.load()) usleep(1000);
                  usleep(50000);
                  pthread_cancel(thread);
                  void *result = nullptr;
                  pthread_join(thread, &result);
                  if (result != PTHREAD_CANCELED) _exit(2);
                  timespec none{0, 0};
                  _exit(zelthread_delay_np(&none) == 0 ? 0 : 3);
              }));
}

void *identity(void *arg) { return arg; }

TEST(Thread, CreateReturnsTheRoutineResultOrTheFailure) {
    pthread_attr_t attr;
    ASSERT_EQ(zelthread_attr_init(&attr), 0);
    int scope = -1, detach = -1;
    pthread_attr_getscope(&attr, &scope);
    pthread_attr_getdetachstate(&attr, &detach);
    EXPECT_EQ(scope, PTHREAD_SCOPE_SYSTEM);
    EXPECT_EQ(detach, PTHREAD_CREATE_JOINABLE);
    int value = 7;
    pthread_t thread;
    ASSERT_EQ(zelthread_create_(nullptr, nullptr, &thread, &attr, identity, &value), 0);
    void *result = nullptr;
    pthread_join(thread, &result);
    EXPECT_EQ(result, &value);
    // A stack no machine can give: the thread never starts, and its start
    // block must not be left behind (the sanitizer lane sees a leak).
    ASSERT_EQ(pthread_attr_setstacksize(&attr, static_cast<size_t>(-1) & ~size_t{0xFFFF}), 0);
    EXPECT_NE(zelthread_create_(nullptr, nullptr, &thread, &attr, identity, &value), 0);
    pthread_attr_destroy(&attr);
}

TEST(Thread, ExpirationAddsTheDeltaAndCarriesTheSecond) {
    const timespec delta{2, 999999999};
    timeval before, after;
    timespec at{};
    gettimeofday(&before, nullptr);
    ASSERT_EQ(zelthread_get_expiration_np(&delta, &at), 0);
    gettimeofday(&after, nullptr);
    auto nanos = [](time_t s, long ns) { return static_cast<long long>(s) * 1000000000LL + ns; };
    long long got = nanos(at.tv_sec, at.tv_nsec);
    EXPECT_GE(at.tv_nsec, 0);
    EXPECT_LT(at.tv_nsec, 1000000000L);
    EXPECT_GE(got, nanos(before.tv_sec, before.tv_usec * 1000L) + nanos(delta.tv_sec, delta.tv_nsec));
    EXPECT_LE(got, nanos(after.tv_sec, after.tv_usec * 1000L) + nanos(delta.tv_sec, delta.tv_nsec));
    const timespec negative[] = {{-1, 0}, {0, -1}};
    for (const timespec &bad : negative) EXPECT_EQ(zelthread_get_expiration_np(&bad, &at), EINVAL);
    EXPECT_EQ(zelthread_get_expiration_np(nullptr, &at), EINVAL);
    EXPECT_EQ(zelthread_get_expiration_np(&delta, nullptr), EINVAL);
}

}  // namespace
