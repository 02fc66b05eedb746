// Stanza files shared between processes and under attack or fault: writers
// that exclude each other, readers that share, things planted at the edit's
// temporary name, and a full disk or no descriptor left during an edit.
#include <sys/resource.h>
#include <sys/wait.h>

#include <csignal>

#include "stanza_test_util.h"

namespace {

using namespace zeltest;

// Runs body in a child: its process id and exit status.
std::pair<pid_t, int> in_child(const std::function<int()> &body) {
    pid_t pid = fork_children(1, [&](int) { _exit(body()); }).at(0);
    int status = 0;
    waitpid(pid, &status, 0);
    return {pid, WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status)};
}

TEST(StanzaReliability, TwoProcessesAddingUnderTheLockLoseNoEdit) {
    TempDir dir;
    const std::string path = dir.file("f");
    write_file(path, "[s]\n");
    expect_clean_exits(fork_children(2, [&](int child) {
        for (int i = 0; i < 500; ++i) {
            Stz s = open_stz(path, ZEL_STZ_READ_WRITE);
            if (s) zelStzAddEntry(s.get(), (std::to_string(child) + "." + std::to_string(i)).c_str(), "v");
            if (!s || s->error) _exit(1);
        }
    }));
    std::set<std::string> seen;
    Stz s = open_stz(path, ZEL_STZ_READ_ONLY | ZEL_STZ_IN_MEMORY);
    for (; s && s->name; zelStzMoveNextEntry(s.get())) seen.insert(s->name);
    EXPECT_EQ(1000u, seen.size());
}

// A writer shuts out openers that will not wait; three processes hold the
// shared lock at once and shut out a writer.
TEST(StanzaReliability, NoWaitOpensMeetTheWriterAndSharedReadersHoldTogether) {
    TempDir dir;
    const std::string path = dir.file("f");
    write_file(path, "[s]\nk = v\n");
    const unsigned shared = ZEL_STZ_READ_ONLY | ZEL_STZ_NO_WAIT, writer = ZEL_STZ_READ_WRITE | ZEL_STZ_NO_WAIT;
    const auto refused = [&](unsigned flags) { return open_status(path, flags) == 169; };
    Stz held = open_stz(path, writer);
    EXPECT_EQ(
        0, in_child([&] { return !refused(shared) + !refused(shared | ZEL_STZ_IN_MEMORY) + !refused(writer); }).second);
    held.reset();  // first, as closing any descriptor of the file drops all of this process's locks on it
    held = open_stz(path, shared);
    EXPECT_EQ(0, in_child([&] {
                     Stz second = open_stz(path, shared);
                     return in_child([&] { return !second + !open_stz(path, shared) + !refused(writer); }).second;
                 }).second);
}

// Stanza a, then a comment of more than 511 bytes that an edit of a copies twice.
const std::string kStanzas = "[a]\nx = 1\n[b]\n" + std::string(600, '#') + "\nz = 3\n";

std::string temporary_name(pid_t pid) { return "/tmp/stzlink" + std::to_string(pid); }

// Contents, inode, mode and owner.
std::string identity(const std::string &path) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return "missing";
    return read_file(path) + std::to_string(st.st_ino) + "/" + std::to_string(st.st_mode) + "/" +
           std::to_string(st.st_uid);
}

// What is planted at the temporary name (by root, so that the kernel's guard
// for links in /tmp stays out of it) is never written through: the edit is
// made safely or refused with the file as it was. The file may not grow as
// far as an edit needs, or no descriptor is left for the temporary file: the
// edit is refused and leaves nothing behind.
TEST(StanzaReliability, EditsUnderAttackOrFaultNeverDamageAFile) {
    TempDir dir;
    const std::string path = dir.file("f"), victim = dir.file("victim");
    write_file(victim, "secret\n");
    ASSERT_EQ(0, chmod(victim.c_str(), 0640));
    const std::string before = identity(victim);
    const auto limit = [](int resource, rlim_t value) {
        struct rlimit now;
        return getrlimit(resource, &now) == 0 && (now.rlim_cur = value, setrlimit(resource, &now) == 0);
    };
    const std::tuple<const char *, bool, std::function<bool(const std::string &)>> rows[] = {
        {"link", false, [&](auto tmp) { return symlink(victim.c_str(), tmp.c_str()) == 0; }},
        {"dangling link", false, [&](auto tmp) { return symlink(dir.file("new").c_str(), tmp.c_str()) == 0; }},
        {"FIFO", false, [&](auto tmp) { return mkfifo(tmp.c_str(), 0666) == 0; }},
        {"folder", false, [&](auto tmp) { return mkdir(tmp.c_str(), 0777) == 0; }},
        {"file size limit", true, [&](auto) { return limit(RLIMIT_FSIZE, kStanzas.size() + 10); }},
        {"no descriptor", true, [&](auto) { return limit(RLIMIT_NOFILE, rlim_t(dup(0))); }},  // the lowest free
    };
    const std::string value(100, 'v'), edited = "[a]\nx = 1\nn = " + value + "\n" + kStanzas.substr(10);
    for (const auto &[what, must_fail, prepare] : rows) {
        write_file(path, kStanzas);
        auto [pid, result] = in_child([&] {  // adds n to stanza a once prepare has done its work
            alarm(20);                       // an edit that blocks on a planted FIFO must not hang the test
            Stz s = open_stz(path, ZEL_STZ_READ_WRITE);
            if (!s || !prepare(temporary_name(getpid()))) return 255;
            signal(SIGXFSZ, SIG_IGN);
            zelStzAddEntry(s.get(), "n", value.c_str());
            return int(s->error & 0xFFF);
        });
        bool left = remove(temporary_name(pid).c_str()) == 0;
        EXPECT_TRUE((result == 0 && !must_fail && !left && read_file(path) == edited) ||
                    (result == 173 && read_file(path) == kStanzas && !(must_fail && left)))
            << what << ": status " << result << ", left behind " << left << "\n"
            << read_file(path);
        EXPECT_EQ(before, identity(victim)) << what;
        EXPECT_EQ("missing", identity(dir.file("new"))) << what;
    }
}

}  // namespace
