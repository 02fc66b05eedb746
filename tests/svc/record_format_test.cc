// Every byte of the text and XML records of messages and traces, with the
// header built at a fixed time by the library's own header builders.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <unistd.h>

#include "svc/record.h"
#include "svc_test_util.h"

namespace {

using zeltest::kNoMemory;
using zeltest::kSystemCall;

class RecordFormat : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("TZ", "UTC0", 1);
        zeltest::start_svctest();
        struct timespec at = {1700000000, 45000000};  // 2023-11-14 22:13:20.045 UTC
        ASSERT_EQ(0, zel_utc_mkbintime(&time_, &at, nullptr, 0));
        stream_ = std::tmpfile();
        ASSERT_NE(nullptr, stream_);
        pthread_t self = pthread_self();
        char buf[16];
        std::snprintf(buf, sizeof buf, "0x%8.8lx",
                      static_cast<unsigned long>(zel_svc__mapthreadid(&self)));
        thread_ = buf;
    }
    void TearDown() override {
        if (stream_) std::fclose(stream_);
        reset();
    }
    // Message texts belong to the record; trace formats to the caller.
    void reset() {
        if (!trace_format_) std::free(ctx_.header.format);
        std::memset(&ctx_, 0, sizeof ctx_);
        trace_format_ = false;
    }

    std::string contents() {
        std::fflush(stream_);
        std::rewind(stream_);
        std::string out;
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, stream_)) > 0) out.append(buf, n);
        std::rewind(stream_);
        if (ftruncate(fileno(stream_), 0) != 0) ADD_FAILURE() << "ftruncate";
        return out;
    }

    void message(unsigned32 attributes, unsigned32 msgid, int cs = 0) {
        reset();
        zel::_build_prolog(&ctx_, zelmox_client_svc_handle, cs, nullptr, "core/dir/zel_file.cc",
                           231, "%s%d", 0, attributes, msgid, &time_);
    }
    void trace(unsigned32 level, const char *format, const char *file = "?", int line = 0) {
        reset();
        zel::debug_fill_prolog(&ctx_.header, zelmox_client_svc_handle, file, line, 1, level,
                               format, &time_);
        trace_format_ = true;
    }
    void direct(int term, ...) {
        va_list args;
        va_start(args, term);
        zel::zel_svc__vfprintf(stream_, &ctx_.header, term, args);
        va_end(args);
    }
    void context(int term, int convert, ...) {
        va_list args;
        va_start(args, convert);
        zel::zel_svc__vfprintf2(stream_, &ctx_, term, convert, args);
        va_end(args);
        std::free(ctx_.conv);
        ctx_.conv = nullptr;
        ctx_.conv_len = 0;
    }
    std::string params(const char *text, ...) {
        va_list args;
        va_start(args, text);
        zel::write_param_lines(stream_, text, false, args);
        va_end(args);
        return contents();
    }

    zel_utc_t time_;
    FILE *stream_ = nullptr;
    std::string thread_;
    zel_svc_msgctx ctx_ = {};
    bool trace_format_ = false;
};

const char kTime[] = "2023-11-14-22:13:20.045+00:00I-----";

TEST_F(RecordFormat, TextMessageIsOneLineInFilesAndTwoOnStreams) {
    message(ZEL_SVC_SEV_ERROR, kSystemCall);
    direct(' ', "open", 2);
    std::string prefix = std::string(kTime) +
                         " 0x3665A09C svctest ERROR qpc core zel_file.cc 231 " + thread_;
    EXPECT_EQ(prefix + " KVXSC0156E   The open system routine failed: system error code: 2\n",
              contents());
    direct('\n', "open", 2);
    EXPECT_EQ(prefix + "\nKVXSC0156E   The open system routine failed: system error code: 2\n",
              contents());
    // The context writer gives the same bytes for an ASCII text.
    context(' ', 1, "open", 2);
    EXPECT_EQ(prefix + " KVXSC0156E   The open system routine failed: system error code: 2\n",
              contents());
}

