// What a stanza file can hold, as the reader sees it: the arguments that
// zel conf would write, and the lines of a file that zel conf validate checks.
// Both are judged in 16-bit characters of the local code page, as the reader
// judges them, so that a byte inside a multibyte character is not taken for
// '=', '#' or ']'.
#include "conf_text.h"

#include <jrnmsg/lyr.h>
#include <zel/zel.h>

#include <cstring>
#include <vector>

namespace zeltool {
namespace {

constexpr size_t kPiece = 512;  // the reader's line buffer: 511 bytes and the terminator

// The next piece of the stream as the reader takes it: up to and with a line
// feed, at most 511 bytes. False at the end of the stream.
bool read_piece(std::FILE *stream, char (&piece)[kPiece], bool *line_ends) {
    size_t length = 0;
    for (int c; length < kPiece - 1 && (c = std::getc(stream)) != EOF;) {
        piece[length++] = static_cast<char>(c);
        if (c == '\n') break;
    }
    piece[length] = '\0';
    *line_ends = length > 0 && piece[length - 1] == '\n';
    return length > 0;
}

const char *refused(lyr_cs_t cs, const char *piece) {
    lyr_wchar_t wide[kPiece];
    int count = lyr_mbstowcs(cs, wide, piece, kPiece);
    if (count < 0) return "not text in the locale's code page";
    if (count > 0 && wide[count - 1] == '\n') wide[count - 1] = 0;
    const lyr_wchar_t *text = wide;
    while (*text && lyr_iswspace(*text)) ++text;
    if (*text == 0 || *text == '#') return nullptr;
    if (*text == '[') return lyr_wcschr(text, ']') ? nullptr : "no closing ']'";
    if (*text == '=') return "no name before '='";
    return lyr_wcschr(text, '=') ? nullptr : "no '=' between name and value";
}

}  // namespace

const char *unfit(const char *word, ConfWord kind) {
    if (std::strchr(word, '\n')) return "holds a line break";
    lyr_cs_t cs = zelsvc_get_local_code_page();
    int count = lyr_mbstowcs(cs, nullptr, word, 0);
    if (count < 0) return "is not text in the locale's code page";
    std::vector<lyr_wchar_t> wide(static_cast<size_t>(count) + 1);
    if (lyr_mbstowcs(cs, wide.data(), word, wide.size()) != count)
        return "is not text in the locale's code page";
    const lyr_wchar_t *text = wide.data();
    // The reader skips white space before a name or value and drops it after.
    bool blank_edge = count > 0 && (lyr_iswspace(text[0]) || lyr_iswspace(text[count - 1]));
    switch (kind) {
    case ConfWord::stanza:
        if (lyr_wcschr(text, ']')) return "holds ']', which ends a stanza name";
        // "[name]\n" must fit in one 511-byte line.
        if (std::strlen(word) > kPiece - 1 - 3) return "is too long for a heading line";
        return nullptr;
    case ConfWord::entry:
        if (count == 0) return "is empty";
        if (text[0] == '[' || text[0] == '#') return "starts with '[' or '#'";
        if (lyr_wcschr(text, '=')) return "holds '=', which ends an entry name";
        break;
    case ConfWord::value:
        if (lyr_wcschr(text, '#')) return "holds '#', which starts a comment";
        break;
    }
    return blank_edge ? "starts or ends with white space" : nullptr;
}

long print_bad_lines(std::FILE *stream, const char *path) {
    lyr_cs_t cs = zelsvc_get_local_code_page();
    std::rewind(stream);
    char piece[kPiece];
    long line = 0, bad = 0;
    // A line longer than a piece is read, and judged, piece by piece.
    for (bool line_ends = true, starts_line = true; read_piece(stream, piece, &line_ends);
         starts_line = line_ends) {
        if (starts_line) ++line;
        if (const char *why = refused(cs, piece)) {
            std::printf("%s:%ld: %s\n", path, line, why);
            ++bad;
        }
    }
    return std::ferror(stream) ? -1 : bad;
}

}  // namespace zeltool
