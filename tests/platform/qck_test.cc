// libkmt7qcks: random bytes, injected failures and the error queue.
#include <kmt/qck.h>
#include <kmt/qck_test.h>

#include "support/test_support.h"

namespace {

TEST(QckRandom, FillsBuffersAndQueuesEachFailure) {
    QCK_CTX ctx = QCK_Init(nullptr, nullptr);
    ASSERT_NE(nullptr, ctx);
    // Far beyond what one getrandom call promises to return.
    std::vector<unsigned char> a(1 << 20), b(32);
    ASSERT_EQ(2, QCK_RAND_bytes(ctx, a.data(), static_cast<int>(a.size())) + QCK_RAND_bytes(ctx, b.data(), 32));
    EXPECT_EQ(256u, std::set<unsigned char>(a.begin(), a.end()).size());
    EXPECT_NE(0, std::memcmp(a.data(), b.data(), 32));
    EXPECT_EQ(0ul, QCK_ERR_get_error(ctx));
    QCK_test_fail_random(1);
    for (auto [c, buf, n] :
         {std::tuple{ctx, b.data(), 4}, {ctx, b.data(), 0}, {ctx, nullptr, 4}, {nullptr, b.data(), 4}})
        EXPECT_EQ(0, QCK_RAND_bytes(c, buf, n));
    char text[QCK_ERR_TEXT_SIZE];
    unsigned long failed = QCK_ERR_get_error(ctx);
    EXPECT_NE(std::string::npos, std::string(QCK_ERR_error_string(ctx, failed, text)).find("getrandom failed: "));
    int queued = 1;
    while (QCK_ERR_get_error(ctx) != 0) ++queued;
    EXPECT_EQ(4, queued);
    EXPECT_EQ(1, QCK_RAND_bytes(ctx, b.data(), 32));
}

}  // namespace
