// The bytes around a record's text: the text and XML prefixes of messages and
// traces, and their endings.
#include <zel/msg.h>
#include <zel/svc_internal.h>
#include <zel/utc.h>

#include <cstdio>
#include <cstring>
#include <ctime>

#include "svc/record/record.h"
#include "svc/record/record_text.h"
#include "svc/record/xml_text.h"
#include "sys/hot_path.h"

namespace zel {
namespace {

void write_text_prefix(FILE *stream, const zel_svc_prolog *header, const char *time, int term) {
    // One write of a stack buffer; a prefix longer than it (a very long file
    // name) goes through stdio directly.
    char buf[kPrefixSize];
    bool trace = is_trace(header);
    int level = static_cast<int>(header->attributes & ZEL_SVC_ATTR_LEVEL_MASK);
    unsigned long msgid = header->msgid;
    if (size_t len = build_text_prefix(buf, sizeof buf, header, time, term)) {
        fwrite_unlocked(buf, 1, len, stream);
    } else if (trace) {
        std::fprintf(stream, "%s %s DEBUG%d %s %s %s %d 0x%8.8lx%c", time, header->procname, level,
                     component_name(header), subcomponent_name(header), header->file, header->line,
                     thread_number(header), term);
    } else {
        std::fprintf(stream, "%s 0x%8.8lX %s %s %s %s %s %d 0x%8.8lx%c", time, msgid,
                     header->procname, severity_name(header), component_name(header),
                     subcomponent_name(header), header->file, header->line, thread_number(header),
                     term);
    }
}

void write_time_line(FILE *stream, const zel_svc_prolog *header, const char *time) {
    struct timespec when = {};
    zel_utc_bintime(&when, nullptr, nullptr, &header->time);
    unsigned long long seconds = static_cast<unsigned long long>(when.tv_sec) & 0xFFFFFFFFull;
    std::fprintf(stream, " <Time Millis=\"%llu%03ld\">", seconds,
                 static_cast<long>(when.tv_nsec / 1000000));
    write_escaped(stream, time, strnlen(time, 23));
    std::fputs("</Time>\n", stream);
}

// Names, file names and texts in XML records come from programs, catalogs
// and callers: each is escaped, so none can end its element or attribute.
void write_common_lines(FILE *stream, const zel_svc_prolog *header) {
    std::fputs(" <Component>", stream);
    write_escaped(stream, component_name(header));
    std::fputs("/", stream);
    write_escaped(stream, subcomponent_name(header));
    std::fputs("</Component>\n", stream);
}

void write_source_to_thread(FILE *stream, const zel_svc_prolog *header) {
    std::fputs(" <Source FileName=\"", stream);
    write_escaped(stream, header->file);
    std::fprintf(stream, "\" Method=\"unknown\" Line=\"%d\"></Source>\n <Process>", header->line);
    write_escaped(stream, header->procname, strnlen(header->procname, sizeof header->procname));
    std::fprintf(stream, "</Process>\n <Thread>0x%8.8lx</Thread>\n", thread_number(header));
}

// One line per parameter value: each a length and its bytes.
void write_param_lines(FILE *stream, const RecordText &params) {
    const char *p = params.data();
    const char *end = p + params.size();
    unsigned32 len;
    while (static_cast<size_t>(end - p) >= sizeof len) {
        std::memcpy(&len, p, sizeof len);
        p += sizeof len;
        if (len > static_cast<size_t>(end - p)) break;
        std::fputs("  <Param><![CDATA[", stream);
        write_cdata(stream, p, len);
        std::fputs("]]></Param>\n", stream);
        p += len;
    }
}

void write_xml_message_prefix(FILE *stream, const RecordBytes &record) {
    const zel_svc_prolog *header = record.header;
    const char *time = record.time;
    const char *text = record.message_text ? record.message_text : "";
    size_t len = std::strlen(text);
    const char *severity = "INFO";
    if (len >= 10 && text[9] == 'E') severity = "ERROR";
    if (len >= 10 && text[9] == 'W') severity = "WARN";
    std::fputs("<Message Id=\"", stream);
    write_escaped(stream, text, strnlen(text, 10));
    std::fprintf(stream, "\" Severity=\"%s\">\n", severity);
    write_time_line(stream, header, time);
    write_common_lines(stream, header);
    unsigned long msgid = header->msgid;
    std::fprintf(stream,
                 " <LogAttribs><KeyName><![CDATA[Message Number]]></KeyName> "
                 "<Value><![CDATA[0x%8.8lX]]></Value></LogAttribs>\n",
                 msgid);
    write_source_to_thread(stream, header);
    char tech[4], comp[4];
    zel_msg__inq_tech(header->msgid, tech);
    zel_msg__inq_comp(header->msgid, comp);
    bool dce = std::strcmp(tech, "dce") == 0;
    std::fputs(" <TranslationInfo Type=\"XPG4\" Catalog=\"", stream);
    write_escaped(stream, dce ? "vrb" : tech);
    write_escaped(stream, comp);
    std::fprintf(stream, ".cat\" SetId=\"1\" MsgKey=\"%lx\">\n", msgid);
    if (record.params) write_param_lines(stream, *record.params);
    std::fputs(" </TranslationInfo>\n <LogText><![CDATA[", stream);
}

void write_xml_trace_prefix(FILE *stream, const zel_svc_prolog *header, const char *time) {
    unsigned32 level = header->attributes & ZEL_SVC_ATTR_LEVEL_MASK;
    const char *word = level <= 3 ? "\"MIN\"" : level <= 6 ? "\"MID\"" : "\"MAX\"";
    std::fprintf(stream, "<Trace Level=%s>\n", word);
    write_time_line(stream, header, time);
    write_common_lines(stream, header);
    write_source_to_thread(stream, header);
    std::fprintf(stream,
                 " <LogAttribs><KeyName><![CDATA[Numeric Trace Level]]></KeyName> "
                 "<Value><![CDATA[%u]]></Value></LogAttribs>\n"
                 " <LogText><![CDATA[",
                 static_cast<unsigned>(level));
}

}  // namespace

ZEL_RECORD_PATH bool prefix_left_out(const zel_svc_prolog *header) {
    if (header->attributes & ZEL_SVC_ATTR_NO_PREFIX) return true;
    return zel_svc_g_brief != 0 && is_trace(header);
}

ZEL_RECORD_PATH void time_text(const zel_svc_prolog *header, char text[kTimeTextSize]) {
    if (zel_utc_asclocaltime(text, kTimeTextSize - 1, &header->time) != 0) text[0] = '\0';
}

void write_prefix(FILE *stream, const RecordBytes &record, int term, bool xml) {
    const zel_svc_prolog *header = record.header;
    if (!xml) {
        write_text_prefix(stream, header, record.time, term);
    } else if (is_trace(header)) {
        write_xml_trace_prefix(stream, header, record.time);
    } else {
        write_xml_message_prefix(stream, record);
    }
}

void write_ending(FILE *stream, const zel_svc_prolog *header, bool xml) {
    if (!xml) {
        putc_unlocked('\n', stream);
    } else {
        std::fputs(
            is_trace(header) ? " ]]></LogText>\n</Trace>\n\n" : " ]]></LogText>\n</Message>\n\n",
            stream);
    }
}

}  // namespace zel
