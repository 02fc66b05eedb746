// Records of messages whose catalog texts do not read the arguments the
// call passes: the compiled text stands in, in both code-set roads.
#include <zel/svc_internal.h>

#include <csignal>

#include <sys/resource.h>

#include "support/test_support.h"

namespace {

using namespace zeltest;

constexpr unsigned32 kNoRow = 0x3665A0C8;  // qpc 200: no compiled text
const std::string kCompiled = "KVXSC0156E   The open system routine failed: system error code: 12";

std::string catalog_of(const std::vector<std::pair<int, std::string>> &texts) {
    std::string source = "$set 1\n$quote \"\n";
    for (const auto &t : texts) source += std::to_string(t.first) + " \"" + t.second + "\"\n";
    return source;
}

// The text part of each line of a FILE log (what follows the source line),
// cut short so that a runaway record cannot flood the test's output.
std::vector<std::string> record_texts(const std::string &path) {
    std::vector<std::string> texts;
    for (const std::string &line : lines_of(path)) {
        size_t at = line.find(" 0x", line.find(" t.cc 9 "));
        texts.push_back((at == std::string::npos ? line : line.substr(line.find(' ', at + 1) + 1)).substr(0, 200));
    }
    return texts;
}

// Starts the services in a child with the catalogs of `dir` and routes
// ERROR records to dir/r.log (and an XML log, which reads the arguments too).
void start_with_catalogs(const std::string &dir) {
    // A text that reads what was never passed may print gigabytes or hang:
    // that ends the child, and so fails the test, instead.
    alarm(30);
    struct rlimit size = {1 << 20, 1 << 20};
    setrlimit(RLIMIT_FSIZE, &size);
    signal(SIGXFSZ, SIG_IGN);
    setenv("NLSPATH", (dir + "/%N").c_str(), 1);
    unsetenv("ZEL_CATALOG_DIR");
    zelmsg_init("cattest", 0);
    unsigned32 st;
    zel_svc_routing(("ERROR:FILE:" + dir + "/r.log;XMLFILE:" + dir + "/r.xml").c_str(), &st);
    if (st != 0) _exit(3);
}

TEST(CatalogRecords, TranslationIsUsedOnlyWhereItReadsTheCallsArguments) {
    const std::pair<std::string, std::string> cases[] = {
        // (Which formats agree is the signature test's; here, that both roads obey it.)
        {"%s %s %s %s %s %s %s %s %s %s", kCompiled},
        {"KVXSC0156E   %s%n %d", kCompiled},
        {"KVXSC0156E   Fehler %d in %s", kCompiled},
        {"KVXSC0156E   %s: %ld", kCompiled},
        {"KVXSC0156E   Fehler %2$d in %1$s", "KVXSC0156E   Fehler 12 in open"},
        {"KVXSC0156E   %s: 0x%x", "KVXSC0156E   open: 0xc"},
        {"KVXSC0156E   Systemroutine %s: Fehler %d", "KVXSC0156E   Systemroutine open: Fehler 12"},
        // Agrees, but asks for a gigabyte: every field, parameter lines too, is held to 4096.
        {"KVXSC0156E   %999999999s %d", "KVXSC0156E   " + std::string(187, ' ')},
    };
    std::vector<TempDir> dirs(std::size(cases));
    for (size_t i = 0; i < dirs.size(); ++i)
        compile_catalog(dirs[i].file("vrqpc.cat"), catalog_of({{156, cases[i].first}}));
    expect_clean_exits(fork_children(static_cast<int>(dirs.size()), [&](int i) {
        start_with_catalogs(dirs[i].path());
        for (int cs : {0, 1})
            for (const char *argtypes : {"%s%d", ""})
                zel_svc_printf_cs_withfile(zelmox_client_svc_handle, cs, "src/t.cc", 9, argtypes, 0, ZEL_SVC_SEV_ERROR,
                                           ZEL_S_SYSTEM_ROUTINE_ERROR, "open", 12);
    }));
    for (size_t i = 0; i < dirs.size(); ++i) {
        std::vector<std::string> want(4, cases[i].second);
        EXPECT_EQ(want, record_texts(dirs[i].file("r.log"))) << cases[i].first;
        std::string xml = read_file(dirs[i].file("r.xml"));
        size_t records = 0;
        for (size_t at = 0; (at = xml.find("</Message>", at)) != std::string::npos; ++at) ++records;
        EXPECT_EQ(4u, records) << xml.substr(0, 300);
    }
}

// Without a compiled text, the argument-type string is all there is to go
// by; with neither, only a translation without conversions is taken.
TEST(CatalogRecords, MessageWithoutCompiledText) {
    TempDir dir;
    compile_catalog(dir.file("vrqpc.cat"), catalog_of({{200, "Wert %d"}, {201, "ohne Argumente"}}));
    expect_clean_exits(fork_children(1, [&](int) {
        start_with_catalogs(dir.path());
        for (const char *argtypes : {"%d", "", "%s"})
            zel_svc_printf_withfile(zelmox_client_svc_handle, "src/t.cc", 9, argtypes, 0, ZEL_SVC_SEV_ERROR, kNoRow, 7);
        zel_svc_printf_withfile(zelmox_client_svc_handle, "src/t.cc", 9, "", 0, ZEL_SVC_SEV_ERROR, kNoRow + 1);
    }));
    std::vector<std::string> want = {"Wert 7", "Unknown message number 0x3665a0c8", "Unknown message number 0x3665a0c8",
                                     "ohne Argumente"};
    EXPECT_EQ(want, record_texts(dir.file("r.log")));
}

// A thread's records take the text of a message from its memo after the
// first; each change that can change the text shows in the very next record.
TEST(CatalogRecords, NextRecordFollowsNlspathCatalogsTablesAndDebugSetting) {
    TempDir none, dir;
    compile_catalog(dir.file("vrqpc.cat"), catalog_of({{156, "KVXSC0156E   Zwei %s %d"}}));
    const zel_msg_row row = {kNoRow, "Neu %s %d"};
    expect_clean_exits(fork_children(1, [&](int) {
        start_with_catalogs(none.path());
        auto record = [](unsigned32 code) {
            zel_svc_printf_withfile(zelmox_client_svc_handle, "src/t.cc", 9, "%s%d", 0, ZEL_SVC_SEV_ERROR, code, "open",
                                    12);
        };
        record(ZEL_S_SYSTEM_ROUTINE_ERROR);  // no catalog on the path: the compiled text
        setenv("NLSPATH", (dir.path() + "/%N").c_str(), 1);
        record(ZEL_S_SYSTEM_ROUTINE_ERROR);
        // The catalog changes on disk and is opened anew once the cache let it go.
        compile_catalog(dir.file("vrqpc.cat"), catalog_of({{156, "KVXSC0156E   Drei %s %d"}}));
        for (unsigned32 k = 1; k <= 8; ++k) {
            unsigned32 other = ZEL_S_SYSTEM_ROUTINE_ERROR + (k << 12), st;
            char tech[4], comp[4];
            zel_msg__inq_tech(other, tech), zel_msg__inq_comp(other, comp);
            compile_catalog(dir.file(std::string(tech) + comp + ".cat"), catalog_of({{156, "x"}}));
            zel_msg_get_cat_msg(other, &st);
        }
        record(ZEL_S_SYSTEM_ROUTINE_ERROR);
        record(kNoRow);
        unsigned32 st;
        zel_msg_define_msg_table(&row, 1, &st);
        record(kNoRow);
        record(ZEL_S_SYSTEM_ROUTINE_ERROR);
        setenv("VRSVC_DEBUG_MSG", "1", 1);
        testing::internal::CaptureStderr();
        record(ZEL_S_SYSTEM_ROUTINE_ERROR);
        _exit(testing::internal::GetCapturedStderr().find("catopen(vrqpc.cat)") == std::string::npos);
    }));
    std::vector<std::string> want = {
        kCompiled,     "KVXSC0156E   Zwei open 12", "KVXSC0156E   Drei open 12", "Unknown message number 0x3665a0c8",
        "Neu open 12", "KVXSC0156E   Drei open 12", "KVXSC0156E   Drei open 12"};
    EXPECT_EQ(want, record_texts(none.file("r.log")));
}

TEST(CatalogRecords, RefusedTranslationIsReportedWhenAskedFor) {
    TempDir dir;
    compile_catalog(dir.file("vrqpc.cat"), catalog_of({{156, "KVXSC0156E   %d %s"}}));
    setenv("VRSVC_DEBUG_MSG", "1", 1);
    start_with_catalogs(dir.path());
    testing::internal::CaptureStderr();
    zel_svc_printf_withfile(zelmox_client_svc_handle, "src/t.cc", 9, "%s%d", 0, ZEL_SVC_SEV_ERROR,
                            ZEL_S_SYSTEM_ROUTINE_ERROR, "open", 12);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(std::string::npos,
              err.find("catalog text of message 0x3665a09c not used: it reads %d %s, the call passes %s %d\n"))
        << err;
    EXPECT_EQ(std::vector<std::string>{kCompiled}, record_texts(dir.file("r.log")));
}

}  // namespace
