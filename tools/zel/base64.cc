// zel base64 [--uri] [-d] [FILE]: encodes standard input (or FILE) as Base64
// in lines of 76 characters, or decodes it, in bounded chunks of any number.
#include <zel/zel.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "arguments.h"
#include "commands.h"

namespace {

using zeltool::failure;

constexpr size_t kLine = 76;
constexpr size_t kEncodeChunk = kLine / 4 * 3 * 1024;  // whole lines of input
constexpr size_t kDecodeChunk = 64 * 1024;

const char kStd[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
const char kUri[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+-";

struct Stream {
    const char *command;
    const char *path;  // for messages
    FILE *in;
    bool uri;
};

bool read_failed(const Stream &s) {
    if (!std::ferror(s.in)) return false;
    failure(s.command, "cannot read %s: %s", s.path, std::strerror(errno));
    return true;
}

bool write_out(const Stream &s, const void *data, size_t size) {
    if (size == 0 || std::fwrite(data, 1, size, stdout) == size) return true;
    failure(s.command, "cannot write standard output: %s", std::strerror(errno));
    return false;
}

int encode(const Stream &s) {
    std::vector<unsigned char> chunk(kEncodeChunk);
    std::string text((kEncodeChunk + 2) / 3 * 4 + 1, '\0'), lines;
    auto encoder = s.uri ? zel_base64_uri_encode : zel_base64_std_encode;
    for (;;) {
        // fread fills the chunk unless the input ends, so every line but the
        // last is whole.
        size_t got = std::fread(chunk.data(), 1, chunk.size(), s.in);
        if (read_failed(s)) return zeltool::kFailed;
        if (got == 0) return zeltool::kDone;
        encoder(chunk.data(), static_cast<unsigned int>(got), &text[0],
                static_cast<unsigned int>(text.size()));
        size_t length = (got + 2) / 3 * 4;
        lines.clear();
        for (size_t at = 0; at < length; at += kLine)
            lines.append(text, at, std::min(kLine, length - at)).push_back('\n');
        if (!write_out(s, lines.data(), lines.size())) return zeltool::kFailed;
        if (got < chunk.size()) return zeltool::kDone;
    }
}

// Each chunk is decoded up to its last whole group of four symbols; the
// symbols after it are carried to the front of the next chunk, so that a
// group split between two reads decodes as one. '=' ends the data.
int decode(const Stream &s) {
    bool symbol[256] = {};
    for (const char *c = s.uri ? kUri : kStd; *c; ++c)
        symbol[static_cast<unsigned char>(*c)] = true;
    std::string buffer;
    std::vector<unsigned char> bytes(kDecodeChunk / 4 * 3 + 3);
    auto decoder = s.uri ? zel_base64_uri_decode : zel_base64_std_decode;
    for (bool more = true; more;) {
        size_t carried = buffer.size();
        buffer.resize(carried + kDecodeChunk);
        size_t got = std::fread(&buffer[carried], 1, kDecodeChunk, s.in);
        if (read_failed(s)) return zeltool::kFailed;
        buffer.resize(carried + got);
        more = got == kDecodeChunk;
        size_t end = buffer.size(), symbols = 0, whole = 0;
        for (size_t i = 0; i < buffer.size(); ++i) {
            unsigned char c = static_cast<unsigned char>(buffer[i]);
            if (c == '=') {
                end = i + 1;
                more = false;
                break;
            }
            if (symbol[c] && ++symbols % 4 == 0) whole = i + 1;
        }
        if (more) end = whole;
        unsigned int length = 0;
        decoder(buffer.data(), static_cast<unsigned int>(end), bytes.data(), &length);
        if (!write_out(s, bytes.data(), length)) return zeltool::kFailed;
        size_t kept = 0;
        for (size_t i = end; more && i < buffer.size(); ++i)
            if (symbol[static_cast<unsigned char>(buffer[i])]) buffer[kept++] = buffer[i];
        buffer.resize(kept);
    }
    return zeltool::kDone;
}

}  // namespace

const zeltool::Help zeltool::kBase64Help = {
    "zel base64", "[--uri] [-d] [FILE]", "encode standard input or FILE as Base64, or decode it",
    "Encoding writes lines of 76 characters. Decoding skips line ends and other\n"
    "characters outside the alphabet and stops after '='. --uri uses the URI-safe\n"
    "alphabet, whose last two characters are '+' and '-'.",
    "zel base64 -d message.b64 > message.bin"};

int zeltool::base64(int argc, char **argv) {
    const char *name = kBase64Help.command;
    Arguments args;
    int ended;
    if (!args.start(kBase64Help, &argc, &argv, &ended, {{"uri", false}, {"d", false}}))
        return ended;
    if (argc > 1) return usage_error(name, "takes at most one FILE, not %d words", argc);
    Stream s{name, argc == 1 ? argv[0] : "standard input", stdin, args.given("uri")};
    if (argc == 1 && !(s.in = std::fopen(argv[0], "rb")))
        return failure(name, "cannot open %s: %s", argv[0], std::strerror(errno));
    int status = args.given("d") ? decode(s) : encode(s);
    if (s.in != stdin) std::fclose(s.in);
    return status == kDone ? finish(name, status) : status;
}
