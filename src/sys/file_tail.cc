// The last lines of a file in caller-freed 512-byte slots: the slots are used
// as a ring while reading, then turned so that the oldest piece comes first.
#include <zel/file.h>
#include <zel/status.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int kSlotSize = 512;

}  // namespace

extern "C" unsigned32 zel_file_tail(const char *path, int n, char **lines) {
    if (!path || !lines || n <= 0) return ZEL_S_SYSTEM_INPUT_INVALID;
    for (int i = 0; i < n; ++i) {
        lines[i] = static_cast<char *>(std::calloc(1, kSlotSize));
        if (!lines[i]) {
            for (int j = 0; j < i; ++j) {
                std::free(lines[j]);
                lines[j] = nullptr;
            }
            return ZEL_S_NO_MEMORY;
        }
    }
    FILE *file = std::fopen(path, "re");
    if (!file) return ZEL_S_FILE_OPEN_FAILED;

    // Each read first moves the oldest slot to the end (the ring's start moves
    // on) and reads into it; the read that meets the end also takes a slot.
    int start = 0;
    bool read_any = false;
    for (;;) {
        char *slot = lines[start];
        start = (start + 1) % n;
        slot[0] = '\0';
        if (!std::fgets(slot, kSlotSize, file)) break;
        read_any = true;
        size_t length = std::strlen(slot);
        // A last line without a newline keeps all its characters.
        if (length > 0 && slot[length - 1] == '\n') slot[length - 1] = '\0';
    }
    std::fclose(file);
    std::rotate(lines, lines + start, lines + n);
    // Empty slots at the front go to the end, in one round at most, so that a
    // file of blank lines ends the search too.
    if (read_any) {
        int empty = 0;
        while (empty < n && lines[empty][0] == '\0') ++empty;
        if (empty < n) std::rotate(lines, lines + empty, lines + n);
    }
    return 0;
}
