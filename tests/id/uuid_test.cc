// Identifiers: uniqueness across threads and under a clock that stalls or
// goes back, the text forms, ordering and hash, and the network address
// search with its fallback file and the failures that end the process.
#include <net/if.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <set>

#include "id/uuid_hooks.h"
#include "support/test_support.h"

namespace {

std::string bytes_of(const vr_uuid_t &u) { return std::string(reinterpret_cast<const char *>(&u), sizeof u); }
uint64_t stamp_of(const vr_uuid_t &u) {
    return u.time_low | uint64_t(u.time_mid) << 32 | uint64_t(u.time_hi_and_version & 0x0FFF) << 48;
}
const std::string kFileAddress("\x01\x23\x45\x67\x89\xab", 6);

// Interfaces made up by the test: name, flags, hardware address ("" cannot be read).
struct FakeInterface {
    const char *name;
    short flags;
    std::string hwaddr;
};
std::vector<FakeInterface> fake_interfaces;
unsigned long failing_request = 0;
int fake_ioctl(int, unsigned long request, void *arg) {
    auto *list = static_cast<struct ifconf *>(arg);
    auto *r = static_cast<struct ifreq *>(arg);
    if (request == failing_request) return -1;
    for (size_t n = 0; request == SIOCGIFCONF && n < fake_interfaces.size(); ++n)
        strcpy(list->ifc_req[n].ifr_name, fake_interfaces[n].name);
    if (request == SIOCGIFCONF) return list->ifc_len = int(fake_interfaces.size() * sizeof *r), 0;
    for (const FakeInterface &i : fake_interfaces) {
        if (strcmp(i.name, r->ifr_name) != 0) continue;
        if (request == SIOCGIFFLAGS) r->ifr_flags = i.flags;
        if (request == SIOCGIFHWADDR) memcpy(r->ifr_hwaddr.sa_data, i.hwaddr.data(), i.hwaddr.size());
        return request == SIOCGIFHWADDR && i.hwaddr.empty() ? -1 : 0;
    }
    return -1;
}

// A clock that stands still unless the test moves it; it moves 1 us by itself
// at read number tick_at and every millionth read, so that no wait can hang.
struct timeval fake_now = {1700000000, 500000};
long clock_reads = 0, tick_at = -1;
int fake_clock(struct timeval *tv) {
    if (++clock_reads == tick_at || clock_reads % 1000000 == 0) fake_now.tv_usec++;
    *tv = fake_now;
    return 0;
}
uint64_t fake_stamp() { return 1700000000ULL * 10000000 + 10 * uint64_t(fake_now.tv_usec) + 0x01B21DD213814000ULL; }

// Creation with no interfaces and 12 hex digits in the address file, so that
// it does not depend on the machine's network.
struct Generator {
    zeltest::TempDir dir;
    std::string path = dir.file("ieee_802_addr");
    explicit Generator(int (*clock)(struct timeval *) = nullptr, const std::string &file = "0123456789ab\n") {
        if (!file.empty()) zeltest::write_file(path, file);
        fake_interfaces.clear();
        zel::uuid_set_hooks({clock, path.c_str(), fake_ioctl, nullptr});
    }
};

vr_uuid_t created(unsigned expected = 0) {
    vr_uuid_t u = uuid_g_nil_uuid;
    unsigned st = 1;
    vr_uuid_create(&u, &st);
    EXPECT_EQ(expected, st);
    return u;
}

TEST(Uuid, FourThreadsCreateDistinctVersionOneIdentifiers) {
    Generator generator;
    constexpr int kEach = 100000;
    std::vector<std::string> all(4 * kEach);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&all, t] {
            for (int i = 0; i < kEach; ++i) {
                vr_uuid_t u = created();
                bool right = u.time_hi_and_version >> 12 == 1 && u.clock_seq_hi_and_reserved >> 6 == 2 &&
                             memcmp(u.node, kFileAddress.data(), 6) == 0;
                all[t * kEach + i] = right ? bytes_of(u) : "";
            }
        });
    }
    for (auto &thread : threads) thread.join();
    EXPECT_EQ(all.end(), std::find(all.begin(), all.end(), ""));
    EXPECT_EQ(all.size(), std::set<std::string>(all.begin(), all.end()).size());
}

