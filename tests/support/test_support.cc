// Helpers shared by the test programs.
#include "support/test_support.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

#include <ftw.h>
#include <grp.h>
#include <pwd.h>
#include <sys/wait.h>

namespace zeltest {

TempDir::TempDir() {
    const char *base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/zeltest.XXXXXX";
    if (!mkdtemp(&pattern[0])) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    nftw(
        path_.c_str(), [](const char *p, const struct stat *, int, struct FTW *) { return ::remove(p); }, 16,
        FTW_DEPTH | FTW_PHYS);
}

std::string read_file(const std::string &path) {
    std::ostringstream out;
    out << std::ifstream(path, std::ios::binary).rdbuf();
    return out.str();
}

void write_file(const std::string &path, const std::string &contents) {
    std::ofstream(path, std::ios::binary) << contents;
}

std::string taken(char *text) {
    std::string out = text ? text : "(null)";
    std::free(text);
    return out;
}

std::vector<std::string> lines_of(const std::string &path) {
    std::vector<std::string> out;
    std::istringstream in(read_file(path));
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

void compile_catalog(const std::string &path, const std::string &source, const std::string &locale) {
    std::string command = "mkdir -p '" + path.substr(0, path.rfind('/')) + "'";
    ASSERT_EQ(0, std::system(command.c_str()));
    write_file(path + ".msg", source);
    command = "LC_ALL=" + locale + " gencat '" + path + "' '" + path + ".msg'";
    ASSERT_EQ(0, std::system(command.c_str())) << command;
}

int run_in_child(void (*body)()) {
    // The child ends with _exit, which runs no destructors: the temporary
    // directories it makes go inside this one, which the parent removes.
    TempDir room;
    pid_t pid = fork();
    if (pid == 0) {
        setenv("TMPDIR", room.path().c_str(), 1);
        body();
        _exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

bool become_nobody() {
    struct passwd *nobody = getpwnam("nobody");
    return nobody && setgroups(0, nullptr) == 0 && setgid(nobody->pw_gid) == 0 && setuid(nobody->pw_uid) == 0;
}

std::vector<pid_t> fork_children(int count, const std::function<void(int)> &body) {
    int go[2];
    if (pipe(go) != 0) throw std::runtime_error("pipe failed");
    std::vector<pid_t> children;
    for (int i = 0; i < count; ++i) {
        pid_t pid = fork();
        if (pid == 0) {
            close(go[1]);
            char byte;
            if (read(go[0], &byte, 1) < 0) _exit(2);  // returns when the parent closes
            body(i);
            _exit(0);
        }
        if (pid < 0) {
            ADD_FAILURE() << "fork failed";
            break;
        }
        children.push_back(pid);
    }
    close(go[0]);
    close(go[1]);
    return children;
}

void expect_clean_exits(const std::vector<pid_t> &children) {
    for (pid_t child : children) {
        int status = 0;
        EXPECT_EQ(child, waitpid(child, &status, 0));
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child " << child;
    }
}

}  // namespace zeltest
