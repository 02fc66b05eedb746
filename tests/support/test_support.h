// Helpers shared by the test programs.
#ifndef ZEL_TESTS_SUPPORT_TEST_SUPPORT_H
#define ZEL_TESTS_SUPPORT_TEST_SUPPORT_H

#include <string>

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

}  // namespace zeltest

#endif
