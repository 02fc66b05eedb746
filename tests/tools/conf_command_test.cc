// zel conf run as a program on a stanza file: its answers and exit statuses,
// the bytes the file holds after the changes, and every bad line named.
#include <sys/stat.h>

#include "tool_run.h"

namespace {

// Runs "zel conf LINE" with each F in LINE standing for the file.
zeltest::Outcome conf(std::string line, const std::string &file) {
    for (size_t at; (at = line.find(" F")) != std::string::npos;) line.replace(at + 1, 1, file);
    return zeltest::run(std::string(ZEL_TOOL) + " conf " + line);
}

TEST(ConfCommand, ReadsAndChangesAFileWithTheStatusScriptsExpect) {
    zeltest::TempDir dir;
    const std::string file = dir.file("a.conf"), fifo = dir.file("fifo");
    ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
    // A duplicated stanza, an inline comment, an entry without a value, no final line feed.
    zeltest::write_file(file, "# top\n[a]\nx = 1\ny = 2 # note\n\n[b]\nz =\n[a]\nw = 9");
    const std::tuple<std::string, int, std::string> steps[] = {
        {"get F a y", 0, "2\n"},
        {"get F b z", 0, "\n"},
        {"get F a w", 1, ""},  // only the first stanza of a name counts
        {"list F", 0, "[a]\n[b]\n[a]\n"},
        {"list F a", 0, "x = 1\ny = 2\n"},
        {"list F c", 1, ""},
        {"set F b z 3", 0, ""},
        {"set F a v 'five and six'", 0, ""},
        {"set F new k ''", 0, ""},  // after the last line, which gets its line feed
        {"del F b z", 0, ""},
        {"del F b z", 1, ""},
        {"del F b", 0, ""},
        {"del F b", 1, ""},
        // Refused before the file is opened: each would read back different.
        {"set F a y 'x # y'", 2, ""},
        {"set F a 'x=y' 1", 2, ""},
        {"set F a '#x' 1", 2, ""},
        {"set F a y ' 1'", 2, ""},
        {"set F 'a]' x 1", 2, ""},
        {"set F a x \"$(printf 'a\\nb')\"", 2, ""},
        {"set F a x " + std::string(508, 'v'), 2, ""},
        {"get F a", 2, ""},
        {"move F a", 2, ""},
        {"get F a x >/dev/full", 3, ""},
        {"get " + dir.file("none") + " a x", 3, ""},
        {"set " + dir.path() + " a x 1", 3, ""},
        {"list " + fifo, 3, ""},
        {"validate F", 0, ""},
        {"list F new", 0, "k = \n"},
    };
    for (const auto &[line, status, out] : steps) {
        zeltest::Outcome o = conf(line, file);
        EXPECT_EQ(std::make_pair(status, out), std::make_pair(o.status, o.out)) << line << "\n" << o.err;
        EXPECT_TRUE(status == 0 || o.err.find("zel conf ") != std::string::npos) << line << "\n" << o.err;
    }
    EXPECT_EQ("# top\n[a]\nx = 1\ny = 2 # note\n\nv = five and six\n[a]\nw = 9\n[new]\nk = \n",
              zeltest::read_file(file));
}

// The library stops at the first bad line; the command names them all, by
// the line they are on, and a file with bad lines is not changed.
TEST(ConfCommand, ValidateNamesEveryBadLineAndEditsLeaveABadFileAlone) {
    zeltest::TempDir dir;
    const std::string file = dir.file("bad.conf");
    // Line 5 is read in two pieces; only the first, of 511 bytes, lacks its '='.
    const std::string text = "x = 0\n[a]\nok = 1\nno separator\n" + std::string(600, 'k') +
                             " = long\n[broken\n# [comment\n \t= v\nlast = 1\n";
    zeltest::write_file(file, text);
    zeltest::Outcome o = conf("validate F", file);
    EXPECT_EQ(1, o.status) << o.err;
    EXPECT_EQ(file + ":4: no '=' between name and value\n" + file + ":5: no '=' between name and value\n" + file +
                  ":6: no closing ']'\n" + file + ":8: no name before '='\n",
              o.out);
    for (const char *line : {"set F a new 1", "del F a ok", "del F a"}) EXPECT_EQ(1, conf(line, file).status) << line;
    EXPECT_EQ(text, zeltest::read_file(file));
}

}  // namespace
