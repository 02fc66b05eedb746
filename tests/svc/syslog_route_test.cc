// The system-log route against a private rsyslogd and against a socket that
// nobody reads: priorities, tag and text, several processes, a restarted
// daemon, a full socket, and parameters that are refused.
#include <chrono>
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

// Polls until ready() or ten seconds have passed; ready()'s last answer.
bool poll_until(const std::function<bool()> &ready) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!ready() && std::chrono::steady_clock::now() < deadline) usleep(5000);
    return ready();
}

// A foreground rsyslogd reading its own socket and writing each record as
// "PRI FACILITY.SEVERITY TAG MSG" to one file; stopped when it goes.
class Rsyslogd {
public:
    explicit Rsyslogd(const TempDir &dir) : dir_(dir) {
        write_file(dir.file("conf"), "global(workDirectory=\"" + dir.path() +
                                         "\")\nmodule(load=\"imuxsock\" SysSock.Use=\"off\")\n"
                                         "input(type=\"imuxsock\" Socket=\"" +
                                         socket() +
                                         "\" RateLimit.Interval=\"0\")\ntemplate(name=\"t\" type=\"string\" "
                                         "string=\"%pri% %syslogfacility-text%.%syslogseverity-text% "
                                         "%syslogtag%%msg%\\n\")\n*.*;syslog.none action(type=\"omfile\" file=\"" +
                                         out() + "\" template=\"t\")\n");
        start();
    }
    ~Rsyslogd() { stop(); }
    void start() {
        std::string conf = dir_.file("conf"), pidfile = dir_.file("pid");
        if ((pid_ = fork()) == 0) {
            execl(kRsyslogd, "rsyslogd", "-n", "-C", "-f", conf.c_str(), "-i", pidfile.c_str(), nullptr);
            _exit(127);
        }
        struct stat st;
        ASSERT_TRUE(poll_until([&] { return stat(socket().c_str(), &st) == 0 && S_ISSOCK(st.st_mode); }));
    }
    void stop() {
        if (pid_ > 0 && kill(pid_, SIGTERM) == 0) waitpid(pid_, nullptr, 0);
        pid_ = 0;
        unlink(socket().c_str());  // gone, whether or not the daemon removes it
    }
    std::string socket() const { return dir_.file("sock"); }
    std::string out() const { return dir_.file("out"); }
    // The output's lines once there are n of them (or what is there after ten seconds).
    std::vector<std::string> lines(size_t n) const {
        poll_until([&] { return lines_of(out()).size() >= n; });
        return lines_of(out());
    }

private:
    const TempDir &dir_;
    pid_t pid_ = 0;
};

class SyslogRoute : public ::testing::Test {
protected:
    void SetUp() override {
        start_svctest();
        unsigned32 st = 1;
        zel_svc_add_syslog_route("MYLOG", &st);
        ASSERT_EQ(0u, st);
    }
    void route_to(const std::string &socket) {
        set_routes("*:MYLOG:LOCAL3," + socket);
        set_trace_routes("qpc:*.9:MYLOG:LOCAL3," + socket);
    }
    std::string pid = std::to_string(getpid());
    TempDir dir;
};

#define NEED_RSYSLOGD() \
    if (access(kRsyslogd, X_OK) != 0) GTEST_SKIP() << kRsyslogd << " is not installed"

TEST_F(SyslogRoute, EachSeverityAndTraceReachesTheDaemonWithItsPriorityTagAndText) {
    NEED_RSYSLOGD();
    Rsyslogd daemon(dir);
    route_to(daemon.socket());
    const struct {
        unsigned32 attributes;
        const char *priority;
    } cases[] = {{ZEL_SVC_SEV_FATAL, "154 local3.crit"},          {ZEL_SVC_SEV_ERROR, "155 local3.err"},
                 {ZEL_SVC_SEV_WARNING, "156 local3.warning"},     {ZEL_SVC_SEV_NOTICE, "157 local3.notice"},
                 {ZEL_SVC_SEV_NOTICE_VERBOSE, "158 local3.info"}, {ZEL_SVC_SEV_ERROR | 3, "159 local3.debug"}};
    std::vector<std::string> expected;
    for (const auto &c : cases) {
        routine_error(c.attributes, "w", int(expected.size()));
        expected.push_back(std::string(c.priority) + " svctest[" + pid +
                           "]: qpc core KVXSC0156E: The w system routine failed: system error code: " +
                           std::to_string(expected.size()));
    }
    zel_svc__debug(zelmox_client_svc_handle, 1, 4, "trace %d", 7);
    expected.push_back("159 local3.debug svctest[" + pid + "]: qpc admin: trace 7");
    EXPECT_EQ(expected, daemon.lines(expected.size()));
}

