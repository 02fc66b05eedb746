// Log files under attack and under faults: links planted at their names, a
// read-only folder, a file size limit, deleted files, folders that appear
// later, unreadable route variables, and the order of archives.
#include <sys/resource.h>
#include <sys/wait.h>

#include <csignal>
#include <regex>
#include <sstream>

#include "svc_test_util.h"

namespace {

using namespace zeltest;

void say(int i) { routine_error(ZEL_SVC_SEV_ERROR, "rec", i); }

// Sets routes in a child, which ends at once when they do not parse.
void routes_in_child(const std::string &routes) {
    unsigned32 st = 1;
    zel_svc_routing(routes.c_str(), &st);
    if (st != 0) _exit(7);
}

void say_range(int from, int to) {
    for (int i = from; i < to; ++i) say(i);
}

// The numbers of the whole records in a text, in order.
std::vector<int> numbers_in(const std::string &text) {
    static const std::regex record("The rec system routine failed: system error code: (\\d+)\n");
    std::vector<int> out;
    for (std::sregex_iterator it(text.begin(), text.end(), record), end; it != end; ++it)
        out.push_back(std::stoi((*it)[1]));
    return out;
}

std::vector<int> numbers_of(const std::string &path) { return numbers_in(read_file(path)); }

bool is_link(const std::string &path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

// Sorted, the numbers in `all` and in the log and its archives (links skipped), at most per_file a file.
std::vector<int> sorted_numbers(const std::string &log, std::vector<int> all, size_t per_file = 99) {
    for (int n = 0; n < 99; ++n) {
        std::string file = n ? log + "." + std::to_string(n) : log;
        if (is_link(file)) continue;
        std::vector<int> in_file = numbers_of(file);
        EXPECT_LE(in_file.size(), per_file) << file;
        all.insert(all.end(), in_file.begin(), in_file.end());
    }
    std::sort(all.begin(), all.end());
    return all;
}

std::vector<int> range(int from, int to) {
    std::vector<int> out;
    for (int i = from; i < to; ++i) out.push_back(i);
    return out;
}

// The lines of standard error that report a fault rather than carry a record.
std::vector<std::string> reports_in(const std::string &err) {
    std::vector<std::string> out;
    std::istringstream in(err);
    for (std::string line; std::getline(in, line);)
        if (line.rfind("svctest: ", 0) == 0) out.push_back(line);
    return out;
}

// A folder that root and nobody can both write: dir/w, with dir itself root's.
class Shared : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(0, chmod(dir_.path().c_str(), 0755));
        ASSERT_EQ(0, mkdir(w_.c_str(), 0777));
        ASSERT_EQ(0, chmod(w_.c_str(), 0777));
    }
    std::string child(bool as_nobody, const std::function<void()> &body) {
        return stderr_of_child([&] { start_svctest(), body(); }, as_nobody, &last_child_);
    }
    // A file of root's, mode 0600, that links will point at.
    std::string secret() {
        std::string target = dir_.file("target");
        write_file(target, "secret\n");
        EXPECT_EQ(0, chmod(target.c_str(), 0600));
        return target;
    }
    void expect_untouched(const std::string &target) {
        struct stat st = {};
        EXPECT_EQ(0, stat(target.c_str(), &st));
        EXPECT_EQ("secret\n", read_file(target));
        EXPECT_TRUE(st.st_mode == 0100600 && st.st_uid == 0 && st.st_gid == 0)
            << std::oct << st.st_mode << " " << st.st_uid;
    }

    TempDir dir_;
    std::string w_ = dir_.file("w");
    pid_t last_child_ = 0;
};

// Planted after set-up: records fall back, the target is untouched, one line names the path.
TEST_F(Shared, LinkAtTheNameIsRefusedForEveryFileForm) {
    for (bool as_nobody : {false, true}) {
        for (const char *kind : {"FILE", "FILE.0.5", "FILE.2.5", "XMLFILE.3.1"}) {
            std::string target = secret(), log = w_ + "/x.log";
            unlink(log.c_str());
            std::string err = child(as_nobody, [&] {
                routes_in_child(std::string("ERROR:") + kind + ":" + log + ":0666:nobody:nogroup");
                if (symlink(target.c_str(), log.c_str()) != 0) _exit(6);
                say_range(0, 3);
            });
            SCOPED_TRACE(std::string(kind) + (as_nobody ? " as nobody" : " as root"));
            expect_untouched(target);
            EXPECT_TRUE(is_link(log));
            EXPECT_FALSE(is_link(log + ".1"));
            EXPECT_EQ(range(0, 3), numbers_in(err));
            EXPECT_EQ(std::vector<std::string>{"svctest: log file " + log +
                                               ": is a symbolic link; records go to standard error"},
                      reports_in(err));
        }
    }
}

// Re-planted while the log rotates: never written through, every record lands once.
TEST_F(Shared, LinkReplantedWhileRotatingLosesNothing) {
    for (bool as_nobody : {false, true}) {
        std::string target = secret(), log = w_ + "/r" + (as_nobody ? "n" : "r") + ".log";
        std::string err = child(as_nobody, [&] {
            routes_in_child("ERROR:FILE.99.6:" + log + ":0666");  // room for every record
            std::atomic<bool> stop{false};
            std::thread planter([&] {
                while (!stop) {  // spins for the moment a rotation frees the name
                    if (symlink(target.c_str(), log.c_str()) != 0) continue;
                    usleep(200);
                    if (is_link(log)) unlink(log.c_str());
                }
            });
            for (int i = 0; i < 560; ++i) {
                say(i);
                if (i % 7 == 0) usleep(300);
            }
            stop = true;
            planter.join();
        });
        SCOPED_TRACE(as_nobody ? "as nobody" : "as root");
        expect_untouched(target);
        EXPECT_EQ(range(0, 560), sorted_numbers(log, numbers_in(err), 6));
    }
}

