// The system-log route against a private rsyslogd (priorities, tag and text, a
// restart, four processes) and a socket nobody reads; refused parameters.
#include <csignal>
#include <regex>

#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>

#include "svc/routes/syslog_route.h"
#include "svc_test_util.h"

namespace {

using namespace zeltest;

const char kRsyslogd[] = "/usr/sbin/rsyslogd";

// Polls until ready() or for about ten seconds; ready()'s last answer.
bool poll_until(const std::function<bool()> &ready) {
    for (int i = 0; i < 2000 && !ready(); ++i) usleep(5000);
    return ready();
}

// A foreground rsyslogd reading its own socket and writing each record as
// "PRI FACILITY.SEVERITY TAG MSG" to one file; stopped when it goes.
struct Rsyslogd {
    explicit Rsyslogd(const TempDir &dir) : dir_(dir) {
        write_file(dir.file("conf"), std::regex_replace(R"(global(workDirectory="@")
            module(load="imuxsock" SysSock.Use="off") input(type="imuxsock" Socket="@/sock" RateLimit.Interval="0")
            template(name="t" type="string" string="%pri% %syslogfacility-text%.%syslogseverity-text% %syslogtag%%msg%\n")
            *.*;syslog.none action(type="omfile" file="@/out" template="t"))",
                                                        std::regex("@"), dir.path()));
        start();
    }
    ~Rsyslogd() { stop(); }
    void start() {
        if ((pid_ = fork()) == 0) {
            execl(kRsyslogd, "rsyslogd", "-n", "-C", "-f", dir_.file("conf").c_str(), "-i", dir_.file("pid").c_str(),
                  nullptr);
            _exit(127);
        }
        struct stat st;
        ASSERT_TRUE(poll_until([&] { return stat(dir_.file("sock").c_str(), &st) == 0 && S_ISSOCK(st.st_mode); }));
    }
    void stop() {
        if (pid_ > 0 && kill(pid_, SIGTERM) == 0) waitpid(pid_, nullptr, 0);
        pid_ = 0;
        unlink(dir_.file("sock").c_str());  // gone, whether or not the daemon removes it
    }
    // The output's lines once there are n of them (or what is there after ten seconds).
    std::vector<std::string> lines(size_t n) const {
        poll_until([&] { return lines_of(dir_.file("out")).size() >= n; });
        return lines_of(dir_.file("out"));
    }
    const TempDir &dir_;
    pid_t pid_ = 0;
};

// Standard error of a child running body; the child fails when body does.
std::string checked_child(const std::function<void()> &body) {
    return stderr_of_child([&] {
        body();
        if (::testing::Test::HasFailure()) _exit(1);
    });
}

void trace(const char *text) { zel_svc__debug(zelmox_client_svc_handle, 0, 1, "%s", text); }

class SyslogRoute : public ::testing::Test {
protected:
    void SetUp() override {
        start_svctest();
        ASSERT_EQ(0u, status_of(zel_svc_add_syslog_route, "MYLOG"));
    }
    void route_to(const std::string &socket) {
        set_routes("*:MYLOG:LOCAL3," + socket);
        set_trace_routes("qpc:*.9:MYLOG:LOCAL3," + socket);
    }
    static std::string tag() { return "svctest[" + std::to_string(getpid()) + "]: "; }
    TempDir dir;
};

