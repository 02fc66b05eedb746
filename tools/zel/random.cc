// zel random N [--hex|--base64]: N cryptographically strong random bytes on
// standard output, raw, as lower-case hexadecimal or as Base64, made and
// written in chunks.
#include <zel/zel.h>

#include <cstdio>

#include "arguments.h"
#include "commands.h"

namespace {

constexpr long kMostBytes = 1L << 30;
// Whole groups of three bytes, so that the Base64 of each chunk joins the
// next one's without padding between them.
constexpr unsigned int kChunk = 3 * 16384;

bool write_hex(const unsigned char *bytes, unsigned int count) {
    static const char kDigits[] = "0123456789abcdef";
    char text[2 * kChunk];
    for (unsigned int i = 0; i < count; ++i) {
        text[2 * i] = kDigits[bytes[i] >> 4];
        text[2 * i + 1] = kDigits[bytes[i] & 15];
    }
    return std::fwrite(text, 1, 2 * count, stdout) == 2 * count;
}

bool write_base64(const unsigned char *bytes, unsigned int count) {
    static char text[kChunk / 3 * 4 + 1];
    zel_base64_std_encode(bytes, count, text, sizeof text);
    size_t length = (count + 2) / 3 * 4;
    return std::fwrite(text, 1, length, stdout) == length;
}

}  // namespace

const zeltool::Help zeltool::kRandomHelp = {
    "zel random", "N [--hex | --base64]", "write N cryptographically strong random bytes",
    "The bytes go to standard output as they are, or ended by a line feed as\n"
    "lower-case hexadecimal (--hex) or standard Base64 (--base64). N is 1 to\n"
    "1073741824.",
    "zel random 16 --hex"};

int zeltool::random(int argc, char **argv) {
    const char *name = kRandomHelp.command;
    Arguments args;
    int ended;
    if (!args.start(kRandomHelp, &argc, &argv, &ended, {{"hex", false}, {"base64", false}}))
        return ended;
    if (argc != 1) return usage_error(name, argc == 0 ? "N is missing" : "one N only");
    long total;
    if (zel_strtol(argv[0], 10, &total) != 0 || total < 1 || total > kMostBytes)
        return usage_error(name, "'%s' is not a number of bytes from 1 to %ld", argv[0],
                           kMostBytes);
    bool hex = args.given("hex"), base64 = args.given("base64");
    if (hex && base64) return usage_error(name, "--hex and --base64 exclude each other");
    static unsigned char bytes[kChunk];
    for (long left = total; left > 0;) {
        unsigned int count =
            left < static_cast<long>(kChunk) ? static_cast<unsigned int>(left) : kChunk;
        unsigned int status = zel_get_random_bytes(bytes, count);
        if (status != 0) return failure(name, "%s", status_text(status).c_str());
        bool written = hex      ? write_hex(bytes, count)
                       : base64 ? write_base64(bytes, count)
                                : std::fwrite(bytes, 1, count, stdout) == count;
        if (!written) break;  // finish reports the failed write
        left -= count;
    }
    if (hex || base64) std::fputc('\n', stdout);
    return finish(name, kDone);
}
