// Helpers shared by the serviceability tests.
#ifndef ZEL_TESTS_SVC_SVC_TEST_UTIL_H
#define ZEL_TESTS_SVC_SVC_TEST_UTIL_H

#include <zel/svc_internal.h>
#include <zel/zel.h>

#include <gtest/gtest.h>

#include <string>

#include "support/test_support.h"

namespace zeltest {

inline void start_svctest() {
    unsigned32 st;
    zelmsg_init("svctest", 0);
    zel_svc_set_progname("svctest", &st);
}

inline void set_routes(const std::string &routes) {
    unsigned32 st = 1;
    zel_svc_routing(routes.c_str(), &st);
    ASSERT_EQ(0u, st) << routes;
}

inline void set_trace_routes(const std::string &levels_and_routes) {
    unsigned32 st = 1;
    zel_svc_debug_routing(levels_and_routes.c_str(), &st);
    ASSERT_EQ(0u, st) << levels_and_routes;
}

}  // namespace zeltest

#endif
