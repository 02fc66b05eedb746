// zel random N [--hex]: N cryptographically strong random bytes on standard
// output, raw or as lower-case hexadecimal, made and written in chunks.
#include <zel/zel.h>

#include <cstdio>

#include "arguments.h"
#include "commands.h"

namespace {

constexpr long kMostBytes = 1L << 30;
constexpr unsigned int kChunk = 3 * 16384;  // whole groups of three, for encoders

bool write_hex(const unsigned char *bytes, unsigned int count) {
    static const char kDigits[] = "0123456789abcdef";
    char text[2 * kChunk];
    for (unsigned int i = 0; i < count; ++i) {
        text[2 * i] = kDigits[bytes[i] >> 4];
        text[2 * i + 1] = kDigits[bytes[i] & 15];
    }
    return std::fwrite(text, 1, 2 * count, stdout) == 2 * count;
}

}  // namespace

const zeltool::Help zeltool::kRandomHelp = {
    "zel random", "N [--hex]", "write N cryptographically strong random bytes",
    "The bytes go to standard output as they are, or with --hex as lower-case\n"
    "hexadecimal ended by a line feed. N is 1 to 1073741824.",
    "zel random 16 --hex"};

int zeltool::random(int argc, char **argv) {
    const char *name = kRandomHelp.command;
    Arguments args;
    int ended;
    if (!args.start(kRandomHelp, &argc, &argv, &ended, {{"hex", false}})) return ended;
    if (argc != 1) return usage_error(name, argc == 0 ? "N is missing" : "one N only");
    long total;
    if (zel_strtol(argv[0], 10, &total) != 0 || total < 1 || total > kMostBytes)
        return usage_error(name, "'%s' is not a number of bytes from 1 to %ld", argv[0],
                           kMostBytes);
    bool hex = args.given("hex");
    static unsigned char bytes[kChunk];
    for (long left = total; left > 0;) {
        unsigned int count =
            left < static_cast<long>(kChunk) ? static_cast<unsigned int>(left) : kChunk;
        unsigned int status = zel_get_random_bytes(bytes, count);
        if (status != 0) return failure(name, "%s", status_text(status).c_str());
        bool written =
            hex ? write_hex(bytes, count) : std::fwrite(bytes, 1, count, stdout) == count;
        if (!written) break;  // finish reports the failed write
        left -= count;
    }
    if (hex) std::fputc('\n', stdout);
    return finish(name, kDone);
}