TEST(Uuid, StampsRunAheadOfAStalledClockThenWaitAndAClockGoingBackChangesTheSequence) {
    Generator stalled(fake_clock);
    // 15 identifiers in each of 5 microseconds of 10 stamp units: consecutive stamps.
    uint64_t first = stamp_of(created());
    for (int i = 1; i < 75; ++i, fake_now.tv_usec += i % 15 == 0) EXPECT_EQ(first + i, stamp_of(created()));
    fake_now.tv_usec += 100;  // once the clock passes the last stamp, the stamp is the clock
    const uint64_t start = fake_stamp();
    for (uint64_t i = 0; i < 0x8000; ++i)
        if (stamp_of(created()) != start + i) FAIL() << "identifier " << i;
    tick_at = clock_reads + 3;  // 0x8000 fit in one clock value; the next waits for it
    long before = clock_reads;
    EXPECT_EQ(start + 0x8000, stamp_of(created()));
    EXPECT_EQ(3, clock_reads - before);
    // A clock going back changes the sequence, never to 0, and repeats nothing.
    for (auto [from, to] : {std::pair(5, 6), {0x3FFF, 1}, {0x7FFF, 1}, {0xC123, 0x124}}) {
        Generator generator(fake_clock);
        zel::uuid_set_clock_seq(static_cast<unsigned short>(from));
        std::vector<std::string> all;
        for (int i = 0; i < 20; ++i) all.push_back(bytes_of(created()));
        fake_now.tv_usec -= 1;  // below the 20 stamps just issued
        vr_uuid_t back = created();
        EXPECT_EQ(to, (back.clock_seq_hi_and_reserved & 0x3F) << 8 | back.clock_seq_low) << from;
        EXPECT_EQ(fake_stamp(), stamp_of(back));
        for (int i = 0; i < 20; ++i) all.push_back(bytes_of(created()));
        all.push_back(bytes_of(back));
        EXPECT_EQ(all.size(), std::set<std::string>(all.begin(), all.end()).size());
        fake_now.tv_usec += 1000;
    }
}

TEST(Uuid, TextFormsReadBackAndRefuseWithoutStoring) {
    fake_now = {1700000000, 500000};  // the text below was worked out for this time
    Generator generator(fake_clock);
    zel::uuid_set_clock_seq(0x123);
    unsigned st = 1;
    vr_uuid_t made = created(), read;
    char *text = nullptr;
    vr_uuid_to_string(&made, &text, &st);
    EXPECT_STREQ("04fc0b40-833b-11ee-8123-0123456789ab", text);
    vr_uuid_from_string(text, &read, &st);
    EXPECT_TRUE(vr_uuid_equal(&made, &read, &st) && st == 0);
    vr_uuid_string_free(&text, &st);
    EXPECT_EQ(nullptr, text);
    vr_uuid_from_string("01234567cdEF.c0.01.02.03.04.05.06.07", &read, &st);
    EXPECT_EQ(std::string("\x67\x45\x23\x01\xEF\xCD\0\0\xC0\1\2\3\4\5\6\7", 16), bytes_of(read));
    // Nothing is stored on a refusal; null, empty and zero texts give the nil identifier.
    int i = 0;
    for (const char *bad : std::initializer_list<const char *>{
             nullptr, "", "00000000-0000-0000-0000-000000000000", "00000000-0000-0000-0000-00000000000",
             "00000000-0000-00g0-0000-000000000000", "0123abcd89.c0.01.02.03.04.05.06.07",
             "000000000000.00.00.00.00.00.00.0g.00", "00000000-0000-0000-e000-000000000000",
             "000000000000.e0.00.00.00.00.00.00.00"}) {
        unsigned status = ++i <= 3 ? 0 : i <= 7 ? ZEL_S_UUID_BAD_TEXT : ZEL_S_UUID_BAD_VARIANT;
        memset(&read, 'Z', 16);
        vr_uuid_from_string(bad, &read, &st);
        EXPECT_EQ(status, st) << i;
        EXPECT_EQ(std::string(16, status ? 'Z' : '\0'), bytes_of(read)) << i;
    }
    read.clock_seq_hi_and_reserved = 0xE0;
    vr_uuid_to_string(&read, &text, &st);
    EXPECT_TRUE(st == ZEL_S_UUID_BAD_VARIANT && text == nullptr);
}

TEST(Uuid, ComparisonHashAndVariantChecks) {
    unsigned st = 1;
    vr_uuid_t nil = uuid_g_nil_uuid, first = nil, last = nil, bad = nil, low = nil, high = nil;
    reinterpret_cast<unsigned char *>(&first)[0] = 1;
    reinterpret_cast<unsigned char *>(&last)[15] = 1;
    bad.clock_seq_hi_and_reserved = 0xE0;
    // Fletcher sums by hand: a 1 in byte 0 gives c0 1, c1 16; in byte 15, c0 1, c1 1.
    for (auto [u, hash] : {std::pair(&nil, 0), {&first, 15 * 256 + 255 - 16}, {&last, 255 - 1}, {&bad, 0}})
        EXPECT_EQ(hash, vr_uuid_hash(u, &st));
    EXPECT_EQ(ZEL_S_UUID_BAD_VARIANT, st);
    low.time_low = 0x100;  // time_low decides before the node, whatever the byte order in memory
    low.node[5] = 9;
    high.time_low = 0x101;
    // Each row: two of null, nil, last, low, high, bad, and the result.
    vr_uuid_t *const ids[] = {nullptr, &nil, &last, &low, &high, &bad};
    const int compares[][3] = {{0, 0, 0}, {0, 1, 0}, {0, 2, -1}, {1, 0, 0},  {2, 0, 1}, {3, 4, -1},
                               {4, 3, 1}, {2, 2, 0}, {1, 2, -1}, {5, 1, -1}, {1, 5, -1}};
    for (auto [a, b, result] : compares) {
        EXPECT_EQ(result, vr_uuid_compare(ids[a], ids[b], &st)) << a << b;
        EXPECT_EQ(a == 5 || b == 5 ? ZEL_S_UUID_BAD_VARIANT : 0, st) << a << b;
    }
    EXPECT_TRUE(vr_uuid_is_nil(&nil, &st) && !vr_uuid_is_nil(&first, &st));
    EXPECT_FALSE(vr_uuid_is_nil(&bad, &st) || st != ZEL_S_UUID_BAD_VARIANT);
    EXPECT_FALSE(vr_uuid_equal(&bad, &bad, &st) || st != ZEL_S_UUID_BAD_VARIANT);
}