// As nobody (root writes it anyway): rotation stops while read-only, no record is lost.
TEST_F(Shared, ReadOnlyFolderKeepsEveryRecord) {
    std::string ro = w_ + "/ro", log = ro + "/x.log";
    std::string err = child(true, [&] {
        if (mkdir(ro.c_str(), 0755) != 0) _exit(6);
        routes_in_child("ERROR:FILE.9.10:" + log);
        say_range(0, 15);
        chmod(ro.c_str(), 0555);
        say_range(15, 45);
        chmod(ro.c_str(), 0755);
        say_range(45, 50);
    });
    EXPECT_EQ(range(0, 50), sorted_numbers(log, {}));
    EXPECT_EQ(range(0, 10), numbers_of(log + ".1"));
    EXPECT_EQ(std::vector<std::string>{"svctest: log file " + log +
                                       ": cannot be archived: Permission denied; records go to this file, "
                                       "which is not rotated"},
              reports_in(err));
}

// Told once, missed records on standard error, then a line break and the count of the lost.
TEST_F(Shared, WriteFailuresAreToldCountedAndEndTheirLine) {
    std::string log = w_ + "/big.log";
    std::string err = child(false, [&] {
        std::signal(SIGXFSZ, SIG_IGN);
        routes_in_child("ERROR:FILE:" + log);
        say(0);
        struct stat st;
        stat(log.c_str(), &st);
        struct rlimit old_limit, small;
        getrlimit(RLIMIT_FSIZE, &old_limit);
        small = old_limit;
        small.rlim_cur = static_cast<rlim_t>(st.st_size * 11 / 2);  // cuts the sixth record
        setrlimit(RLIMIT_FSIZE, &small);
        say_range(1, 30);
        setrlimit(RLIMIT_FSIZE, &old_limit);
        say(30);
    });
    std::vector<std::string> lines = lines_of(log);
    ASSERT_GE(lines.size(), 4u);
    int kept = static_cast<int>(numbers_of(log).size()) - 1;  // record 30 is the last
    ASSERT_GT(kept, 0);
    EXPECT_EQ(std::to_string(30 - kept) + " records could not be written to this file: File too large",
              lines[lines.size() - 2].substr(lines[lines.size() - 2].find(' ') + 1));
    EXPECT_EQ(std::vector<int>{30}, numbers_in(lines.back() + "\n"));
    EXPECT_EQ(5, kept);
    EXPECT_TRUE(numbers_in(lines[lines.size() - 3] + "\n").empty()) << "the cut record keeps its own line";
    EXPECT_EQ(range(kept, 30), numbers_in(err));
    EXPECT_EQ(std::vector<std::string>{"svctest: log file " + log + ": File too large; records go to standard error"},
              reports_in(err));
}

// Deleted or moved files are replaced; a new folder is used a second later; bad variables told once.
TEST_F(Shared, NamesThatComeAndGoAndUnreadableVariables) {
    std::string log = w_ + "/d.log", later = w_ + "/later", missing = w_ + "/gone/x.log";
    std::string err = child(false, [&] {
        routes_in_child("ERROR:FILE:" + log);
        say(0);
        unlink(log.c_str());
        usleep(2000);  // the name is looked at again in the next millisecond
        say(1);
        rename(log.c_str(), (log + ".old").c_str());
        usleep(2000);
        say(2);
        routes_in_child("ERROR:FILE:" + later + "/x_%d.log");
        say(3);
        mkdir(later.c_str(), 0755);
        say(4);  // within the second: still standard error
        pid_t forked = fork();
        if (forked) write_file(w_ + "/grandchild", std::to_string(forked));
        usleep(1100 * 1000);
        say(forked ? 5 : 6);
        if (!forked) _exit(0);
        waitpid(forked, nullptr, 0);
        setenv("SVC_NOTICE", "garbage", 1);
        setenv("SVC_WARNING", ("FILE:" + missing).c_str(), 1);
        for (int i = 0; i < 3; ++i) {
            zel_svc_printf_withfile(zelmox_client_svc_handle, "f", 1, "", 0, ZEL_SVC_SEV_NOTICE, ZEL_S_NO_MEMORY);
            zel_svc_printf_withfile(zelmox_client_svc_handle, "f", 1, "", 0, ZEL_SVC_SEV_WARNING, ZEL_S_NO_MEMORY);
        }
    });
    EXPECT_EQ(std::vector<int>{2}, numbers_of(log));
    EXPECT_EQ(std::vector<int>{1}, numbers_of(log + ".old"));
    std::string own = "x_" + std::to_string(last_child_) + ".log";
    EXPECT_EQ(std::vector<int>{5}, numbers_of(later + "/" + own)) << err;
    EXPECT_EQ(std::vector<int>{6}, numbers_of(later + "/x_" + read_file(w_ + "/grandchild") + ".log"));
    EXPECT_EQ((std::vector<int>{3, 4}), numbers_in(err));
    EXPECT_EQ(
        (std::vector<std::string>{
            "svctest: log file " + later + "/" + own + ": No such file or directory; records go to standard error",
            "svctest: SVC_NOTICE: not a valid route list; records go nowhere",
            "svctest: log file " + missing + ": No such file or directory; records go nowhere"}),
        reports_in(err));
}

}  // namespace