TEST_F(RecordFormat, TextTraceHasNoMessageNumber) {
    trace(7, "value %d of %s", "lib/x.cc", 12);
    direct(' ', 42, "y");
    EXPECT_EQ(std::string(kTime) + " svctest DEBUG7 qpc admin lib/x.cc 12 " + thread_ +
                  " value 42 of y\n",
              contents());
}

// A prefix too long for the line buffer takes the stdio road, byte for byte
// the same shape.
TEST_F(RecordFormat, LongFileNameAndNegativeLine) {
    std::string file(600, 'f');
    trace(2, "t", file.c_str(), -3);
    direct(' ');
    EXPECT_EQ(std::string(kTime) + " svctest DEBUG2 qpc admin " + file + " -3 " + thread_ + " t\n",
              contents());
    trace(2, "t", "short.cc", -3);
    direct(' ');
    EXPECT_EQ(std::string(kTime) + " svctest DEBUG2 qpc admin short.cc -3 " + thread_ + " t\n",
              contents());
}

TEST_F(RecordFormat, NoPrefixAndBriefLeaveOnlyTheText) {
    message(ZEL_SVC_SEV_ERROR | ZEL_SVC_ATTR_NO_PREFIX, kNoMemory);
    direct('\n');
    EXPECT_EQ("KVXSC0151E   Memory could not be allocated.\n", contents());

    zel_svc_g_brief = 1;
    trace(2, "bare %s");
    direct('\n', "text");
    EXPECT_EQ("bare text\n", contents());
    message(ZEL_SVC_SEV_ERROR, kNoMemory);  // messages keep their prefix
    direct(' ');
    EXPECT_EQ(std::string(kTime) + " 0x3665A097 svctest ERROR qpc core zel_file.cc 231 " +
                  thread_ + " KVXSC0151E   Memory could not be allocated.\n",
              contents());
    zel_svc_g_brief = 0;
}

TEST_F(RecordFormat, RecordWithoutText) {
    message(ZEL_SVC_SEV_ERROR | ZEL_SVC_ATTR_NO_PREFIX, kNoMemory);
    std::free(ctx_.header.format);
    ctx_.header.format = nullptr;
    direct(' ');
    EXPECT_EQ("Unknown message 0x3665a097\n", contents());
    context(' ', 1);
    EXPECT_EQ("Unknown message 0x3665a097\n", contents());
    ctx_.header.xml = 1;
    direct(' ');
    EXPECT_EQ("Unknown message 0x3665a097 ]]></LogText>\n</Message>\n\n", contents());
}

std::string xml_common(const std::string &thread, const char *file, int line) {
    return std::string(" <Time Millis=\"1700000000045\">2023-11-14-22:13:20.045</Time>\n") +
           " <Component>qpc/core</Component>\n" +
           " <LogAttribs><KeyName><![CDATA[Message Number]]></KeyName> "
           "<Value><![CDATA[0x3665A09C]]></Value></LogAttribs>\n" +
           " <Source FileName=\"" + file + "\" Method=\"unknown\" Line=\"" +
           std::to_string(line) + "\"></Source>\n <Process>svctest</Process>\n <Thread>" +
           thread + "</Thread>\n";
}

TEST_F(RecordFormat, XmlMessageWithParameters) {
    message(ZEL_SVC_SEV_ERROR, kSystemCall);
    ctx_.header.xml = 1;
    direct(' ', "open", 2);
    std::string expected =
        "<Message Id=\"KVXSC0156E\" Severity=\"ERROR\">\n" +
        xml_common(thread_, "zel_file.cc", 231) +
        " <TranslationInfo Type=\"XPG4\" Catalog=\"vrqpc.cat\" SetId=\"1\" "
        "MsgKey=\"3665a09c\">\n"
        "  <Param><![CDATA[open]]></Param>\n  <Param><![CDATA[2]]></Param>\n"
        " </TranslationInfo>\n <LogText><![CDATA["
        "KVXSC0156E   The open system routine failed: system error code: 2"
        " ]]></LogText>\n</Message>\n\n";
    EXPECT_EQ(expected, contents());
    context(' ', 0, "open", 2);
    EXPECT_EQ(expected, contents());
}

