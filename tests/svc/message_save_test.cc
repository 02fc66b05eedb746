// Per-thread message save: what is kept back, what a print writes again, and
// what the end of a thread frees.
#include <malloc.h>

#include "svc_test_util.h"

namespace {

using namespace zeltest;

class Save : public ::testing::Test {
protected:
    void SetUp() override {
        start_svctest();
        for (const char *severity : {"FATAL", "ERROR", "WARNING", "NOTICE", "NOTICE_VERBOSE"})
            set_routes(std::string(severity) + ":FILE:" + log_);
    }
    void TearDown() override { zel_svc_msgsave_stop(1); }
    size_t lines() { return lines_of(log_).size(); }
    TempDir dir_;
    std::string log_ = dir_.file("a.log");
};

TEST_F(Save, KeptBackThenPrintedWithItsOwnHeaderAsOftenAsAsked) {
    ASSERT_EQ(0u, zel_svc_msgsave_start(0, 0, 0));
    routine_error(ZEL_SVC_SEV_ERROR, "kept", 1);
    EXPECT_EQ(0u, lines());
    usleep(20000);  // a header made at print time would show a later time
    zel_svc_msgsave_print(-1);
    zel_svc_msgsave_stop(0);  // saving ends, the saved message stays
    zel_svc_msgsave_print(-1);
    routine_error(ZEL_SVC_SEV_ERROR, "live", 2);
    std::vector<std::string> got = lines_of(log_);
    ASSERT_EQ(3u, got.size()) << read_file(log_);
    EXPECT_EQ(got[0], got[1]);
    EXPECT_TRUE(has(got[0], " ERROR qpc core t.cc 9 0x") && has(got[0], "The kept system")) << got[0];
    EXPECT_NE(got[0].substr(0, 23), got[2].substr(0, 23)) << "the live message is 20 ms later";
    zel_svc_msgsave_stop(1);
    zel_svc_msgsave_print(-1);
    EXPECT_EQ(3u, lines());
}

// Which severities a mask selects, and what mode 1 adds.
TEST_F(Save, MasksAndModes) {
    const struct {
        unsigned32 mask, mode, severity;
        size_t now, printed;
    } rows[] = {{0x04, 0, ZEL_SVC_SEV_WARNING, 0, 1},
                {0x04, 0, ZEL_SVC_SEV_ERROR, 1, 0},
                {0x08, 0, ZEL_SVC_SEV_NOTICE, 0, 1},
                {0x08, 0, ZEL_SVC_SEV_NOTICE_VERBOSE, 0, 1},
                {0x02, 0, ZEL_SVC_SEV_ERROR, 0, 1},
                {0x02, 0, ZEL_SVC_SEV_NOTICE_VERBOSE, 0, 1},
                {0x01, 0, ZEL_SVC_SEV_NOTICE_VERBOSE, 1, 0},
                {0x10, 0, ZEL_SVC_SEV_FATAL, 1, 0},
                {0, 0, ZEL_SVC_SEV_FATAL, 0, 1},
                {0, 1, ZEL_SVC_SEV_ERROR, 1, 1}};
    for (const auto &row : rows) {
        zel_svc_msgsave_clear(-1);
        ASSERT_EQ(0u, zel_svc_msgsave_start(row.mask, row.mode, 0));
        size_t before = lines();
        routine_error(row.severity, "x", 1);
        size_t now = lines() - before;
        zel_svc_msgsave_print(-1);
        EXPECT_EQ(row.now, now) << std::hex << row.mask << " " << row.mode << " " << row.severity;
        EXPECT_EQ(row.printed, lines() - before - now) << std::hex << row.mask << " " << row.severity;
    }
}

TEST_F(Save, BadArgumentsAndOtherWhichValuesChangeNothing) {
    auto refused = [] {
        const struct {
            unsigned32 mask, mode;
            int reserved;
        } bad[] = {{0, 2, 0}, {0, 0, 1}, {32, 0, 0}};
        for (const auto &b : bad)
            EXPECT_EQ(ZEL_S_SVC_SAVE_BAD_ARGUMENTS, zel_svc_msgsave_start(b.mask, b.mode, b.reserved));
    };
    refused();
    routine_error(ZEL_SVC_SEV_ERROR, "x", 1);
    EXPECT_EQ(1u, lines()) << "no save was started";
    ASSERT_EQ(0u, zel_svc_msgsave_start(0, 0, 0));
    refused();
    routine_error(ZEL_SVC_SEV_ERROR, "x", 2);
    zel_svc_msgsave_print(0);
    zel_svc_msgsave_clear(5);
    EXPECT_EQ(1u, lines());
    zel_svc_msgsave_print(-1);
    EXPECT_EQ(2u, lines());
}

// Traces, and messages with a debug level or without routing, are written
// as usual and never saved; a kept-back abort does not abort, then or later.
TEST_F(Save, NeverSavedAndNoAbort) {
    set_trace_routes("qpc:*.9:FILE:" + log_);
    ASSERT_EQ(0u, zel_svc_msgsave_start(0, 0, 0));
    zel_svc__debug(zelmox_client_svc_handle, 0, 1, "a trace");
    routine_error(ZEL_SVC_SEV_ERROR | 1, "levelled", 1);
    testing::internal::CaptureStderr();
    routine_error(ZEL_SVC_SEV_ERROR | ZEL_SVC_ATTR_NO_ROUTING | ZEL_SVC_ATTR_ALSO_STDERR, "unrouted", 2);
    EXPECT_EQ(2u, lines());
    routine_error(ZEL_SVC_SEV_FATAL | ZEL_SVC_ATTR_ABORT, "aborting", 3);
    EXPECT_EQ(2u, lines());
    zel_svc_msgsave_print(-1);
    EXPECT_TRUE(has(testing::internal::GetCapturedStderr(), "The unrouted system"));
    std::vector<std::string> got = lines_of(log_);
    ASSERT_EQ(3u, got.size()) << read_file(log_);
    EXPECT_TRUE(has(got[2], "The aborting system")) << got[2];
}

// An assertion whose record the save keeps back still ends the process.
TEST_F(Save, AssertionKeptBackStillAborts) {
    EXPECT_EXIT(({
                    zel_svc_msgsave_start(0, 0, 0);
                    zel___assert(nullptr, "x", "f", 1);
                }),
                testing::KilledBySignal(SIGABRT), "^(qemu: .*)?$");
    EXPECT_EQ("", read_file(log_));
}

int forget_text(zel_svc_prolog *header, va_list) {
    std::free(header->format);  // as when the text could not be allocated
    header->format = nullptr;
    return 1;
}

// Mode 1 writes a message live and saves it: every print of it is the same
// record, byte for byte, on every kind of file, for both code-set roads and
// for a message without text.
TEST(SaveReplay, PrintsRepeatTheLiveRecords) {
    start_svctest();
    TempDir dir;
    set_routes("ERROR:FILE:" + dir.file("f") + ";UTF8FILE:" + dir.file("u") + ";XMLFILE:" + dir.file("x"));
    static zel_svc_subcomp table[] = {{"one", "first", 0, 0}, {nullptr, nullptr, 0, 0}};
    unsigned32 st;
    zel_svc_handle *textless = zel_svc_register(table, "sve", &st);
    ASSERT_NE(nullptr, textless);
    textless->filter = forget_text;
    ASSERT_EQ(0u, zel_svc_msgsave_start(0, 1, 0));
    routine_error(ZEL_SVC_SEV_ERROR, "open", 2);
    zel_svc_printf_cs_withfile(zelmox_client_svc_handle, 1, "c.cc", 5, "%s%d", 0, ZEL_SVC_SEV_ERROR,
                               ZEL_S_SYSTEM_ROUTINE_ERROR, "utf8", 3);
    routine_error(ZEL_SVC_SEV_ERROR, "textless", 4, textless);
    std::string live[3];
    for (int i = 0; i < 3; ++i) live[i] = read_file(dir.file(std::string(1, "fux"[i])));
    zel_svc_msgsave_print(-1);
    zel_svc_msgsave_print(-1);  // the second print takes the kept conversions
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(live[i] + live[i] + live[i], read_file(dir.file(std::string(1, "fux"[i])))) << live[i];
    for (const char *part : {"<Message Id=\"KVXSC0156E\" Severity=\"ERROR\">", "<Param><![CDATA[open]]></Param>",
                             "<Param><![CDATA[2]]></Param>", "<Param><![CDATA[utf8]]></Param>",
                             "<Message Id=\"\" Severity=\"INFO\">", "<![CDATA[Unknown message 0x3665a09c ]]>"})
        EXPECT_TRUE(has(live[2], part)) << part << "\n" << live[2];
    zel_svc_msgsave_stop(1);
}

// A thread that saves and ends without printing frees what it saved.
TEST(SaveThreads, ThreadEndFreesItsSave) {
    start_svctest();
    set_routes("ERROR:DISCARD:");
    auto one_thread = [] {
        std::thread([] {
            zel_svc_msgsave_start(0, 0, 0);
            for (int i = 0; i < 3; ++i) routine_error(ZEL_SVC_SEV_ERROR, "x", i);
        }).join();
    };
    for (int i = 0; i < 10; ++i) one_thread();
    size_t before = mallinfo2().uordblks;
    for (int i = 0; i < 1000; ++i) one_thread();
    size_t after = mallinfo2().uordblks;
    EXPECT_LT(after, before + 32 * 1024) << before << " -> " << after;
}

}  // namespace
