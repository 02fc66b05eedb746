// Every byte of text and XML records, with headers built at a fixed time.
#include <algorithm>
#include <map>
#include <random>
#include <sstream>

#include "svc/record/print_call.h"
#include "svc/record/record.h"
#include "svc/record/xml_text.h"
#include "svc_test_util.h"

namespace {

using namespace zeltest;

const char kTime[] = "2023-11-14-22:13:20.045+00:00I-----";
const char kOpenFailed[] = "KVXSC0156E   The open system routine failed: system error code: 2";

class RecordFormat : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("TZ", "UTC0", 1);
        start_svctest();
        struct timespec at = {1700000000, 45000000};  // 2023-11-14 22:13:20.045 UTC
        ASSERT_EQ(0, zel_utc_mkbintime(&time_, &at, nullptr, 0));
        ASSERT_NE(nullptr, stream_ = std::tmpfile());
        pthread_t self = pthread_self();
        char buf[16];
        std::snprintf(buf, sizeof buf, "0x%8.8lx", static_cast<unsigned long>(zel_svc__mapthreadid(&self)));
        thread_ = buf;
    }
    void TearDown() override {
        std::fclose(stream_);
        reset();
    }
    // Message texts belong to the record; trace formats to the caller.
    void reset() {
        if (!trace_) std::free(header_.format);
        std::memset(&header_, 0, sizeof header_);
        trace_ = false;
        xml_ = false;
    }
    std::string contents() {
        std::fflush(stream_);
        std::string out(static_cast<size_t>(std::ftell(stream_)), '\0');
        std::rewind(stream_);
        if (std::fread(&out[0], 1, out.size(), stream_) != out.size()) ADD_FAILURE() << "fread";
        std::rewind(stream_);
        if (ftruncate(fileno(stream_), 0) != 0) ADD_FAILURE() << "ftruncate";
        return out;
    }
    void message(unsigned32 attributes, unsigned32 msgid, bool xml = false, const char *text = nullptr) {
        reset();
        zel::build_message_header(&header_, zelmox_client_svc_handle, false, "core/dir/zel_file.cc", 231, "%s%d", 0,
                                  attributes, msgid, &time_);
        xml_ = xml;
        if (text) std::free(header_.format), header_.format = strdup(text);
    }
    void trace(unsigned32 level, const char *format, const char *file = "?", int line = 0, bool xml = false) {
        reset();
        zel::build_trace_header(&header_, zelmox_client_svc_handle, file, line, 1, level, format, &time_);
        trace_ = true;
        xml_ = xml;
    }
    // One call as a route kind writes it: XML, text file (' '), console ('\n'), or unconverted UTF-8.
    bool write(zel::Road road, int term, bool convert, va_list args) {
        zel::PrintCall call;
        call.road = road;
        call.trace = trace_;
        va_list ap;
        va_copy(ap, args);
        call.args = &ap;
        zel::choose_code_sets(&call.ctx, road != zel::Road::plain);
        call.ctx.header = header_;
        if (!trace_ && header_.format) call.ctx.header.format = strdup(header_.format);
        zel::time_text(&call.ctx.header, call.time);
        int kind = xml_           ? ZEL_SVC_ROUTE_XMLFILE
                   : !convert     ? ZEL_SVC_ROUTE_UTF8FILE
                   : term == '\n' ? ZEL_SVC_ROUTE_STDOUT
                                  : ZEL_SVC_ROUTE_FILE;
        bool written = zel::write_call_record(&call, kind, stream_);
        zel::release_call(&call);
        va_end(ap);
        return written;
    }
    bool direct(int term, ...) {
        va_list args;
        va_start(args, term);
        bool written = write(zel::Road::plain, term, true, args);
        va_end(args);
        return written;
    }
    void context(int term, int convert, ...) {
        va_list args;
        va_start(args, convert);
        write(zel::Road::context, term, convert != 0, args);
        va_end(args);
    }
    // The parameter lines of an XML message with this text.
    std::string params(const char *text, ...) {
        message(ZEL_SVC_SEV_ERROR, ZEL_S_SYSTEM_ROUTINE_ERROR, true, text);
        va_list args;
        va_start(args, text);
        write(zel::Road::plain, ' ', true, args);
        va_end(args);
        std::string out = contents(), lines;
        for (size_t at = 0; (at = out.find("  <Param>", at)) != std::string::npos;) {
            size_t end = out.find('\n', at) + 1;
            lines += out.substr(at, end - at);
            at = end;
        }
        return lines;
    }
    std::string message_prefix(const char *code) {
        return std::string(kTime) + " " + code + " svctest ERROR qpc core zel_file.cc 231 " + thread_;
    }

    zel_utc_t time_;
    FILE *stream_ = nullptr;
    std::string thread_;
    zel_svc_prolog header_ = {};
    bool trace_ = false;
    bool xml_ = false;
};