TEST_F(RecordFormat, XmlTraceLevelWords) {
    const struct { unsigned32 level; const char *word; } cases[] = {
        {3, "\"MIN\""}, {5, "\"MID\""}, {9, "\"MAX\""}};
    for (const auto &c : cases) {
        trace(c.level, "t %d");
        ctx_.header.xml = 1;
        direct(' ', 1);
        std::string expected =
            std::string("<Trace Level=") + c.word + ">\n" +
            " <Time Millis=\"1700000000045\">2023-11-14-22:13:20.045</Time>\n"
            " <Component>qpc/admin</Component>\n"
            " <Source FileName=\"?\" Method=\"unknown\" Line=\"0\"></Source>\n"
            " <Process>svctest</Process>\n <Thread>" + thread_ + "</Thread>\n"
            " <LogAttribs><KeyName><![CDATA[Numeric Trace Level]]></KeyName> <Value><![CDATA[" +
            std::to_string(c.level) + "]]></Value></LogAttribs>\n"
            " <LogText><![CDATA[t 1 ]]></LogText>\n</Trace>\n\n";
        EXPECT_EQ(expected, contents()) << c.level;
    }
}

TEST_F(RecordFormat, ParameterLinesFollowTheConversions) {
    const std::string failure = "  <Param><![CDATA[(Failed to handle a data type in svcprintf, "
                                "printPrefix())]]></Param>\n";
    EXPECT_EQ("  <Param><![CDATA[ 3.25]]></Param>\n" + failure,
              params("KVXSC0000W value %5.2f%%", 3.25));
    EXPECT_EQ("  <Param><![CDATA[1234567.875000]]></Param>\n", params("%f", 1234567.891));
    EXPECT_EQ("  <Param><![CDATA[-7]]></Param>\n  <Param><![CDATA[ff]]></Param>\n"
              "  <Param><![CDATA[5l]]></Param>\n  <Param><![CDATA[A]]></Param>\n",
              params("%ld %lx %ul %c", -7L, 255UL, 5u, 0x141));
    // Unknown conversions take no argument: the next one still gets its own.
    EXPECT_EQ(failure + "  <Param><![CDATA[x]]></Param>\n", params("%i %s", "x"));
    // A "*" width is taken from the list before the value.
    EXPECT_EQ("  <Param><![CDATA[   ab]]></Param>\n  <Param><![CDATA[9]]></Param>\n",
              params("%*s %d", 5, "ab", 9));
    EXPECT_EQ(failure, params("ends in %"));
    EXPECT_EQ("", params("no conversions"));
}

TEST_F(RecordFormat, XmlCatalogAndSeverityFromTheText) {
    // A code of technology "dce" names a "vrb" catalog; a short text is INFO.
    message(ZEL_SVC_SEV_ERROR, 0x106521FA);
    std::free(ctx_.header.format);
    ctx_.header.format = strdup("short");
    ctx_.header.xml = 1;
    direct(' ');
    std::string out = contents();
    EXPECT_NE(std::string::npos, out.find("<Message Id=\"short\" Severity=\"INFO\">\n")) << out;
    EXPECT_NE(std::string::npos, out.find("Catalog=\"vrbbas.cat\" SetId=\"1\" MsgKey=\"106521fa\""))
        << out;
}

TEST(RecordHeader, ProcessIdWhenNoProgramName) {
    // The program name is set at most once per process: look in a child.
    EXPECT_EQ(0, zeltest::run_in_child([] {
                  zel_svc_msgctx ctx;
                  unsigned32 st;
                  zel_svc_init(0, &st);
                  zel_svc_g_progname[0] = '\0';  // as in a program that never set it
                  zel::_build_prolog(&ctx, zelmox_client_svc_handle, 0, nullptr, "x", 1, "", 0,
                                     0x20, 0x3665A097);
                  std::string expected = "PID#" + std::to_string(getpid());
                  _exit(expected == ctx.header.procname && ctx.header.built == 1 &&
                                std::string("x") == ctx.header.file
                            ? 0
                            : 1);
              }));
}

}  // namespace
