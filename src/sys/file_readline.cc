// Reads one whole line of any length into a buffer that grows by 100 bytes
// whenever less than 100 bytes of room are left for the next piece.
#include <zel/file.h>
#include <zel/status.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "sys/system_status.h"

namespace {

constexpr int kStep = 100;

// Reads a piece into `room` bytes at `at` and gives its length, or -1 when
// nothing was read. A line may hold zero bytes, so the length is not taken
// with strlen: the room is filled with newlines first, and fgets writes only
// the piece and its terminating zero. The first newline is then either the
// piece's own last byte, followed by that zero, or the filler right after it.
int read_piece(FILE *stream, char *at, int room) {
    std::memset(at, '\n', static_cast<size_t>(room));
    if (!std::fgets(at, room, stream)) return -1;
    const char *newline =
        static_cast<const char *>(std::memchr(at, '\n', static_cast<size_t>(room)));
    if (!newline) return room - 1;
    int position = static_cast<int>(newline - at);
    if (position + 1 < room && at[position + 1] == '\0') return position + 1;
    return position > 0 ? position - 1 : 0;
}

bool ends_line(const char *buffer, int length) { return length > 0 && buffer[length - 1] == '\n'; }

unsigned32 out_of_memory(char **buffer, int *size, int *length) {
    std::free(*buffer);
    *buffer = nullptr;
    *size = *length = 0;
    return ZEL_S_NO_MEMORY;
}

// Nothing read: end of file gives the caller a null buffer, an error its status.
unsigned32 nothing_read(FILE *stream, char **buffer, int *size) {
    if (std::ferror(stream)) return zel::errno_status();
    std::free(*buffer);
    *buffer = nullptr;
    *size = 0;
    return 0;
}

}  // namespace

extern "C" unsigned32 zel_file_readline(FILE *stream, char **buffer, int *size, int *length) {
    if (!stream || !buffer || !size || !length) return ZEL_S_SYSTEM_INPUT_INVALID;
    *length = 0;
    int room;
    errno = 0;
    if (!*buffer || *size < 1) {
        char first[kStep];
        room = kStep;
        int got = read_piece(stream, first, room);
        if (got < 0) return nothing_read(stream, buffer, size);
        char *grown = static_cast<char *>(std::realloc(*buffer, kStep));
        if (!grown) return out_of_memory(buffer, size, length);
        std::memcpy(grown, first, static_cast<size_t>(got) + 1);
        *buffer = grown;
        *size = kStep;
        *length = got;
    } else {
        room = *size;
        int got = read_piece(stream, *buffer, room);
        if (got < 0) return nothing_read(stream, buffer, size);
        *length = got;
    }
    // A piece that ends before its room is full without a newline met the end
    // of the file: the buffer is not grown for a read that would find nothing.
    while (!ends_line(*buffer, *length) && *length == *size - 1) {
        if (*size > INT_MAX - kStep) return out_of_memory(buffer, size, length);
        char *grown =
            static_cast<char *>(std::realloc(*buffer, static_cast<size_t>(*size) + kStep));
        if (!grown) return out_of_memory(buffer, size, length);
        *buffer = grown;
        *size += kStep;
        room = *size - *length;
        int got = read_piece(stream, *buffer + *length, room);
        if (got < 0) break;
        *length += got;
    }
    if (*length == 0 && std::feof(stream)) return nothing_read(stream, buffer, size);
    return std::ferror(stream) ? zel::errno_status() : 0;
}