TEST_F(RecordFormat, TextMessageIsOneLineInFilesAndTwoOnStreams) {
    message(ZEL_SVC_SEV_ERROR, ZEL_S_SYSTEM_ROUTINE_ERROR);
    const std::string prefix = message_prefix("0x3665A09C"), line = prefix + " " + kOpenFailed + "\n";
    direct(' ', "open", 2);
    EXPECT_EQ(line, contents());
    direct('\n', "open", 2);
    EXPECT_EQ(prefix + "\n" + kOpenFailed + "\n", contents());
    context(' ', 1, "open", 2);  // the context writer gives the same bytes for an ASCII text
    EXPECT_EQ(line, contents());
}

// A file record goes straight to the descriptor, yet after whatever stdio
// still holds of the stream; a stream that failed before is told as failed,
// and the record is written all the same.
TEST_F(RecordFormat, FileRecordsKeepTheStreamsOrderAndItsError) {
    message(ZEL_SVC_SEV_ERROR, ZEL_S_SYSTEM_ROUTINE_ERROR);
    const std::string line = message_prefix("0x3665A09C") + " " + kOpenFailed + "\n";
    std::fputs("held by stdio\n", stream_);
    EXPECT_TRUE(direct(' ', "open", 2));
    EXPECT_EQ("held by stdio\n" + line, contents());

    FILE *own = stream_, *file = std::tmpfile();
    ASSERT_NE(nullptr, file);
    FILE *failed = fdopen(dup(fileno(file)), "r");  // the same open file, but stdio may not write
    ASSERT_NE(nullptr, failed);
    EXPECT_EQ(EOF, std::fputc('x', failed));
    stream_ = failed;
    EXPECT_FALSE(direct(' ', "open", 2));
    stream_ = file;
    EXPECT_EQ(line, contents());
    stream_ = own;
    std::fclose(failed);
    std::fclose(file);
}

// Traces have no message number; a prefix too long for the line buffer keeps the shape.
TEST_F(RecordFormat, TextTraceFileNamesAndLines) {
    const std::string long_name(600, 'f');
    const std::tuple<const char *, int, std::string> cases[] = {{"lib/x.cc", 12, "lib/x.cc 12"},
                                                                {"short.cc", -3, "short.cc -3"},
                                                                {nullptr, 5, "(null) 5"},
                                                                {long_name.c_str(), -3, long_name + " -3"}};
    for (const auto &[file, line, where] : cases) {
        trace(7, "value %d of %s", file, line);
        direct(' ', 42, "y");
        EXPECT_EQ(std::string(kTime) + " svctest DEBUG7 qpc admin " + where + " " + thread_ + " value 42 of y\n",
                  contents());
    }
}

// A text is made straight from the arguments when its format is sequential
// and short, else through a parse: both show a null string as "(null)", and
// a text too long for the stack buffer comes out whole.
TEST_F(RecordFormat, TextsMadeEitherWayAgree) {
    const std::string longer(1500, 'x');
    const std::string start = std::string(kTime) + " svctest DEBUG7 qpc admin a.cc 3 " + thread_ + " ";
    for (const char *format : {"v %s|%d|%s", "v %1$s|%2$d|%3$s"}) {
        trace(7, format, "a.cc", 3);
        direct(' ', static_cast<const char *>(nullptr), -4, "e");
        EXPECT_EQ(start + "v (null)|-4|e\n", contents()) << format;
        direct(' ', "n", 5, longer.c_str());
        EXPECT_EQ(start + "v n|5|" + longer + "\n", contents()) << format;
    }
}

