// libkmt7qcks: random bytes, injected failures, set-up and the error queue.
#include <kmt/qck.h>
#include <kmt/qck_test.h>

#include "support/test_support.h"

namespace {

std::string text_of(unsigned long code) {
    char buf[QCK_ERR_TEXT_SIZE];
    return QCK_ERR_error_string(nullptr, code, buf);
}

// Takes every queued error of the calling thread; returns how many and the last.
int drain(unsigned long *last) {
    int count = 0;
    for (unsigned long code; (code = QCK_ERR_get_error(nullptr)) != 0; ++count) *last = code;
    return count;
}

TEST(QckRandom, FillsBuffersAndRejectsBadArguments) {
    QCK_CTX ctx = QCK_Init(nullptr, nullptr);
    ASSERT_NE(nullptr, ctx);
    // Far beyond what one getrandom call promises to return.
    std::vector<unsigned char> a(1 << 20), b(32);
    ASSERT_EQ(2, QCK_RAND_bytes(ctx, a.data(), static_cast<int>(a.size())) + QCK_RAND_bytes(ctx, b.data(), 32));
    EXPECT_EQ(256u, std::set<unsigned char>(a.begin(), a.end()).size());
    EXPECT_NE(0, std::memcmp(a.data(), b.data(), 32));
    EXPECT_EQ(0ul, QCK_ERR_get_error(ctx));
    for (auto [c, buf, n] : {std::tuple{ctx, b.data(), 0}, {ctx, b.data(), -1}, {ctx, nullptr, 4}, {nullptr, b.data(), 4}})
        EXPECT_EQ(0, QCK_RAND_bytes(c, buf, n));
    unsigned long last = 0;
    EXPECT_EQ(4, drain(&last));
}

// Each failure queues its error, with a text of its own; the newest 16 of a
// thread are kept, apart from other threads'.
TEST(QckErrors, InjectedFailuresAndTheQueue) {
    QCK_CTX ctx = QCK_Init(nullptr, nullptr);
    unsigned char buf[16];
    QCK_test_fail_random(2);
    for (int want : {0, 0, 1}) EXPECT_EQ(want, QCK_RAND_bytes(ctx, buf, sizeof buf));
    unsigned long failed = QCK_ERR_get_error(ctx);
    EXPECT_EQ(failed, QCK_ERR_get_error(ctx));
    EXPECT_EQ(0ul, QCK_ERR_get_error(ctx));
    EXPECT_NE(std::string::npos, text_of(failed).find("getrandom failed: "));
    EXPECT_EQ(text_of(failed), QCK_ERR_error_string(ctx, failed, nullptr));
    QCK_RAND_bytes(ctx, buf, 0);
    unsigned long bad_argument = QCK_ERR_get_error(ctx);
    EXPECT_NE(text_of(bad_argument), text_of(failed));
    EXPECT_NE(text_of(0), text_of(failed));
    EXPECT_NE("", text_of(12345));

    for (int i = 0; i < 40; ++i) QCK_RAND_bytes(ctx, buf, 0);
    QCK_test_fail_random(1);
    QCK_RAND_bytes(ctx, buf, 1);
    int other_count = -1;
    std::thread([&] {
        QCK_RAND_bytes(ctx, buf, -5);
        unsigned long last = 0;
        other_count = drain(&last);
    }).join();
    EXPECT_EQ(1, other_count);
    unsigned long last = 0;
    EXPECT_EQ(16, drain(&last));
    EXPECT_NE(std::string::npos, text_of(last).find("getrandom"));
    QCK_test_fail_random(5);
    QCK_test_fail_random(0);
    EXPECT_EQ(1, QCK_RAND_bytes(ctx, buf, sizeof buf));
}

TEST(QckSetUp, ValuesAndAttach) {
    QCK_Status status{};
    QCK_CTX ctx = QCK_Init(&status, "/opt/kmt/");
    EXPECT_EQ(2, QCK_SetValue(ctx, &status, QCK_VALUE_FIPS_MODE, "off") + QCK_Attach(ctx, &status));
    EXPECT_EQ(0u, status.code);
    EXPECT_EQ(0, QCK_SetValue(ctx, &status, 99, "off"));
    EXPECT_EQ(text_of(status.code), status.text);
    EXPECT_EQ(0, QCK_SetValue(ctx, nullptr, QCK_VALUE_FIPS_MODE, "maybe") +
                     QCK_SetValue(ctx, nullptr, QCK_VALUE_FIPS_MODE, nullptr) + QCK_Attach(nullptr, &status));
    // Each failed call also queued its error; the last one is Attach's.
    unsigned long last = 0;
    EXPECT_EQ(4, drain(&last));
    EXPECT_EQ(status.code, last);
}

}  // namespace
