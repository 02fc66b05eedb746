// Identifiers: uniqueness across threads and under a clock that stalls or
// goes back, the text forms, ordering and hash, and the network address
// search with its fallback file and the failures that end the process.
#include <net/if.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <array>
#include <map>

#include "id/uuid_hooks.h"
#include "support/test_support.h"

namespace {

using Bytes = std::array<unsigned char, 16>;

Bytes bytes_of(const vr_uuid_t &u) {
    Bytes b;
    memcpy(b.data(), &u, sizeof u);
    return b;
}

vr_uuid_t from_bytes(const Bytes &b) {
    vr_uuid_t u;
    memcpy(&u, b.data(), sizeof u);
    return u;
}

uint64_t stamp_of(const vr_uuid_t &u) {
    return u.time_low | uint64_t(u.time_mid) << 32 | uint64_t(u.time_hi_and_version & 0x0FFF) << 48;
}

unsigned sequence_of(const vr_uuid_t &u) { return (u.clock_seq_hi_and_reserved & 0x3F) << 8 | u.clock_seq_low; }

// An address file of 12 hex digits, so that creation does not depend on the
// machine having a network interface.
struct AddressFile {
    zeltest::TempDir dir;
    std::string path = dir.file("ieee_802_addr");
    explicit AddressFile(const std::string &contents = "0123456789ab\n") {
        if (!contents.empty()) zeltest::write_file(path, contents);
    }
};

// An interface list made up by the test: name, flags, hardware address (an
// empty one cannot be read).
struct FakeInterface {
    const char *name;
    short flags;
    std::string hwaddr;
};
std::vector<FakeInterface> fake_interfaces;
unsigned long failing_request = 0;

int fake_ioctl(int, unsigned long request, void *arg) {
    if (request == failing_request) return -1;
    if (request == SIOCGIFCONF) {
        auto *list = static_cast<struct ifconf *>(arg);
        int used = 0;
        for (const FakeInterface &i : fake_interfaces) {
            struct ifreq r {};
            strcpy(r.ifr_name, i.name);
            memcpy(list->ifc_buf + used, &r, sizeof r);
            used += sizeof r;
        }
        list->ifc_len = used;
        return 0;
    }
    auto *r = static_cast<struct ifreq *>(arg);
    for (const FakeInterface &i : fake_interfaces) {
        if (strcmp(i.name, r->ifr_name) != 0) continue;
        if (request == SIOCGIFFLAGS) r->ifr_flags = i.flags;
        if (request != SIOCGIFHWADDR) return 0;
        if (i.hwaddr.empty()) return -1;
        memcpy(r->ifr_hwaddr.sa_data, i.hwaddr.data(), 6);
        return 0;
    }
    return -1;
}

// A clock that stands still unless the test moves it; it moves one
// microsecond on its own at read number tick_at, and every millionth read so
// that a generator waiting for it cannot hang the test.
struct timeval fake_now = {1700000000, 500000};
long clock_reads = 0, tick_at = -1;
int fake_gettimeofday(struct timeval *tv) {
    if (++clock_reads == tick_at || clock_reads % 1000000 == 0) fake_now.tv_usec++;
    *tv = fake_now;
    return 0;
}
uint64_t fake_stamp() { return 1700000000ULL * 10000000 + 10 * uint64_t(fake_now.tv_usec) + 0x01B21DD213814000ULL; }

// Creation with the address from the file and no interfaces at all.
void use_file(const AddressFile &file, int (*clock)(struct timeval *) = nullptr) {
    fake_interfaces.clear();
    zel::uuid_set_hooks({clock, file.path.c_str(), fake_ioctl, nullptr});
}

vr_uuid_t created() {
    vr_uuid_t u;
    unsigned st = 1;
    vr_uuid_create(&u, &st);
    EXPECT_EQ(0u, st);
    return u;
}

void expect_distinct(std::vector<Bytes> all) {
    std::sort(all.begin(), all.end());
    EXPECT_EQ(all.end(), std::adjacent_find(all.begin(), all.end()));
}

TEST(Uuid, FourThreadsCreateDistinctVersionOneIdentifiers) {
    AddressFile file;
    use_file(file);
    constexpr int kThreads = 4, kEach = 100000;
    std::vector<Bytes> all(kThreads * kEach);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&all, t] {
            for (int i = 0; i < kEach; ++i) {
                vr_uuid_t u;
                unsigned st = 1;
                vr_uuid_create(&u, &st);
                if (st != 0 || (u.time_hi_and_version & 0xF000) != 0x1000 ||
                    (u.clock_seq_hi_and_reserved & 0xC0) != 0x80 || memcmp(u.node, "\x01\x23\x45\x67\x89\xab", 6))
                    u = uuid_g_nil_uuid;  // counted as a failure below
                all[t * kEach + i] = bytes_of(u);
            }
        });
    }
    for (auto &thread : threads) thread.join();
    EXPECT_EQ(all.end(), std::find(all.begin(), all.end(), Bytes{}));
    expect_distinct(std::move(all));
}