TEST_F(RecordFormat, NoPrefixBriefAndMissingText) {
    message(ZEL_SVC_SEV_ERROR | ZEL_SVC_ATTR_NO_PREFIX, ZEL_S_NO_MEMORY);
    direct('\n');
    EXPECT_EQ("KVXSC0151E   Memory could not be allocated.\n", contents());
    std::free(std::exchange(header_.format, nullptr));
    direct(' ');
    EXPECT_EQ("Unknown message 0x3665a097\n", contents());
    xml_ = true;
    direct(' ');
    EXPECT_EQ("Unknown message 0x3665a097 ]]></LogText>\n</Message>\n\n", contents());

    zel_svc_g_brief = 1;
    trace(2, "bare %s");
    direct('\n', "text");
    EXPECT_EQ("bare text\n", contents());
    message(ZEL_SVC_SEV_ERROR, ZEL_S_NO_MEMORY);  // messages keep their prefix
    direct(' ');
    EXPECT_EQ(message_prefix("0x3665A097") + " KVXSC0151E   Memory could not be allocated.\n", contents());
    zel_svc_g_brief = 0;
}

// One XML message byte for byte; traces differ in their level word and number.
TEST_F(RecordFormat, XmlRecords) {
    message(ZEL_SVC_SEV_ERROR, ZEL_S_SYSTEM_ROUTINE_ERROR, true);
    direct(' ', "open", 2);
    std::string expected =
        "<Message Id=\"KVXSC0156E\" Severity=\"ERROR\">\n"
        " <Time Millis=\"1700000000045\">2023-11-14-22:13:20.045</Time>\n <Component>qpc/core</Component>\n"
        " <LogAttribs><KeyName><![CDATA[Message Number]]></KeyName> "
        "<Value><![CDATA[0x3665A09C]]></Value></LogAttribs>\n"
        " <Source FileName=\"zel_file.cc\" Method=\"unknown\" Line=\"231\"></Source>\n"
        " <Process>svctest</Process>\n <Thread>" +
        thread_ +
        "</Thread>\n"
        " <TranslationInfo Type=\"XPG4\" Catalog=\"vrqpc.cat\" SetId=\"1\" MsgKey=\"3665a09c\">\n"
        "  <Param><![CDATA[open]]></Param>\n  <Param><![CDATA[2]]></Param>\n"
        " </TranslationInfo>\n <LogText><![CDATA[" +
        kOpenFailed + " ]]></LogText>\n</Message>\n\n";
    EXPECT_EQ(expected, contents());
    context(' ', 0, "open", 2);
    EXPECT_EQ(expected, contents());

    // A code of technology "dce" names a "vrb" catalog; a short text is INFO.
    message(ZEL_SVC_SEV_ERROR, ZEL_S_INTERNAL_CHECK_FAILED, true, "short");
    direct(' ');
    std::string out = contents();
    EXPECT_TRUE(has(out, "<Message Id=\"short\" Severity=\"INFO\">\n")) << out;
    EXPECT_TRUE(has(out, "Catalog=\"vrbbas.cat\" SetId=\"1\" MsgKey=\"106521fa\"")) << out;

    for (const auto &[level, word] : {std::pair{3u, "MIN"}, {5u, "MID"}, {9u, "MAX"}}) {
        trace(level, "t %d", "?", 0, true);
        direct(' ', 1);
        out = contents();
        EXPECT_EQ(0u, out.find(std::string("<Trace Level=\"") + word + "\">\n <Time ")) << out;
        EXPECT_TRUE(has(out, "<Value><![CDATA[" + std::to_string(level) +
                                 "]]></Value></LogAttribs>\n <LogText><![CDATA[t 1 ]]></LogText>\n</Trace>\n\n"))
            << out;
    }
}

