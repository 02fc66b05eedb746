// Helpers shared by the test programs, and the headers most of them use.
#ifndef ZEL_TESTS_SUPPORT_TEST_SUPPORT_H
#define ZEL_TESTS_SUPPORT_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <sys/types.h>

namespace zeltest {

// A fresh directory under the system's temporary directory, removed with its
// contents when the object goes.
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

// The project's source directory, for test data.
std::string source_dir();

// Compiles a message catalog from gencat source text into `path` (its folder
// is created), reading the source in the code set of `locale`. Fails the
// calling test when gencat does.
void compile_catalog(const std::string &path, const std::string &source,
                     const std::string &locale = "C");

// Runs `body` in a child process and returns its exit status (or 128 + the
// signal that ended it).
int run_in_child(void (*body)());

// Forks `count` children that start together once all exist; each runs
// body(its index) and exits with 0 when the body returns.
std::vector<pid_t> fork_children(int count, const std::function<void(int)> &body);

// Waits for the children, each of which must exit with 0.
void expect_clean_exits(const std::vector<pid_t> &children);

}  // namespace zeltest

#endif