TEST(Uuid, StampsRunAheadOfAStalledClockAndNeverRepeat) {
    AddressFile file;
    use_file(file, fake_gettimeofday);
    // Bursts of 15 identifiers in each of 5 microseconds (10 stamp units each).
    std::vector<Bytes> all;
    uint64_t last = 0;
    for (int micro = 0; micro < 5; ++micro, fake_now.tv_usec++) {
        for (int i = 0; i < 15; ++i) {
            vr_uuid_t u = created();
            if (!all.empty()) {
                EXPECT_EQ(last + 1, stamp_of(u));
            }
            last = stamp_of(u);
            all.push_back(bytes_of(u));
        }
    }
    expect_distinct(all);
    // Once the clock passes the last stamp, the stamp is the clock again.
    fake_now.tv_usec += 100;
    EXPECT_EQ(fake_stamp(), stamp_of(created()));

    // 0x8000 identifiers fit in one clock value; the next waits for the clock.
    fake_now.tv_usec += 100;
    const uint64_t start = fake_stamp();
    for (uint64_t i = 0; i < 0x8000; ++i) {
        vr_uuid_t u = created();
        if (stamp_of(u) != start + i) FAIL() << "identifier " << i;
    }
    tick_at = clock_reads + 3;
    long before = clock_reads;
    EXPECT_EQ(start + 0x8000, stamp_of(created()));
    EXPECT_EQ(3, clock_reads - before);
}

TEST(Uuid, AClockGoingBackChangesTheSequenceNeverToZero) {
    AddressFile file;
    const std::pair<unsigned short, unsigned> steps[] = {{5, 6}, {0x3FFF, 1}, {0x7FFF, 1}, {0xC123, 0x124}};
    for (auto [from, to] : steps) {
        use_file(file, fake_gettimeofday);
        zel::uuid_set_clock_seq(from);
        std::vector<Bytes> all;
        for (int i = 0; i < 20; ++i) all.push_back(bytes_of(created()));
        fake_now.tv_usec -= 1;  // back below the 20 stamps just issued
        vr_uuid_t back = created();
        EXPECT_EQ(to, sequence_of(back)) << from;
        EXPECT_EQ(fake_stamp(), stamp_of(back));
        all.push_back(bytes_of(back));
        for (int i = 0; i < 20; ++i) all.push_back(bytes_of(created()));
        expect_distinct(all);
        fake_now.tv_usec += 1000;
    }
    // A sequence of 0 takes a new one from the generator.
    use_file(file, fake_gettimeofday);
    zel::uuid_set_clock_seq(0);
    created();
    fake_now.tv_usec -= 1;
    EXPECT_NE(0u, sequence_of(created()));
}

