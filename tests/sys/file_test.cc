// Files and paths: path clean-up, the locale directory, line reading across
// the buffer's growth steps, last lines, copies that must not lose data, and
// the mapping of system errors with its message.
#include "support/test_support.h"
#include "sys/system_status.h"

namespace {

using namespace zeltest;

TEST(Paths, TableAndCleanUp) {
    EXPECT_TRUE(zel_get_path(3) == nullptr && std::string("/var/vrmox/log/") == zel_get_path(8));
    const std::tuple<const char *, const char *, int> rows[] = {{"  //opt//x/dir/  ", "/opt/x/dir", 0},
                                                                {"/opt/x/dir", "/opt/x/dir", 3},
                                                                {"/", "", 0},
                                                                {"name", "name", 0},
                                                                {"\t/a b//c d \t", "/a b/c d", 3},
                                                                {" \t ", "", 0}};
    for (auto [in, out, result] : rows) {
        std::string path = in;
        EXPECT_EQ(result, zel_canonicalize_path(path.data())) << in;
        EXPECT_STREQ(out, path.c_str()) << in;
    }
}

// Rows: LC_ALL, LC_MESSAGES, folders that exist, the folder chosen ("" for
// the directory itself). Run in a child that changes its environment.
TEST(Paths, LocaleDirectoryFollowsTheEnvironment) {
    EXPECT_EQ(0, run_in_child([] {
                  const std::tuple<const char *, const char *, std::vector<std::string>, const char *> rows[] = {
                      {"de_DE.iso88591", "fr", {"de_DE.ISO-8859-1", "de", "C"}, "/de_DE.ISO-8859-1"},
                      {"de_DE.iso88591", nullptr, {"de", "C"}, "/de"},
                      {"", "fr_FR", {"fr", "C"}, "/fr"},
                      {"../../etc", nullptr, {"C"}, "/C"},
                      {"de_DE", nullptr, {}, ""}};
                  for (const auto &[all, messages, folders, chosen] : rows) {
                      TempDir dir;
                      for (const std::string &folder : folders) mkdir(dir.file(folder).c_str(), 0755);
                      setenv("LC_ALL", all, 1);
                      messages ? setenv("LC_MESSAGES", messages, 1) : unsetenv("LC_MESSAGES");
                      EXPECT_EQ(dir.path() + chosen, taken(zel_getlocaledir(dir.path().c_str())));
                  }
                  _exit(testing::Test::HasFailure());
              }));
}

// Each line is read into a fresh buffer, which grows by 100 bytes whenever
// less than 100 are left; zero bytes inside a line keep the length right.
// At the end the buffer is freed; a read error is reported.
TEST(Files, ReadlineGrowsInStepsAndEndsWithANullBuffer) {
    TempDir dir;
    std::vector<std::string> lines = {std::string("g\0h\n", 4), std::string("i\0j", 3)};
    for (size_t n : {0, 98, 99, 100, 198, 199, 250}) lines.insert(lines.end() - 2, std::string(n, 'a') + "\n");
    std::string all;
    for (const std::string &line : lines) all += line;
    write_file(dir.file("f"), all);
    FILE *file = std::fopen(dir.file("f").c_str(), "r");
    char *buffer = nullptr;
    int size = 0, length = -1;
    for (const std::string &line : lines) {
        EXPECT_EQ(0u, zel_file_readline(file, &buffer, &size, &length));
        EXPECT_EQ(line, std::string(buffer, static_cast<size_t>(length)));
        EXPECT_EQ(static_cast<int>(line.size() / 100 + 1) * 100, size) << line.size();
        std::free(std::exchange(buffer, nullptr));
    }
    buffer = static_cast<char *>(std::malloc(size = 7));
    EXPECT_EQ(0u, zel_file_readline(file, &buffer, &size, &length));
    EXPECT_TRUE(buffer == nullptr && size == 0 && length == 0);
    std::fclose(file);
    file = std::fopen(dir.path().c_str(), "r");
    EXPECT_NE(0u, zel_file_readline(file, &buffer, &size, &length));
    std::free(buffer);
    std::fclose(file);
}

// Rows: contents, slots, the slots' texts afterwards. In a child with an
// alarm, so that a search that goes round for ever fails the test.
TEST(Files, TailKeepsTheLastLines) {
    EXPECT_EQ(0, run_in_child([] {
                  alarm(10);
                  TempDir dir;
                  const std::tuple<std::string, int, std::vector<std::string>> rows[] = {
                      {"A\nB\nC\nD\n", 3, {"C", "D", ""}},
                      {"A\nB\nC\nD", 3, {"C", "D", ""}},
                      {"\n\n\n\n\n", 3, {"", "", ""}},
                      {"A\nB\n", 5, {"A", "B", "", "", ""}},
                      {std::string(600, 'x') + "\nE\n", 4, {std::string(511, 'x'), std::string(89, 'x'), "E", ""}}};
                  for (const auto &[contents, n, expected] : rows) {
                      write_file(dir.file("t"), contents);
                      std::vector<char *> slots(static_cast<size_t>(n));
                      EXPECT_EQ(0u, zel_file_tail(dir.file("t").c_str(), n, slots.data()));
                      std::vector<std::string> texts(slots.begin(), slots.end());
                      for (char *slot : slots) std::free(slot);
                      EXPECT_EQ(expected, texts) << contents.substr(0, 20);
                  }
                  char *slot = nullptr;
                  EXPECT_EQ(ZEL_S_SYSTEM_INPUT_INVALID, zel_file_tail(dir.file("t").c_str(), 0, &slot));
                  EXPECT_EQ(ZEL_S_SYSTEM_INPUT_INVALID, zel_file_tail(dir.file("t").c_str(), 1, nullptr));
                  EXPECT_EQ(ZEL_S_FILE_OPEN_FAILED, zel_file_tail(dir.file("none").c_str(), 1, &slot));
                  std::free(slot);
                  _exit(testing::Test::HasFailure());
              }));
}

// A copy either succeeds whole or says why; the destination survives a
// source that cannot be opened and a copy onto itself. A full disk is met
// while writing, or for a file shorter than the buffer only at the close.
TEST(Files, CopyReportsEveryFailureAndKeepsTheDestination) {
    TempDir dir;
    const std::string a = dir.file("a"), b = dir.file("b"), keep = dir.file("keep"), full = "/dev/full",
                      alias = dir.file("alias"), big = dir.file("big"), gone = dir.file("gone"), mem = "/proc/self/mem",
                      folder = dir.path();
    const unsigned32 invalid = ZEL_S_SYSTEM_INPUT_INVALID, failed = ZEL_S_SYSTEM_ROUTINE_FAILED,
                     absent = ZEL_S_DATA_NOT_AVAILABLE, no_room = ZEL_S_NO_MEMORY;
    std::string data;
    for (int i = 0; i < 1300; ++i) data += static_cast<char>(i * 7);
    write_file(a, data);
    write_file(keep, "keep");
    write_file(big, std::string(5000, 'z'));
    ASSERT_EQ(0, symlink(a.c_str(), alias.c_str()));
    // From, to, status; a link as destination is refused, /proc/self/mem opens, then fails to read.
    const std::tuple<std::string, std::string, unsigned32> rows[] = {
        {a, b, 0},          {gone, keep, absent}, {a, a, invalid},        {a, alias, failed},
        {a, full, no_room}, {big, full, no_room}, {folder, keep, failed}, {mem, gone, failed}};
    for (const auto &[from, to, status] : rows)
        EXPECT_EQ(status, zel_file_copy(from.c_str(), to.c_str())) << from << " " << to;
    EXPECT_TRUE(read_file(a) == data && read_file(b) == data && read_file(keep) == "keep");
}

// The small wrappers: statuses of the system errors, nothing changed by an
// unknown owner, and no descriptor left open by a temporary file.
TEST(Files, WrappersReportTheirSystemErrors) {
    TempDir dir;
    const std::string f = dir.file("f"), missing = dir.file("no/x");
    write_file(f, "x");
    int error = 0;
    EXPECT_EQ(0u, zel_create_directory(dir.path().c_str(), &error));
    EXPECT_EQ(ZEL_S_DATA_NOT_AVAILABLE, zel_create_directory(missing.c_str(), &error));
    EXPECT_EQ(ENOENT, error);
    zel_file_props_t props = {S_IFREG | 0640, getuid(), getgid()}, after = {};
    EXPECT_EQ(0u, zel_set_file_properties(f.c_str(), &props));
    ASSERT_EQ(0, symlink(f.c_str(), dir.file("link").c_str()));
    EXPECT_EQ(ZEL_S_SYSTEM_ROUTINE_FAILED, zel_set_file_properties(dir.file("link").c_str(), &props));
    EXPECT_EQ(ZEL_S_SYSTEM_ROUTINE_FAILED, zel_file_chown(f.c_str(), "no-such-user-zel", "daemon"));
    EXPECT_TRUE(zel_get_file_properties(f.c_str(), &after) == 0 && std::memcmp(&props, &after, sizeof after) == 0);
    EXPECT_EQ(ZEL_S_SYSTEM_ROUTINE_FAILED, zel_get_file_properties(missing.c_str(), &after));
    std::string name = dir.file("tmpXXXXXX");
    int next_fd = dup(0);
    close(next_fd);
    EXPECT_EQ(name.data(), zel_mktemp(name.data()));
    EXPECT_TRUE(dup(0) == next_fd && zel_file_exists(name.c_str()) && name.find("XXXXXX") == std::string::npos);
    ASSERT_EQ(0, mkfifo(dir.file("pipe").c_str(), 0600));
    EXPECT_TRUE(zel_file_exists(dir.file("pipe").c_str()) == 1 && zel_file_exists(missing.c_str()) == 0);  // no wait
    EXPECT_EQ(0u, zel_file_symlink(f.c_str(), dir.file("l").c_str()) |
                      zel_file_rename(dir.file("l").c_str(), dir.file("m").c_str()) |
                      zel_file_remove(dir.file("m").c_str()));
    for (unsigned32 status : {zel_file_symlink(f.c_str(), missing.c_str()), zel_file_rename(missing.c_str(), f.c_str()),
                              zel_file_remove(missing.c_str())})
        EXPECT_EQ(ZEL_S_DATA_NOT_AVAILABLE, status);
}

// Mapped numbers write nothing; any other number is written with its value.
TEST(Files, SystemStatusMapsErrorsAndWritesTheRest) {
    TempDir dir;
    unsigned32 st;
    zelmsg_init("filetest", 0);
    zel_svc_routing(("ERROR:FILE:" + dir.file("e.log")).c_str(), &st);
    ASSERT_EQ(0u, st);
    for (auto [error, status] : {std::pair(ENOENT, ZEL_S_DATA_NOT_AVAILABLE),
                                 {ENOMEM, ZEL_S_NO_MEMORY},
                                 {ENOSPC, ZEL_S_NO_MEMORY},
                                 {EACCES, ZEL_S_ACCESS_DENIED},
                                 {ENOTDIR, ZEL_S_SYSTEM_INPUT_INVALID},
                                 {EINVAL, ZEL_S_SYSTEM_INPUT_INVALID},
                                 {0, 0u}})
        EXPECT_EQ(status, zel_sys_status(error)) << error;
    EXPECT_EQ("", read_file(dir.file("e.log")));
    EXPECT_EQ(ZEL_S_SYSTEM_ROUTINE_FAILED, zel_sys_status(EBADF));
    std::string log = read_file(dir.file("e.log"));
    EXPECT_NE(std::string::npos, log.find(" zel_file 59 ")) << log;
    EXPECT_NE(std::string::npos, log.find("KVXSC0156E   The <unknown> system routine failed: system error code: 9\n"));
}

}  // namespace
