// Writing one record: its prefix, text and ending copied to the stream under
// the file's record lock, then flushed. Everything written was made before
// the lock is taken, so that other processes wait less.
#include <cstdio>

#include "svc/record/record.h"
#include "svc/record/record_text.h"
#include "svc/record/xml_text.h"

namespace zel {

bool write_record(FILE *stream, const RecordBytes &record, int term, bool xml) {
    int cancel_state;
    lock_for_write(stream, &cancel_state);
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
    unlock_for_write(stream, cancel_state);
    return written;
}

}  // namespace zel
