// Runs a command line through the shell, as a user would run zel, keeping its
// exit status, standard output and standard error apart.
#ifndef ZEL_TESTS_TOOLS_TOOL_RUN_H
#define ZEL_TESTS_TOOLS_TOOL_RUN_H

#include <sys/wait.h>

#include "support/test_support.h"

namespace zeltest {

struct Outcome {
    int status;  // exit status, -1 when killed
    std::string out, err;
};

inline Outcome run(const std::string &command) {
    TempDir dir;
    std::string err = dir.file("stderr");
    Outcome result{-1, "", ""};
    FILE *pipe = popen((command + " 2>" + err).c_str(), "r");
    if (!pipe) return result;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) result.out.append(buffer, n);
    int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.err = read_file(err);
    return result;
}

}  // namespace zeltest

#endif