TEST(Uuid, TextFormsReadBackAndRefuseWithoutStoring) {
    AddressFile file;
    use_file(file);
    unsigned st = 1;
    vr_uuid_t made = created(), read;
    char *text = nullptr;
    vr_uuid_to_string(&made, &text, &st);
    ASSERT_EQ(0u, st);
    ASSERT_EQ(36u, strlen(text));
    EXPECT_EQ(std::string(text).substr(24), "0123456789ab");
    vr_uuid_from_string(text, &read, &st);
    EXPECT_EQ(0u, st);
    EXPECT_TRUE(vr_uuid_equal(&made, &read, &st));
    vr_uuid_string_free(&text, &st);
    EXPECT_EQ(nullptr, text);

    vr_uuid_from_string("0123abcd89.c0.01.02.03.04.05.06.07", &read, &st);
    EXPECT_EQ(ZEL_S_UUID_BAD_TEXT, st);  // 34 characters
    vr_uuid_from_string("01234567cdEF.c0.01.02.03.04.05.06.07", &read, &st);
    ASSERT_EQ(0u, st);
    EXPECT_EQ((Bytes{0x67, 0x45, 0x23, 0x01, 0xEF, 0xCD, 0, 0, 0xC0, 1, 2, 3, 4, 5, 6, 7}), bytes_of(read));

    const std::pair<const char *, unsigned> cases[] = {
        {nullptr, 0},
        {"", 0},
        {"00000000-0000-0000-0000-000000000000", 0},
        {"00000000-0000-0000-0000-00000000000", ZEL_S_UUID_BAD_TEXT},
        {"00000000-0000-0000-0000-0000000000000", ZEL_S_UUID_BAD_TEXT},
        {"00000000-0000-00g0-0000-000000000000", ZEL_S_UUID_BAD_TEXT},
        {"00000000-0000-0000-0000x000000000000", ZEL_S_UUID_BAD_TEXT},
        {"00000000-0000-0000-e000-000000000000", ZEL_S_UUID_BAD_VARIANT},
        {"0000000000.00.e0.00.00.00.00.00.00.00", ZEL_S_UUID_BAD_TEXT},
        {"000000000000.e0.00.00.00.00.00.00.00", ZEL_S_UUID_BAD_VARIANT},
        {"000000000000.00.00.00.00.00.00.0g.00", ZEL_S_UUID_BAD_TEXT},
    };
    for (auto [input, status] : cases) {
        memset(&read, 0x5A, sizeof read);
        vr_uuid_from_string(input, &read, &st);
        EXPECT_EQ(status, st) << (input ? input : "null");
        Bytes untouched;
        untouched.fill(0x5A);
        EXPECT_EQ(status ? untouched : Bytes{}, bytes_of(read)) << (input ? input : "null");
    }
    read.clock_seq_hi_and_reserved = 0xE0;
    text = nullptr;
    vr_uuid_to_string(&read, &text, &st);
    EXPECT_EQ(ZEL_S_UUID_BAD_VARIANT, st);
    EXPECT_EQ(nullptr, text);
}

TEST(Uuid, ComparisonHashAndVariantChecks) {
    unsigned st = 1;
    Bytes one_first{}, one_last{};
    one_first[0] = 1;
    one_last[15] = 1;
    vr_uuid_t nil = uuid_g_nil_uuid, first = from_bytes(one_first), last = from_bytes(one_last);
    vr_uuid_t bad = nil;
    bad.clock_seq_hi_and_reserved = 0xE0;
    // Fletcher sums by hand: one 1 in byte 0 gives c0 1, c1 16; in byte 15, c0 1, c1 1.
    EXPECT_EQ(0, vr_uuid_hash(&nil, &st));
    EXPECT_EQ(15 * 256 + (255 - 16), vr_uuid_hash(&first, &st));
    EXPECT_EQ(0 * 256 + (255 - 1), vr_uuid_hash(&last, &st));
    EXPECT_EQ(0, vr_uuid_hash(&bad, &st));
    EXPECT_EQ(ZEL_S_UUID_BAD_VARIANT, st);

    // time_low decides before the node, whatever the byte order in memory.
    vr_uuid_t low = nil, high = nil;
    low.time_low = 0x100;
    low.node[5] = 9;
    high.time_low = 0x101;
    const std::tuple<vr_uuid_t *, vr_uuid_t *, int, unsigned> compares[] = {
        {nullptr, nullptr, 0, 0},
        {nullptr, &nil, 0, 0},
        {nullptr, &last, -1, 0},
        {&nil, nullptr, 0, 0},
        {&last, nullptr, 1, 0},
        {&low, &high, -1, 0},
        {&high, &low, 1, 0},
        {&last, &last, 0, 0},
        {&nil, &last, -1, 0},
        {&bad, &nil, -1, ZEL_S_UUID_BAD_VARIANT},
        {&nil, &bad, -1, ZEL_S_UUID_BAD_VARIANT},
    };
    for (auto [a, b, result, status] : compares) {
        EXPECT_EQ(result, vr_uuid_compare(a, b, &st));
        EXPECT_EQ(status, st);
    }
    EXPECT_TRUE(vr_uuid_is_nil(&nil, &st));
    EXPECT_FALSE(vr_uuid_is_nil(&first, &st));
    EXPECT_FALSE(vr_uuid_is_nil(&bad, &st));
    EXPECT_EQ(ZEL_S_UUID_BAD_VARIANT, st);
    EXPECT_FALSE(vr_uuid_equal(&bad, &bad, &st));
    EXPECT_EQ(ZEL_S_UUID_BAD_VARIANT, st);
}

