// Damaged catalog files: refused by our reader and never handed to the
// system's catalog reader, which crashes on some of them.
#include <dlfcn.h>
#include <nl_types.h>

#include "support/test_support.h"

namespace {

std::atomic<int> g_system_opens{0};

}  // namespace

// Counts the library's calls of the system's reader and passes them on.
extern "C" __attribute__((visibility("default"))) nl_catd catopen(const char *name, int flag) {
    using Open = nl_catd (*)(const char *, int);
    static Open real = reinterpret_cast<Open>(dlsym(RTLD_NEXT, "catopen"));
    ++g_system_opens;
    return real(name, flag);
}

namespace {

using namespace zeltest;

// Component 0x3000 + n of technology "vr", and its message 151.
unsigned32 code_of(int n) { return 0x30000097u | (static_cast<unsigned32>(0x3000 + n) << 12); }
std::string file_of(const TempDir &dir, int n) {
    char name[4];
    zel_msg__inq_comp(code_of(n), name);
    return dir.file(std::string("vr") + name + ".cat");
}

// Cuts at every few bytes, and every byte of the header and the tables
// flipped in two ways, of a valid catalog of a few messages in two sets.
std::vector<std::string> damaged_variants(const std::string &good) {
    std::vector<std::string> variants;
    for (size_t cut = 0; cut < good.size(); cut += 5) variants.push_back(good.substr(0, cut));
    for (size_t at = 0; at < good.size() && at < 400; ++at) {
        for (unsigned char mask : {0x80, 0xFF}) {
            std::string bad = good;
            bad[at] = static_cast<char>(bad[at] ^ mask);
            variants.push_back(bad);
        }
    }
    std::string unterminated = good;
    unterminated.back() = 'x';
    variants.push_back(unterminated);
    return variants;
}

TEST(DamagedCatalogs, NeverCrashAndNeverReachTheSystemReader) {
    TempDir dir;
    compile_catalog(dir.file("good.cat"),
                    "$set 1\n$quote \"\n1 \"one\"\n2 \"two %s\"\n151 \"the message\"\n"
                    "$set 2\n7 \"seven\"\n");
    std::vector<std::string> variants = damaged_variants(read_file(dir.file("good.cat")));
    for (size_t i = 0; i < variants.size(); ++i) write_file(file_of(dir, static_cast<int>(i)), variants[i]);
    int count = static_cast<int>(variants.size());
    // In a child, so that a crash shows as a failure rather than ending the test.
    expect_clean_exits(fork_children(1, [&](int) {
        setenv("NLSPATH", (dir.path() + "/%N").c_str(), 1);
        unsetenv("ZEL_CATALOG_DIR");
        for (int i = 0; i < count; ++i) {
            unsigned32 st;
            std::free(zel_msg_get_msg(code_of(i), &st));
            std::free(zel_msg_get_locale_cat_msg(code_of(i), nullptr, "UTF8", 4, &st));
            zel_msg_cat_open(code_of(i), &st);
            if (st != 0 && st != ZEL_S_CAT_NOT_OPENED) {  // damaged, not "not found"
                std::fprintf(stderr, "variant %d: status %8.8x\n", i, st);
                _exit(3);
            }
        }
        if (g_system_opens != 0) _exit(4);  // a catalog was handed to the system's reader
        // A catalog that is not there at all is still asked of the system.
        unsigned32 st;
        zel_msg_cat_open(code_of(count), &st);
        _exit(g_system_opens > 0 && st == ZEL_S_CAT_NOT_FOUND ? 0 : 5);
    }));
}

// A FIFO or a folder at a catalog's path is refused without waiting on it.
TEST(DamagedCatalogs, SpecialFilesAreRefused) {
    TempDir dir;
    ASSERT_EQ(0, mkfifo(file_of(dir, 0).c_str(), 0600));
    ASSERT_EQ(0, mkdir(file_of(dir, 1).c_str(), 0700));
    setenv("NLSPATH", (dir.path() + "/%N").c_str(), 1);
    // In a child with an alarm, so that an open that waits fails the test.
    expect_clean_exits(fork_children(1, [](int) {
        alarm(10);
        for (int n : {0, 1}) {
            unsigned32 st;
            if (zel_msg_cat_open(code_of(n), &st) || st != ZEL_S_CAT_NOT_OPENED) _exit(3);
        }
        _exit(g_system_opens == 0 ? 0 : 4);
    }));
}

}  // namespace