TEST_F(SyslogRoute, FourProcessesAtOnceLoseAndTearNoRecord) {
    NEED_RSYSLOGD();
    Rsyslogd daemon(dir);
    route_to(daemon.socket());
    // A child keeps at most two records in the daemon's socket queue (ten
    // datagrams), since a full queue loses records by design.
    auto own_lines = [&](int child) {
        size_t n = 0;
        for (const std::string &line : lines_of(daemon.out())) n += has(line, " c" + std::to_string(child) + " ");
        return n;
    };
    expect_clean_exits(fork_children(4, [&](int child) {
        for (int i = 0; i < 50; ++i) {
            if (!poll_until([&] { return own_lines(child) + 2 > size_t(i); })) _exit(3);
            routine_error(ZEL_SVC_SEV_ERROR, ("c" + std::to_string(child)).c_str(), i);
        }
    }));
    std::regex shape(
        "155 local3.err svctest\\[(\\d+)\\]: qpc core KVXSC0156E: The (c\\d) system routine failed: "
        "system error code: (\\d+)");
    std::set<std::string> seen;
    std::smatch m;
    for (const std::string &line : daemon.lines(200)) {
        EXPECT_TRUE(std::regex_match(line, m, shape)) << line;
        if (!m.empty()) seen.insert(m[1].str() + m[2].str() + "." + m[3].str());
    }
    EXPECT_EQ(200u, seen.size());
}