TEST(Uuid, AddressComesFromTheFirstPlainInterfaceElseTheFile) {
    const std::string zero(6, '\0'), a("\x0a\x0b\x0c\x0d\x0e\x0f", 6), b("\x02\x00\x00\x00\x00\x01", 6);
    const FakeInterface lo{"lo", IFF_LOOPBACK | IFF_UP, zero}, ppp{"ppp0", IFF_POINTOPOINT, a}, eth0{"eth0", IFF_UP, b},
        eth1{"eth1", IFF_UP, a}, no_hw{"eth2", IFF_UP, ""}, zero_hw{"eth3", IFF_UP, zero};
    const std::string from_file("\x01\x23\x45\x67\x89\xab", 6);
    const struct {
        std::vector<FakeInterface> interfaces;
        const char *file;  // "" for none, "/" for a directory
        unsigned status;
        std::string address;
    } cases[] = {
        {{lo, eth0, eth1}, "", 0, b},
        {{ppp, lo, eth1}, "", 0, a},
        {{lo}, "0123456789ABcd", 0, from_file},
        {{ppp}, "0123456789ab", 0, from_file},
        {{ppp, no_hw}, "0123456789ab", 0, from_file},
        {{lo, zero_hw, eth0}, "0123456789ab", 0, from_file},
        {{}, "", ZEL_S_NO_NETWORK_ADDRESS, ""},
        {{}, "/", ZEL_S_NO_NETWORK_ADDRESS, ""},
        {{}, "0123456789a", ZEL_S_NO_NETWORK_ADDRESS, ""},
        {{}, "0123456789ag", ZEL_S_BAD_ADDRESS_FILE, ""},
        {{}, " 123456789ab", ZEL_S_BAD_ADDRESS_FILE, ""},
    };
    for (const auto &c : cases) {
        zeltest::TempDir dir;
        std::string path = dir.file("ieee_802_addr");
        if (std::string(c.file) == "/")
            mkdir(path.c_str(), 0700);
        else if (*c.file)
            zeltest::write_file(path, c.file);
        fake_interfaces = c.interfaces;
        zel::uuid_set_hooks({nullptr, path.c_str(), fake_ioctl, nullptr});
        unsigned char address[6] = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
        unsigned st = 1;
        vr_get_802_addr(address, &st);
        EXPECT_EQ(c.status, st) << c.file;
        EXPECT_EQ(c.status ? std::string(6, '\xEE') : c.address, std::string((char *)address, 6)) << c.file;
    }
    // Creation fails without an address and writes nothing, then finds one later.
    AddressFile file("");
    fake_interfaces = {lo};
    zel::uuid_set_hooks({nullptr, file.path.c_str(), fake_ioctl, nullptr});
    vr_uuid_t u = uuid_g_nil_uuid;
    unsigned st = 0;
    vr_uuid_create(&u, &st);
    EXPECT_EQ(ZEL_S_UUID_NO_ADDRESS, st);
    EXPECT_TRUE(vr_uuid_is_nil(&u, &st));
    zeltest::write_file(file.path, "0123456789ab");
    EXPECT_EQ(from_file, std::string((char *)created().node, 6));
}

// The failures that end the process, each in a child whose output is kept.
std::string child_output;
int ending_case = 0;
void end_the_process() {
    int fd = open(child_output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(fd, 1);
    dup2(fd, 2);
    fake_interfaces = {{"eth0", IFF_UP, std::string(6, '\1')}};
    const unsigned long fails[] = {0, SIOCGIFCONF, SIOCGIFFLAGS, 0};
    failing_request = fails[ending_case];
    auto no_clock = +[](struct timeval *) {
        errno = EINVAL;
        return -1;
    };
    auto no_socket = +[](int, int, int) {
        errno = EMFILE;
        return -1;
    };
    zel::uuid_set_hooks(
        {ending_case == 3 ? no_clock : nullptr, "/nonexistent", fake_ioctl, ending_case == 0 ? no_socket : nullptr});
    vr_uuid_t u;
    unsigned st;
    vr_uuid_create(&u, &st);
}

TEST(Uuid, BrokenSystemsEndTheProcessWithTheirMessage) {
    zeltest::TempDir dir;
    child_output = dir.file("output");
    const std::pair<int, std::string> expected[] = {
        {1, "Cant open socket\n"},
        {1, "ioctl(SIOCGIFCONF) failed\n"},
        {1, "Error ioctl(SIOCGIFFLAGS)\n"},
        {255, std::string("uuid__get_os_time: ") + strerror(EINVAL) + "\n"},
    };
    for (ending_case = 0; ending_case < 4; ++ending_case) {
        EXPECT_EQ(expected[ending_case].first, zeltest::run_in_child(end_the_process)) << ending_case;
        EXPECT_EQ(expected[ending_case].second, zeltest::read_file(child_output)) << ending_case;
    }
}

}  // namespace
