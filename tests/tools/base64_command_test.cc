// zel base64 run as a program: files of many chunks there and back, lines of
// 76 characters, groups split between reads, the URI alphabet, a bad FILE.
#include <random>

#include "tool_run.h"

namespace {

zeltest::Outcome base64(const std::string &line) {
    return zeltest::run(std::string(ZEL_TOOL) + " base64 " + line);
}

TEST(Base64Command, StreamsManyChunksBothWays) {
    zeltest::TempDir dir;
    std::mt19937 random(5);
    std::string data(300001, '\0');
    for (char &c : data) c = static_cast<char>(random());
    const std::string file = dir.file("data"), text = dir.file("text"), narrow = dir.file("narrow");
    zeltest::write_file(file, data);
    zeltest::Outcome encoded = base64(file);
    ASSERT_EQ(encoded.status, 0) << encoded.err;
    zeltest::write_file(text, encoded.out);
    std::string lines;  // 7 characters and CR LF: groups cross every read
    for (size_t at = 0, end; at < encoded.out.size(); at = end + 1) {
        end = encoded.out.find('\n', at);
        ASSERT_EQ(end - at, end + 1 == encoded.out.size() ? 400004 % 76 : 76);
        for (size_t i = at; i < end; i += 7) lines += encoded.out.substr(i, std::min<size_t>(7, end - i)) + "\r\n";
    }
    zeltest::write_file(narrow, lines + "=ignored");
    for (const std::string &line : {"-d " + text, "-d <" + narrow}) {
        zeltest::Outcome decoded = base64(line);
        EXPECT_EQ(decoded.status, 0) << decoded.err;
        EXPECT_TRUE(decoded.out == data) << line;
    }
}

TEST(Base64Command, AlphabetsAndFailures) {
    zeltest::TempDir dir;
    const std::tuple<const char *, std::string, int, std::string> steps[] = {
        {"\\373\\377", "", 0, "+/8=\n"},
        {"\\373\\377", "--uri", 0, "+-8=\n"},
        {"+-8=", "-d", 0, "\xfb"},  // '-' is not in the standard alphabet
        {"+-8=", "--uri -d", 0, "\xfb\xff"},
        {"", dir.path(), 1, ""},
        {"", dir.file("none"), 1, ""},
        {"", "a b", 2, ""},
    };
    for (const auto &[input, line, status, out] : steps) {
        zeltest::Outcome o = zeltest::run(std::string("printf '") + input + "' | " + ZEL_TOOL + " base64 " + line);
        EXPECT_EQ(std::make_pair(status, out), std::make_pair(o.status, o.out)) << line << o.err;
        EXPECT_TRUE(status == 0 || o.err.find("zel base64: ") == 0) << o.err;
    }
}

}  // namespace
