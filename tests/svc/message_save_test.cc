// Per-thread message save: what is kept back, what a print writes again, what the end of a thread frees.
#include <malloc.h>

#include "svc_test_util.h"

namespace {

using namespace zeltest;

class Save : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(0u, zel_svc_msgsave_start(0, 0, 0));  // first: it sets the core up; every case saves
        start_svctest();
        for (const char *severity : {"FATAL", "ERROR", "WARNING", "NOTICE", "NOTICE_VERBOSE"})
            set_routes(std::string(severity) + ":FILE:" + log_);
    }
    size_t lines() { return lines_of(log_).size(); }
    TempDir dir_;
    std::string log_ = dir_.file("a.log");
};

// Which severities a mask selects, what mode 1 adds, and refused starts, which leave the save as it was.
TEST_F(Save, MasksModesAndBadArguments) {
    const unsigned32 B = ZEL_S_SVC_SAVE_BAD_ARGUMENTS, F = 0x10, E = 0x20, W = 0x30, N = 0x40, V = 0x50;
    // mask, mode, reserved, status, severity, records written at once, by the print
    const unsigned32 rows[][7] = {{0, 2, 0, B, E, 0, 1},    {0, 0, 1, B, E, 0, 1},    {32, 0, 0, B, E, 0, 1},
                                  {0x04, 0, 0, 0, W, 0, 1}, {0x04, 0, 0, 0, E, 1, 0}, {0x08, 0, 0, 0, N, 0, 1},
                                  {0x08, 0, 0, 0, V, 0, 1}, {0x01, 0, 0, 0, V, 1, 0}, {0x02, 0, 0, 0, V, 0, 1},
                                  {0x02, 2, 0, B, E, 0, 1}, {0, 0, 0, 0, F, 0, 1},    {0, 1, 0, 0, E, 1, 1}};
    for (const auto &r : rows) {
        zel_svc_msgsave_clear(-1);
        EXPECT_EQ(r[3], zel_svc_msgsave_start(r[0], r[1], static_cast<int>(r[2])));
        size_t before = lines();
        routine_error(r[4], "x", 1);
        size_t now = lines() - before;
        zel_svc_msgsave_print(-1);
        EXPECT_EQ(std::make_pair(size_t{r[5]}, size_t{r[6]}), std::make_pair(now, lines() - before - now)) << r[0];
    }
}

// Traces, messages with a debug level or without routing are never saved; a kept-back abort does not abort, then or
// when printed, but an assertion kept back does; other "which" values do nothing; stop(1) discards.
TEST_F(Save, NeverSavedAbortsAndStops) {
    set_trace_routes("qpc:*.9:FILE:" + log_);
    zel_svc__debug(zelmox_client_svc_handle, 0, 1, "a trace");
    routine_error(ZEL_SVC_SEV_ERROR | 1, "levelled", 1);
    EXPECT_EXIT(zel___assert(nullptr, "x", "f", 1), testing::KilledBySignal(SIGABRT), "^(qemu: .*)?$");
    routine_error(ZEL_SVC_SEV_ERROR | ZEL_SVC_ATTR_NO_ROUTING, "unrouted", 2);
    routine_error(ZEL_SVC_SEV_FATAL | ZEL_SVC_ATTR_ABORT, "aborting", 3);
    zel_svc_msgsave_print(0);
    zel_svc_msgsave_clear(5);
    zel_svc_msgsave_stop(0);
    zel_svc_msgsave_print(-1);
    zel_svc_msgsave_stop(1);
    zel_svc_msgsave_print(-1);
    EXPECT_TRUE(lines() == 3 && has(read_file(log_), "The aborting system")) << read_file(log_);
}

// A message written live and saved (mode 1) is printed again byte for byte, twice, on every kind of file: on both
// code-set roads and without its text.
TEST_F(Save, PrintsRepeatTheLiveRecords) {
    set_routes("ERROR:FILE:" + dir_.file("f") + ";UTF8FILE:" + dir_.file("u") + ";XMLFILE:" + dir_.file("x"));
    ASSERT_EQ(0u, zel_svc_msgsave_start(0, 1, 0));
    routine_error(ZEL_SVC_SEV_ERROR, "open", 2);
    zel_svc_printf_cs_withfile(zelmox_client_svc_handle, 1, "c.cc", 5, "%s%d", 0, ZEL_SVC_SEV_ERROR,
                               ZEL_S_SYSTEM_ROUTINE_ERROR, "utf8", 3);
    zelmox_client_svc_handle->filter = [](zel_svc_prolog *header, va_list) {
        std::free(header->format);  // as when the text could not be allocated
        header->format = nullptr;
        return 1;
    };
    routine_error(ZEL_SVC_SEV_ERROR, "textless", 4);
    std::string live[3] = {read_file(dir_.file("f")), read_file(dir_.file("u")), read_file(dir_.file("x"))};
    zel_svc_msgsave_print(-1);
    zel_svc_msgsave_print(-1);  // the second from the conversions the first kept
    for (int i = 0; i < 3; ++i) EXPECT_EQ(live[i] + live[i] + live[i], read_file(dir_.file(std::string(1, "fux"[i]))));
    for (const char *part : {"<Message Id=\"KVXSC0156E\" Severity=\"ERROR\">", "<Param><![CDATA[open]]></Param>",
                             "<Param><![CDATA[2]]></Param>", "<![CDATA[Unknown message 0x3665a09c ]]>"})
        EXPECT_TRUE(has(live[2], part)) << part << "\n" << live[2];
}

// A thread that saves and ends without printing frees what it saved.
TEST_F(Save, ThreadEndFreesItsSave) {
    size_t before = mallinfo2().uordblks;
    for (int i = 0; i < 1000; ++i)
        std::thread([] {
            zel_svc_msgsave_start(0, 0, 0);
            for (int k = 0; k < 3; ++k) routine_error(ZEL_SVC_SEV_ERROR, "x", k);
        }).join();
    EXPECT_LT(mallinfo2().uordblks, before + 32 * 1024) << before;
}

}  // namespace