TEST_F(SyslogRoute, RecordsReachTheDaemonWithPriorityTagAndTextAcrossARestartAndFromFourProcessesAtOnce) {
    if (access(kRsyslogd, X_OK) != 0) GTEST_SKIP() << kRsyslogd << " is not installed";
    Rsyslogd daemon(dir);
    route_to(dir.file("sock"));
    const char *priorities[] = {"154 local3.crit",   "155 local3.err",  "156 local3.warning",
                                "157 local3.notice", "158 local3.info", "159 local3.debug"};
    std::vector<std::string> expected;
    for (unsigned32 attributes : {0x10u, 0x20u, 0x30u, 0x40u, 0x50u, 0x23u}) {  // the last with a debug level
        routine_error(attributes, "w", int(expected.size()));
        expected.push_back(
            priorities[expected.size()] + (" " + tag()) +
            "qpc core KVXSC0156E: The w system routine failed: system error code: " + std::to_string(expected.size()));
    }
    zel_svc__debug(zelmox_client_svc_handle, 1, 4, "trace %d\n", 7);
    expected.push_back("159 local3.debug " + tag() + "qpc admin: trace 7#012");
    ASSERT_EQ(expected, daemon.lines(7));
    daemon.stop();  // the route connects again to the new socket
    daemon.start();
    trace("after a restart");
    expected.push_back("159 local3.debug " + tag() + "qpc core: after a restart");
    ASSERT_EQ(expected, daemon.lines(8));
    // Each child keeps at most two records in the daemon's queue of ten
    // datagrams, since a full queue loses records by design.
    expect_clean_exits(fork_children(4, [&](int child) {
        std::string word = "c" + std::to_string(child);
        for (int i = 0; i < 50; ++i) {
            auto own = [&](const std::string &line) { return has(line, " " + word + " "); };
            auto room = [&] {  // fewer than two of this child's records not yet in the file
                std::vector<std::string> out = lines_of(dir.file("out"));
                return std::count_if(out.begin(), out.end(), own) + 2 > i;
            };
            if (!poll_until(room)) _exit(3);
            routine_error(ZEL_SVC_SEV_ERROR, word.c_str(), i);
        }
    }));
    std::regex shape(
        "155 local3.err svctest\\[\\d+\\]: qpc core KVXSC0156E: The c\\d system routine failed: "
        "system error code: \\d+");
    std::vector<std::string> lines = daemon.lines(208);
    EXPECT_EQ(208u, std::set<std::string>(lines.begin() + 8, lines.end()).size() + 8);
    for (auto line = lines.begin() + 8; line < lines.end(); ++line)
        EXPECT_TRUE(std::regex_match(*line, shape)) << *line;
    EXPECT_EQ(0u, status_of(zel_svc_remove_route, "MYLOG"));  // the routes' states go with it, or the leak check fails
}

TEST_F(SyslogRoute, AFullSocketLosesRecordsWithoutWaitingAndALongTextIsCutAfterAWholeCharacter) {
    sockaddr_un address = {AF_UNIX, {}};
    std::strcpy(address.sun_path, dir.file("sock").c_str());
    std::string err = checked_child([&] {
        int reader = socket(AF_UNIX, SOCK_DGRAM, 0);
        ASSERT_EQ(0, bind(reader, reinterpret_cast<sockaddr *>(&address), sizeof address));
        route_to(address.sun_path);
        auto received = [&] {
            std::vector<std::string> out;
            char buf[9000];
            for (ssize_t n; (n = recv(reader, buf, sizeof buf, MSG_DONTWAIT)) > 0;) out.emplace_back(buf, size_t(n));
            return out;
        };
        std::string long_text;
        for (int i = 0; i < 5000; ++i) long_text += "\xc3\xa9";
        zel_svc__debug_utf8(zelmox_client_svc_handle, 0, 1, "a\nb\x7f%s", long_text.c_str());
        for (int i = 0; i < 100; ++i) trace("fill");
        std::vector<std::string> got = received();
        ASSERT_LT(1u, got.size());
        size_t text = got[0].find(tag() + "qpc core: a#012b#177") + tag().size() + 20;
        EXPECT_EQ(0u, got[0].find("<159>"));
        EXPECT_TRUE(long_text.substr(0, (zel::kSyslogLineMax - text) & ~size_t{1}) == got[0].substr(text));
        std::string lost = std::to_string(101 - got.size());
        trace("after"), trace("after");  // the count follows the first only
        got = received();
        ASSERT_EQ(3u, got.size());
        EXPECT_TRUE(has(got[1], tag() + lost + " records could not be sent")) << got[1];
    });
    EXPECT_EQ("svctest: system log " + dir.file("sock") + ": Resource temporarily unavailable; records go nowhere\n",
              err);
}

TEST_F(SyslogRoute, ABadParameterIsRefusedAndSaidSoTheRouteStayingAtItsFallback) {
    std::string longest = "LOCAL3,/" + std::string(sizeof(sockaddr_un{}.sun_path) - 2, 'p');
    std::string err = checked_child([&] {
        for (std::string bad : {"", "LOCAL8", "local3", "KERN", "LOCAL3,", "LOCAL3,rel/sock"})
            EXPECT_EQ(ZEL_S_SVC_ROUTE_REFUSED, status_of(zel_svc_routing, ("ERROR:MYLOG:" + bad).c_str())) << bad;
        EXPECT_EQ(ZEL_S_SVC_ROUTE_REFUSED, status_of(zel_svc_routing, ("ERROR:MYLOG:" + longest + "p").c_str()));
        EXPECT_EQ(0u, status_of(zel_svc_routing, ("ERROR:MYLOG:" + longest).c_str()));
    });
    const std::string said =
        "svctest: system-log route MYLOG: the parameter is not FACILITY[,SOCKET]; records go to "
        "the route's fallback\n";
    EXPECT_EQ(said + said + said + said + said + said + said, err);
}

}  // namespace
