// Threads: the delay's deadline and its refusal of bad intervals, cancellation
// inside a delay, start blocks, and absolute deadlines.
#include <sys/time.h>

#include <chrono>

#include "support/test_support.h"

namespace {

// Seconds a call took, and its result.
std::pair<double, int> timed(const std::function<int()> &call) {
    auto start = std::chrono::steady_clock::now();
    int result = call();
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), result};
}

// The deadline counts from the start of the current second; intervals no
// timed wait accepts end at once instead of spinning.
TEST(Thread, DelayEndsAtItsDeadlineAndRefusesBadIntervals) {
    const std::tuple<timespec, int, double, double> rows[] = {{{1, 500000000}, 0, 0.45, 1.6},
                                                              {{0, 1000000000}, EINVAL, 0, 0.5},
                                                              {{0, -1}, EINVAL, 0, 0.5},
                                                              {{-1, 0}, EINVAL, 0, 0.5}};
    for (const auto &row : rows) {
        auto [took, result] = timed([&] { return zelthread_delay_np(&std::get<0>(row)); });
        auto [interval, wanted, least, most] = row;
        EXPECT_TRUE(result == wanted && took >= least && took < most)
            << interval.tv_sec << " " << result << " " << took;
    }
    auto [slept, zero] = timed([] { return zelthread_sleep_np(0); });
    EXPECT_TRUE(slept < 0.5 && zero == 0) << slept;
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
                  if (pthread_join(thread, &result) || result != PTHREAD_CANCELED) _exit(2);
                  timespec none{0, 0};
                  _exit(zelthread_delay_np(&none) == 0 ? 0 : 3);
              }));
}

void *identity(void *arg) { return arg; }

TEST(Thread, CreateReturnsTheRoutineResultOrTheFailure) {
    pthread_attr_t attr;
    ASSERT_EQ(zelthread_attr_init(&attr), 0);
    int scope = -1, detach = -1, value = 7;
    EXPECT_TRUE(pthread_attr_getscope(&attr, &scope) == 0 && scope == PTHREAD_SCOPE_SYSTEM);
    EXPECT_TRUE(pthread_attr_getdetachstate(&attr, &detach) == 0 && detach == PTHREAD_CREATE_JOINABLE);
    pthread_t thread;
    void *result = nullptr;
    ASSERT_EQ(zelthread_create_(nullptr, nullptr, &thread, &attr, identity, &value), 0);
    EXPECT_TRUE(pthread_join(thread, &result) == 0 && result == &value);
    // A stack no machine can give: the thread never starts, and its start
    // block must not be left behind (the sanitizer lane sees a leak).
    ASSERT_EQ(pthread_attr_setstacksize(&attr, static_cast<size_t>(-1) & ~size_t{0xFFFF}), 0);
    EXPECT_NE(zelthread_create_(nullptr, nullptr, &thread, &attr, identity, &value), 0);
    pthread_attr_destroy(&attr);
}

TEST(Thread, ExpirationAddsTheDeltaAndCarriesTheSecond) {
    const timespec delta{2, 999999999}, negative[] = {{-1, 0}, {0, -1}};
    auto nanos = [](time_t s, long ns) { return static_cast<long long>(s) * 1000000000LL + ns; };
    timeval before, after;
    timespec at{};
    gettimeofday(&before, nullptr);
    ASSERT_EQ(zelthread_get_expiration_np(&delta, &at), 0);
    gettimeofday(&after, nullptr);
    long long got = nanos(at.tv_sec, at.tv_nsec) - nanos(delta.tv_sec, delta.tv_nsec);
    EXPECT_TRUE(at.tv_nsec >= 0 && at.tv_nsec < 1000000000L) << at.tv_nsec;
    EXPECT_TRUE(got >= nanos(before.tv_sec, before.tv_usec * 1000L) &&
                got <= nanos(after.tv_sec, after.tv_usec * 1000L));
    for (const timespec &bad : negative) EXPECT_EQ(zelthread_get_expiration_np(&bad, &at), EINVAL);
    EXPECT_EQ(zelthread_get_expiration_np(nullptr, &at), EINVAL);
    EXPECT_EQ(zelthread_get_expiration_np(&delta, nullptr), EINVAL);
}

}  // namespace