// Each parameter is what its conversion puts into the text; a rejected
// conversion, and every one after it, gives the failure text.
TEST_F(RecordFormat, ParameterLinesFollowTheConversions) {
    auto param = [](const std::string &v) { return "  <Param><![CDATA[" + v + "]]></Param>\n"; };
    const std::string failure = param("(Failed to handle a data type in svcprintf, printPrefix())");
    EXPECT_EQ(param(" 3.25"), params("KVXSC0000W value %5.2f%%", 3.25));
    EXPECT_EQ(param("1234567.891000"), params("%f", 1234567.891));
    EXPECT_EQ(param("-7") + param("ff") + param("5") + param("A"), params("%ld %lx %ul %c", -7L, 255UL, 5u, 0x41));
    EXPECT_EQ(param("12") + param("bob"), params("KVXSC0453I   %lu sessions of user %s were ended.", 12UL, "bob"));
    EXPECT_EQ(param("ab                  ") + param("c         ") + param("d"),
              params("%-20s %-10s %s", "ab", "c", "d"));
    EXPECT_EQ(param("   ab") + param("9"), params("%*s %d", 5, "ab", 9));
    EXPECT_EQ(param("b") + param("a"), params("%2$s %1$s", "a", "b"));
    EXPECT_EQ(param("5") + failure + failure, params("%d %lf %s", 5, 2.0, "x"));
    EXPECT_EQ(failure + failure, params("%3$d %1$d", 5, 6, 7));  // argument 2 is missing
    EXPECT_EQ(failure, params("ends in %"));
    EXPECT_EQ("", params("no conversions %%"));
}

// One record's text: at most 64 KB (XML: 19 999 bytes), widths and precisions
// at most 4096, and never a partial character, whatever the format or the arguments.
constexpr size_t kTextMax = 64 * 1024, kXmlTextMax = 19999;

std::string whole_utf8(const std::string &s, size_t max) {
    size_t n = std::min(s.size(), max);
    while (n < s.size() && n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) --n;
    return s.substr(0, n);
}

bool valid_utf8(const std::string &s) { return s.empty() || lyr_mbstowcs(zel_svc_cs_utf8, nullptr, s.c_str(), 0) >= 0; }

void bounded_on_every_route() {
    setenv("LC_ALL", "C.UTF-8", 1);
    start_svctest();
    TempDir dir;
    if (!freopen(dir.file("stdout").c_str(), "w", stdout)) _exit(2);
    std::string routes = every_route_kind(dir);
    set_trace_routes("qpc:*.9:" + routes);
    set_routes("ERROR:" + routes);
    std::string big = "a";
    while (big.size() < 100000) big += "\xC3\xA9";  // a cut at 64 KB falls inside one
    const std::string pad(4095, ' '), zeros(4095, '0');
    const struct {
        const char *format;
        std::string text;
    } cases[] = {{"%999999999d", pad + "5"},
                 {"%.999999999d", zeros + "5"},
                 {"%*d", pad + "5"},
                 {"%.999999999s", big.substr(0, 4095)},
                 {"%s", big.substr(0, kTextMax - 1)},
                 {"b%s", whole_utf8("b" + big, kTextMax)}};
    // Each route's file grows by one record per call: the record is what is new.
    std::map<std::string, size_t> seen;
    auto next_record = [&](const char *name) {
        std::fflush(stdout);
        std::string all = read_file(dir.file(name));
        size_t from = std::min(seen[name], all.size());
        seen[name] = all.size();
        return all.substr(from);
    };
    bool ok = true;
    zel_svc_handle *h = zelmox_client_svc_handle;
    for (auto debug : {zel_svc__debug_withfile, zel_svc__debug_utf8_withfile}) {
        for (const auto &c : cases) {
            c.format[1] == '*'                           ? debug(h, "b.cc", 1, 0, 1, c.format, 2000000000, 5)
            : c.format[std::strlen(c.format) - 1] == 's' ? debug(h, "b.cc", 1, 0, 1, c.format, big.c_str())
                                                         : debug(h, "b.cc", 1, 0, 1, c.format, 5);
            for (const char *name : {"f", "u", "x", "stdout"}) {
                std::string record = next_record(name);
                bool xml = name[0] == 'x';
                const std::string text = xml ? whole_utf8(c.text, kXmlTextMax) : c.text;
                const std::string end = xml ? " ]]></LogText>\n</Trace>\n\n" : "\n";
                size_t at = record.size() - std::min(record.size(), text.size() + end.size());
                bool good = record.compare(at, std::string::npos, text + end) == 0 && valid_utf8(text) &&
                            record.size() < text.size() + (xml ? 1000 : 200) &&
                            (!xml || record.compare(at - 18, 18, "<LogText><![CDATA[") == 0);
                if (!good) std::fprintf(stderr, "%s %s: %zu bytes\n", c.format, name, record.size());
                ok = ok && good;
            }
        }
    }
    // A message: its text is bounded, and so is each XML parameter.
    zel_svc_printf_withfile(h, "b.cc", 1, "%s%d", 0, 0x20, ZEL_S_SYSTEM_ROUTINE_ERROR, big.c_str(), 3);
    for (const char *name : {"f", "u", "x", "stdout"}) {
        size_t size = next_record(name).size();
        bool good = size > 4 * 1024 && size < (name[0] == 'x' ? kXmlTextMax + 12000 : kTextMax + 200);
        if (!good) std::fprintf(stderr, "message %s: %zu bytes\n", name, size);
        ok = ok && good;
    }
    _exit(ok ? 0 : 1);
}

