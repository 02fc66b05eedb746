// Registration, the component table, callbacks, program and severity names.
#include <zel/svc_internal.h>

#include "support/test_support.h"

namespace {

zel_svc_subcomp g_table[] = {{"one", "first", 0, 0}, {"two", "second", 0, 0}, {nullptr, nullptr, 0, 0}};

std::vector<std::string> g_events;
void on_register(const char *component, zel_svc_subcomp *) { g_events.push_back(std::string("+") + component); }
void on_unregister(const char *component, zel_svc_subcomp *) { g_events.push_back(std::string("-") + component); }
void on_register_b(const char *component, zel_svc_subcomp *) { g_events.push_back(std::string("B+") + component); }
void on_level(const char *, const char *, unsigned32, unsigned32) {}

TEST(SeverityNames, LevelsWinOverSeverities) {
    const std::pair<unsigned32, const char *> cases[] = {
        {0x20, "ERROR"}, {0x50 | ZEL_SVC_ATTR_ABORT, "NOTICE_VERBOSE"}, {0x5, "DEBUG5"}, {0x23, "DEBUG3"}};
    for (const auto &[attributes, name] : cases) EXPECT_STREQ(name, zel_svc_inq_sev_name(attributes));
}

TEST(Registration, SameNameTwiceGivesTwoHandlesFoundInOrder) {
    unsigned32 st = 1;
    zel_svc_handle *first = zel_svc_register(g_table, "abc", &st), *second = zel_svc_register(g_table, "abc", &st);
    EXPECT_EQ(0u, st);
    ASSERT_TRUE(first && second && first != second);
    EXPECT_EQ(first, zel_svc__component_to_handle("abc"));
    EXPECT_EQ(first, zel_svc__table_to_handle(g_table));
    EXPECT_EQ(nullptr, zel_svc__component_to_handle("ab"));
    zel_svc_unregister(first, &st);
    EXPECT_EQ(0u, st);
    EXPECT_EQ(second, zel_svc__component_to_handle("abc"));
    zel_svc_unregister(second, &st);
    EXPECT_EQ(nullptr, zel_svc__component_to_handle("abc"));
}

TEST(Registration, CompiledComponentsRegisterOnce) {
    unsigned32 st = 1;
    zel_svc_init(0, &st);
    EXPECT_EQ(0u, st);
    EXPECT_EQ(zelmox_client_svc_handle, zel_svc__component_to_handle("qpc"));
    int size = zel_svc_g_map_size;
    zel_svc_handle *client = zelmox_client_svc_handle;
    zel_svc_init(0, &st);
    EXPECT_EQ(size, zel_svc_g_map_size);
    EXPECT_EQ(client, zelmox_client_svc_handle);
}

TEST(Registration, StartUpKeepsOneHandleThatRoutingByNameReaches) {
    zeltest::TempDir dir;
    static std::string path;
    path = dir.file("qpc.log");
    EXPECT_EQ(0, zeltest::run_in_child([] {
                  if (!zelmsg_init("one", 0)) _exit(1);
                  for (const char *name : {"qpc", "qpd", "qpi"}) {
                      int found = 0;
                      for (int i = 0; i < zel_svc_g_map_size; ++i)
                          found += std::strcmp(zel_svc_g_map[i]->component_name, name) == 0;
                      if (found != 1) _exit(2);
                  }
                  unsigned32 st;
                  zel_svc_debug_routing(("qpc:core.9:FILE:" + path).c_str(), &st);
                  zel_svc__debug(zelmox_client_svc_handle, 0, 9, "reached %d", 9);
                  _exit(st == 0 ? 0 : 3);
              }));
    EXPECT_NE(std::string::npos, zeltest::read_file(path).find("reached 9"));
}

TEST(Registration, CallerOwnedHandleEntersTheTableOnce) {
    zel_svc_handle own = {};
    own.component_name = const_cast<char *>("own");
    own.table = g_table;
    unsigned32 st = 0;
    int size = zel_svc_g_map_size;
    EXPECT_EQ(2, zel_svc__add_to_table(&own, &st) + zel_svc__add_to_table(&own, &st));
    EXPECT_EQ(size + 1, zel_svc_g_map_size);
    zel_svc_unregister(&own, &st);  // not allocated: the caller keeps it
    EXPECT_EQ(size, zel_svc_g_map_size);
    // Rows without message ids only mark the handle as translated.
    zel_svc_handle *handle = zel_svc_register(g_table, "tr", &st);
    zel_svc__translate(handle, &st);
    EXPECT_TRUE(handle->translated);
    EXPECT_STREQ("first", g_table[0].description);
    zel_svc_unregister(handle, &st);
}

TEST(Callbacks, NotifiedOnlyForLaterRegistrationsAndRemovedOnce) {
    unsigned32 st = 1;
    zel_svc_handle *before = zel_svc_register(g_table, "pre", &st);
    zel_svc_register_callbacks(on_register, on_unregister, nullptr, &st);
    EXPECT_EQ(0u, st);
    zel_svc_register_callbacks(on_register_b, nullptr, nullptr, &st);
    zel_svc_handle *after = zel_svc_register(g_table, "post", &st);
    zel_svc_unregister(before, &st);
    zel_svc_unregister(after, &st);
    EXPECT_EQ((std::vector<std::string>{"+post", "B+post", "-pre", "-post"}), g_events);

    for (unsigned32 want : {0u, ZEL_S_SVC_CALLBACKS_NOT_REGISTERED}) {
        zel_svc_unregister_callbacks(on_register, on_unregister, nullptr, &st);
        EXPECT_EQ(want, st);
    }
    // The third member takes part in the comparison.
    zel_svc_unregister_callbacks(on_register_b, nullptr, on_level, &st);
    EXPECT_EQ(ZEL_S_SVC_CALLBACKS_NOT_REGISTERED, st);
    EXPECT_EQ(1, zel_svc_g_n_callbacks);
}

TEST(ProgramName, SetOnceAndCutTo31Bytes) {
    unsigned32 st = 1;
    EXPECT_STREQ("", zel_svc_get_progname());
    zel_svc_set_progname("a-program-name-of-forty-characters-long!", &st);
    EXPECT_EQ(0u, st);
    zel_svc_set_progname("other", &st);
    EXPECT_EQ(std::string("a-program-name-of-forty-charact"), zel_svc_get_progname());
}

}  // namespace
