// Writing one record: its prefix, text and ending under the file's record
// lock, flushed before the lock is let go. Everything written was made
// before the lock is taken, so that other processes wait less. A text record
// to a log file goes out in one write (a writev of the prefix, the text and
// the newline when longer than a line); XML records and prefixes too long
// for their buffer go through stdio.
#include <sys/uio.h>

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "svc/record/record.h"
#include "svc/record/record_text.h"
#include "svc/record/xml_text.h"
#include "sys/hot_path.h"

namespace zel {
namespace {

// Records up to this long are copied into one piece before they are written.
constexpr size_t kLineSize = 4096;
static_assert(kLineSize >= kPrefixSize, "a prefix fits the line");

// Writes every byte of the pieces, going on after a short write or a signal;
// false (errno set) at the first failure.
ZEL_RECORD_PATH bool write_all(int fd, struct iovec *iov, int count) {
    while (count > 0) {
        ssize_t n = count == 1 ? write(fd, iov->iov_base, iov->iov_len) : writev(fd, iov, count);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        auto left = static_cast<size_t>(n);
        while (count > 0 && left >= iov->iov_len) {
            left -= iov->iov_len;
            ++iov;
            --count;
        }
        if (count > 0) {
            iov->iov_base = static_cast<char *>(iov->iov_base) + left;
            iov->iov_len -= left;
        }
    }
    return true;
}

// Whether stdio holds bytes of the stream: output not written yet, or input
// read ahead, which leaves the descriptor's offset past the stream's. A
// glibc stream shows both in its buffer pointers, which its own inline
// macros read; on another C library the answer is yes, and the record
// flushes the stream.
inline bool stdio_holds_bytes(FILE *stream) {
#ifdef __GLIBC__
    return stream->_mode > 0 || stream->_IO_write_ptr > stream->_IO_write_base ||
           stream->_IO_read_ptr < stream->_IO_read_end;
#else
    (void)stream;
    return true;
#endif
}

// What stdio still holds of the stream is flushed first, so that it comes
// before the record, as it would through stdio. The record's prefix is at the
// start of line; a record that fits the line goes out as one piece, as a
// plain write costs the kernel less than gathering three.
//
// Between the record's system calls (lock, write, unlock) it touches as
// little as it can: after each of them the code and data it reaches are cold
// again. So the descriptor, errno's place, the copy into the line and the
// stream's state are all had before the lock; when stdio holds nothing (the
// stream is the library's own and each record flushes it), the stream is
// neither locked nor flushed around the write.
ZEL_RECORD_PATH bool write_direct(FILE *stream, const RecordBytes &record, char (&line)[kLineSize],
                                  size_t prefix_len) {
    int fd = fileno(stream);
    int &error = errno;
    const RecordText &text = *record.text;
    struct iovec iov[3] = {{line, prefix_len},
                           {const_cast<char *>(text.data()), text.size()},
                           {const_cast<char *>("\n"), 1}};
    size_t size = prefix_len + text.size() + 1;
    int count = 3;
    if (size <= sizeof line) {
        std::memcpy(line + prefix_len, text.data(), text.size());
        line[size - 1] = '\n';
        iov[0].iov_len = size;
        count = 1;
    }
    bool pending = stdio_holds_bytes(stream);
    bool failed_before = !pending && ferror_unlocked(stream);
    int cancel_state;
    lock_for_write(fd, &cancel_state, error);
    bool written;
    if (pending) {
        flockfile(stream);
        written =
            fflush_unlocked(stream) == 0 && write_all(fd, iov, count) && !ferror_unlocked(stream);
        funlockfile(stream);
    } else {
        written = write_all(fd, iov, count) && !failed_before;
    }
    unlock_for_write(fd, cancel_state, error);
    return written;
}

}  // namespace

ZEL_RECORD_PATH bool write_record(FILE *stream, const RecordBytes &record, int term, bool xml,
                                  bool direct) {
    if (direct && !xml) {
        char line[kLineSize];
        size_t len = 0;
        if (prefix_left_out(record.header) ||
            (len = build_text_prefix(line, kPrefixSize, record.header, record.time, term)))
            return write_direct(stream, record, line, len);
    }
    int fd = fileno(stream);
    int &error = errno;
    int cancel_state;
    lock_for_write(fd, &cancel_state, error);
    flockfile(stream);  // no other writer of the stream gets between the record's pieces
    if (!prefix_left_out(record.header)) write_prefix(stream, record, term, xml);
    // In an XML record the text sits inside CDATA, where no byte of it can
    // close the section or break the XML. Its UTF-8 is cut after its last
    // whole character within the XML text's bound.
    if (xml) {
        const char *text = record.text->data();
        write_cdata(stream, text, cut_utf8(text, record.text->size(), kXmlTextMax));
    } else {
        fwrite_unlocked(record.text->data(), 1, record.text->size(), stream);
    }
    write_ending(stream, record.header, xml);
    bool written = fflush_unlocked(stream) == 0 && !ferror_unlocked(stream);
    funlockfile(stream);
    unlock_for_write(fd, cancel_state, error);
    return written;
}

}  // namespace zel
