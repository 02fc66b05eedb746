// Each thread's watch of the environment, and the record's single look.
#include "sys/env_watch.h"
#include "sys/hot_path.h"

namespace zel {
namespace {

thread_local EnvWatch t_watch;
// Records being written by the thread (one may write another: a failure
// report), and whether the outermost one looked already.
thread_local int t_records = 0;
thread_local bool t_looked = false;

}  // namespace

ZEL_RECORD_PATH const EnvWatch &thread_env() {
    if (t_looked) return t_watch;
    if (!t_watch.unchanged()) t_watch.scan();
    t_looked = t_records > 0;
    return t_watch;
}

ZEL_RECORD_PATH EnvReadOnce::EnvReadOnce() { ++t_records; }

ZEL_RECORD_PATH EnvReadOnce::~EnvReadOnce() {
    if (--t_records == 0) t_looked = false;
}

}  // namespace zel