TEST(RecordText, BoundedOnEveryRouteAndCutAtACharacter) { EXPECT_EQ(0, run_in_child(bounded_on_every_route)); }

// XML records written with hostile values, read back by a strict parser that
// knows nothing of the writer: every record parses and every value reads back
// as the bytes given, decoded as UTF-8 with U+FFFD for what XML cannot carry.
const char kCheckXml[] = R"PY(
import sys, xml.etree.ElementTree as ET
def clean(b):
    t = b.decode('utf-8', 'replace')
    ok = lambda c: c in '\t\n\r' or 0x20 <= ord(c) <= 0xD7FF or 0xE000 <= ord(c) <= 0xFFFD or ord(c) >= 0x10000
    return ''.join(c if ok(c) else '\ufffd' for c in t)
root = ET.fromstring(b'<Log>' + open(sys.argv[1], 'rb').read() + b'</Log>')
want = [l.split(' ') for l in open(sys.argv[2]).read().splitlines()]
proc = clean(bytes.fromhex(want[0][0]))
records = list(root)
if len(records) != len(want) - 1: sys.exit('%d records for %d calls' % (len(records), len(want) - 1))
for i, (r, w) in enumerate(zip(records, want[1:])):
    kind, fname, arg = w[0], clean(bytes.fromhex(w[1])), clean(bytes.fromhex(w[2]))
    if kind == 'M':
        text = 'KVXSC0156E   The %s system routine failed: system error code: %s ' % (arg, w[3])
        params = [arg, w[3]]
    else:
        text, params = clean(bytes.fromhex(w[3]) + bytes.fromhex(w[2])) + ' ', []
    got = (r.tag, r.find('LogText').text, [p.text or '' for p in r.iter('Param')],
           r.find('Source').get('FileName'), r.find('Process').text)
    exp = ('Message' if kind == 'M' else 'Trace', text, params, fname, proc)
    if got != exp: sys.exit('record %d:\n got %r\nwant %r' % (i, got, exp))
)PY";

std::string hex(const std::string &bytes) {
    std::string out;
    char two[3];
    for (unsigned char c : bytes) std::snprintf(two, sizeof two, "%02x", c), out += two;
    return out;
}

// Bytes that stress XML: markup, controls, broken and valid UTF-8, long runs.
std::string hostile(std::mt19937 &rng, size_t max_pieces) {
    static const std::vector<std::string> pieces = [] {  // one piece between bars
        std::vector<std::string> out;
        std::string piece,
            all =
                "]]>|]]|]|>|<|&|\"|'|\r|\n|\t|\r\n|\x01|\x1b|\x1f|\x7f|\xEF\xBF\xBE|\xEF\xBF\xBF|\xED\xA0\x80|"
                "\xC0\x80|\xF4\x90\x80\x80|\xE2\x82|\xC3|\x80|\xC3\xA9|\xE2\x82\xAC|\xF0\x9F\x98\x80|<![CDATA[|"
                "&amp;|plain text ";
        for (std::istringstream in(all); std::getline(in, piece, '|');) out.push_back(piece);
        return out;
    }();
    std::string out;
    size_t count = rng() % (max_pieces + 1);
    for (size_t i = 0; i < count; ++i) {
        switch (rng() % 4) {
        case 0: out += static_cast<char>(1 + rng() % 255); break;
        case 1:
            if (rng() % 20 == 0) out += std::string(500 + rng() % 2000, static_cast<char>("]x\x01"[rng() % 3]));
            break;
        default: out += pieces[rng() % pieces.size()]; break;
        }
    }
    return out;
}

