// Helpers shared by the test programs, and the headers most of them use.
#ifndef ZEL_TESTS_SUPPORT_TEST_SUPPORT_H
#define ZEL_TESTS_SUPPORT_TEST_SUPPORT_H

#include <gtest/gtest.h>
#include <zel/zel.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace zeltest {

// A fresh temporary directory, removed with its contents.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    const std::string &path() const { return path_; }
    std::string file(const std::string &name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Whole contents of a file ("" when it cannot be read).
std::string read_file(const std::string &path);
void write_file(const std::string &path, const std::string &contents);

// The text of a malloc'ed result, which is freed; "(null)" for none.
std::string taken(char *text);

// The lines of a file, without their newlines.
std::vector<std::string> lines_of(const std::string &path);

// gencat `source` into `path` (folder created), read in `locale`'s code set.
void compile_catalog(const std::string &path, const std::string &source, const std::string &locale = "C");

// Exit status of `body` run in a child (128 + signal if killed).
int run_in_child(void (*body)());

// Drops the process's root privileges for those of user nobody; false when
// that cannot be done. For tests of permissions, which root passes by.
bool become_nobody();

// Forks `count` children that start together and run body(index), exiting 0.
std::vector<pid_t> fork_children(int count, const std::function<void(int)> &body);

// Waits for the children, each of which must exit with 0.
void expect_clean_exits(const std::vector<pid_t> &children);

}  // namespace zeltest

#endif