TEST(Uuid, AddressComesFromTheFirstPlainInterfaceElseTheFile) {
    const std::string zero(6, '\0'), a("\x0a\x0b\x0c\x0d\x0e\x0f", 6), b("\x02\x00\x00\x00\x00\x01", 6);
    const FakeInterface lo{"lo", IFF_LOOPBACK | IFF_UP, zero}, ppp{"ppp0", IFF_POINTOPOINT, a}, eth0{"eth0", IFF_UP, b},
        eth1{"eth1", IFF_UP, a}, no_hw{"eth2", IFF_UP, ""}, zero_hw{"eth3", IFF_UP, zero};
    // The interfaces, the file ("" for none), the status and the address found.
    const std::string hex = "0123456789ab", &file_hw = kFileAddress;
    const unsigned none = ZEL_S_NO_NETWORK_ADDRESS, bad = ZEL_S_BAD_ADDRESS_FILE;
    const std::tuple<std::vector<FakeInterface>, std::string, unsigned, std::string> cases[] = {
        {{lo, eth0, eth1}, "", 0, b}, {{ppp, lo, eth1}, "", 0, a},     {{lo}, "0123456789ABcd", 0, file_hw},
        {{ppp}, hex, 0, file_hw},     {{ppp, no_hw}, hex, 0, file_hw}, {{lo, zero_hw, eth0}, hex, 0, file_hw},
        {{}, "", none, ""},           {{}, "0123456789a", none, ""},   {{}, "0123456789ag", bad, ""},
        {{}, " 123456789ab", bad, ""}};
    for (const auto &[interfaces, file, status, address] : cases) {
        Generator generator(nullptr, file);
        fake_interfaces = interfaces;
        unsigned char found[6] = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
        unsigned st = 1;
        vr_get_802_addr(found, &st);
        EXPECT_EQ(status, st) << file;
        EXPECT_EQ(status ? std::string(6, '\xEE') : address, std::string((char *)found, 6)) << file;
    }
    // Creation fails without an address and writes nothing, then finds one later.
    Generator generator(nullptr, "");
    EXPECT_EQ(std::string(16, '\0'), bytes_of(created(ZEL_S_UUID_NO_ADDRESS)));
    zeltest::write_file(generator.path, "0123456789ab");
    EXPECT_EQ(kFileAddress, std::string((char *)created().node, 6));
}

// The failures that end the process, each in a child whose output is kept.
std::string child_output;
int ending = 0;
void end_the_process() {
    int fd = open(child_output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(fd, 1);
    dup2(fd, 2);
    fake_interfaces = {{"eth0", IFF_UP, std::string(6, '\1')}};
    failing_request = ending == 1 ? SIOCGIFCONF : ending == 2 ? SIOCGIFFLAGS : 0;
    auto no_clock = +[](struct timeval *) { return errno = EINVAL, -1; };
    auto no_socket = +[](int, int, int) { return errno = EMFILE, -1; };
    zel::uuid_set_hooks({ending == 3 ? no_clock : nullptr, "/nonexistent", fake_ioctl, ending ? nullptr : no_socket});
    created();
}

TEST(Uuid, BrokenSystemsEndTheProcessWithTheirMessage) {
    zeltest::TempDir dir;
    child_output = dir.file("output");
    const std::string said[] = {"Cant open socket\n", "ioctl(SIOCGIFCONF) failed\n", "Error ioctl(SIOCGIFFLAGS)\n",
                                std::string("uuid__get_os_time: ") + strerror(EINVAL) + "\n"};
    for (ending = 0; ending < 4; ++ending) {
        EXPECT_EQ(ending == 3 ? 255 : 1, zeltest::run_in_child(end_the_process)) << ending;
        EXPECT_EQ(said[ending], zeltest::read_file(child_output)) << ending;
    }
}

}  // namespace