void hostile_xml_records(const char *xml_out, const char *want_out, unsigned seed) {
    std::mt19937 rng(seed);
    std::string procname = hostile(rng, 8).substr(0, 31);
    if (procname.empty() || procname.find('%') != std::string::npos) procname = "p<\x01\"]]>";
    zelmsg_init(procname.c_str(), 0);
    unsigned32 st;
    zel_svc_set_progname(procname.c_str(), &st);
    std::string routes = std::string("XMLFILE:") + xml_out;
    zel_svc_routing(("ERROR:" + routes).c_str(), &st);
    zel_svc_debug_routing(("qpc:*.9:" + routes).c_str(), &st);
    std::string want = hex(zel_svc_get_progname()) + "\n";
    for (int i = 0; i < 400; ++i) {
        std::string arg = hostile(rng, 12), file = hostile(rng, 6), lead = hostile(rng, 4);
        file.erase(std::remove(file.begin(), file.end(), '/'), file.end());
        lead.erase(std::remove(lead.begin(), lead.end(), '%'), lead.end());
        std::string format = lead + "%s";
        if (i % 4 < 2) {  // messages on both code-set roads, then traces on both
            zel_svc_printf_cs_withfile(zelmox_client_svc_handle, i % 2, file.c_str(), i, "%s%d", 0, ZEL_SVC_SEV_ERROR,
                                       ZEL_S_SYSTEM_ROUTINE_ERROR, arg.c_str(), i);
            want += "M " + hex(file) + " " + hex(arg) + " " + std::to_string(i) + "\n";
        } else {
            (i % 4 == 2 ? zel_svc__debug_withfile : zel_svc__debug_utf8_withfile)(
                zelmox_client_svc_handle, file.c_str(), i, 0, 1, format.c_str(), arg.c_str());
            want += "T " + hex(file) + " " + hex(arg) + " " + hex(lead) + "\n";
        }
    }
    write_file(want_out, want);
}

TEST(XmlRecords, ParseStrictlyWhateverTheValues) {
    if (std::system("python3 -c 1 >/dev/null 2>&1") != 0) GTEST_SKIP() << "python3 is not installed";
    TempDir dir;
    static std::string xml, want;
    xml = dir.file("log.xml"), want = dir.file("want");
    write_file(dir.file("check.py"), kCheckXml);
    for (unsigned seed : {1u, 2u, 3u}) {
        static unsigned child_seed;
        child_seed = seed;
        unlink(xml.c_str());
        ASSERT_EQ(0, run_in_child([] {
                      hostile_xml_records(xml.c_str(), want.c_str(), child_seed);
                      _exit(0);
                  }));
        std::string command = "python3 " + dir.file("check.py") + " " + xml + " " + want;
        EXPECT_EQ(0, std::system(command.c_str())) << "seed " << seed;
    }
}

TEST(RecordHeader, ProcessIdWhenNoProgramName) {  // in a child: the name is set once per process
    EXPECT_EQ(0, run_in_child([] {
                  zel_svc_prolog header;
                  unsigned32 st;
                  zel_svc_init(0, &st);
                  zel_svc_g_progname[0] = '\0';  // as in a program that never set it
                  zel::build_message_header(&header, zelmox_client_svc_handle, false, "x", 1, "", 0, 0x20,
                                            ZEL_S_NO_MEMORY);
                  _exit("PID#" + std::to_string(getpid()) == header.procname ? 0 : 1);
              }));
}

}  // namespace