// Standard error of this process while body runs.
std::string stderr_during(const TempDir &dir, const std::function<void()> &body) {
    int saved = dup(2), file = open(dir.file("stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(file, 2);
    body();
    dup2(saved, 2);
    close(saved);
    close(file);
    return read_file(dir.file("stderr"));
}

TEST_F(SyslogRoute, ARestartedDaemonIsReconnectedAndRecordsLostMeanwhileAreToldAndCounted) {
    NEED_RSYSLOGD();
    Rsyslogd daemon(dir);
    route_to(daemon.socket());
    for (const char *text : {"before", "after a restart"}) {
        zel_svc__debug(zelmox_client_svc_handle, 0, 1, text);
        daemon.lines(text[0] == 'b' ? 1 : 2);  // a stopping daemon drops what it has not read
        daemon.stop();
        daemon.start();
    }
    daemon.stop();
    std::string err = stderr_during(dir, [] {
        for (const char *text : {"lost", "lost"}) zel_svc__debug(zelmox_client_svc_handle, 0, 1, text);
    });
    EXPECT_EQ("svctest: system log " + daemon.socket() + ": No such file or directory; records go nowhere\n", err);
    daemon.start();
    zel_svc__debug(zelmox_client_svc_handle, 0, 1, "back");
    std::string tag = "svctest[" + pid + "]: ";
    std::vector<std::string> expected = {
        "159 local3.debug " + tag + "qpc core: before", "159 local3.debug " + tag + "qpc core: after a restart",
        "159 local3.debug " + tag + "qpc core: back",
        "156 local3.warning " + tag + "2 records could not be sent to the system log: No such file or directory"};
    EXPECT_EQ(expected, daemon.lines(4));
}

TEST_F(SyslogRoute, AFullSocketLosesRecordsWithoutWaitingAndLinesAreSafeAndWhole) {
    std::string path = dir.file("sock");
    int reader = socket(AF_UNIX, SOCK_DGRAM, 0);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, path.c_str());
    ASSERT_EQ(0, bind(reader, reinterpret_cast<sockaddr *>(&address), sizeof address));
    route_to(path);
    auto received = [&] {
        std::vector<std::string> out;
        char buf[9000];
        for (ssize_t n; (n = recv(reader, buf, sizeof buf, MSG_DONTWAIT)) > 0;) out.emplace_back(buf, size_t(n));
        return out;
    };
    std::string long_text(10000, 'x');
    for (size_t i = 0; i < long_text.size(); i += 2) long_text.replace(i, 2, "\xc3\xa9");
    std::string err = stderr_during(dir, [&] {
        zel_svc__debug_utf8(zelmox_client_svc_handle, 0, 1, "a\nb\x7f%s", long_text.c_str());
        for (int i = 0; i < 100; ++i) zel_svc__debug(zelmox_client_svc_handle, 0, 1, "fill");
    });
    EXPECT_EQ("svctest: system log " + path + ": Resource temporarily unavailable; records go nowhere\n", err);
    std::vector<std::string> got = received();
    ASSERT_LT(1u, got.size());
    // Control characters escaped; cut at the line's bound after a whole character.
    const std::string &first = got[0];
    EXPECT_EQ(0u, first.find("<159>")) << first.substr(0, 80);
    EXPECT_TRUE(has(first, " svctest[" + pid + "]: qpc core: a#012b#177\xc3\xa9")) << first.substr(0, 80);
    EXPECT_GE(zel::kSyslogLineMax, first.size());
    EXPECT_LE(zel::kSyslogLineMax - 1, first.size());
    EXPECT_EQ("\xc3\xa9", first.substr(first.size() - 2));
    std::string lost = std::to_string(101 - got.size());
    zel_svc__debug(zelmox_client_svc_handle, 0, 1, "after");
    got = received();
    ASSERT_EQ(2u, got.size());
    EXPECT_TRUE(has(got[1], ": " + lost + " records could not be sent")) << got[1];
    unsigned32 st = 1;
    zel_svc_remove_route("MYLOG", &st);
    EXPECT_EQ(0u, st);
    close(reader);
}

TEST_F(SyslogRoute, ABadParameterLeavesTheRouteAtItsFallback) {
    std::string longest = "/" + std::string(sizeof(sockaddr_un{}.sun_path) - 2, 'p');
    const struct {
        std::string parameter;
        unsigned32 status;
    } cases[] = {{"", ZEL_S_SVC_ROUTE_REFUSED},
                 {"LOCAL8", ZEL_S_SVC_ROUTE_REFUSED},
                 {"local3", ZEL_S_SVC_ROUTE_REFUSED},
                 {"LOCAL3,", ZEL_S_SVC_ROUTE_REFUSED},
                 {"LOCAL3,rel/sock", ZEL_S_SVC_ROUTE_REFUSED},
                 {"LOCAL3," + longest + "p", ZEL_S_SVC_ROUTE_REFUSED},
                 {"KERN", ZEL_S_SVC_ROUTE_REFUSED},
                 {"LOCAL3," + longest, 0}};
    std::string err = stderr_of_child([&] {
        for (const auto &c : cases) {
            EXPECT_EQ(c.status, status_of(zel_svc_routing, ("ERROR:MYLOG:" + c.parameter).c_str())) << c.parameter;
            routine_error(ZEL_SVC_SEV_ERROR, "fallback", int(c.status == 0));
        }
        if (HasFailure()) _exit(1);
    });
    auto count = [&](const std::string &part) {
        size_t n = 0;
        for (size_t at = err.find(part); at != std::string::npos; at = err.find(part, at + 1)) ++n;
        return n;
    };
    EXPECT_EQ(7u, count("system-log route MYLOG: the parameter is not FACILITY[,SOCKET]; records go to the route's "
                        "fallback\n"))
        << err;
    EXPECT_EQ(7u, count("The fallback system routine failed: system error code: 0\n")) << err;
    EXPECT_EQ(0u, count("code: 1")) << err;
}

}  // namespace
