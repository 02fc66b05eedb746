// Where the variables the library reads at every call stood when a thread
// last looked, so that a call can tell by comparing the environment's entry
// pointers with a copy (one memcmp) that none of them can have changed:
// setenv, putenv and unsetenv replace, append, remove or move entries, and a
// program that assigns environ gives another array. A text rewritten in
// place (a putenv string) is not seen here: callers compare the texts they
// depend on.
#ifndef ZEL_SRC_SYS_ENV_WATCH_H
#define ZEL_SRC_SYS_ENV_WATCH_H

#include <unistd.h>

#include <cstring>

namespace zel {

// The variables watched, in the order of EnvWatch's names.
enum EnvName { kEnvNlsPath, kEnvDebugMsg, kEnvTz, kEnvNames };

class EnvWatch {
public:
    // A longer environment is read in full at each call.
    static constexpr long kMaxEntries = 256;

    // False when the environment may have changed since the last scan (or
    // there was none, or it was too long to copy): then scan() before
    // reading values.
    bool unchanged() const {
        char **env = environ;
        if (scans_ == 0 || env != array_) return false;
        if (!env) return true;
        // The array is the one copied, whose room never shrinks, so the
        // entries up to its end then (the null) can be read.
        return kept_ && std::memcmp(env, entries_, (length_ + 1) * sizeof *env) == 0;
    }

    // Reads the environment as getenv does, remembering where it stood.
    [[gnu::cold, gnu::noinline]] void scan() {
        array_ = environ;
        length_ = 0;
        for (int i = 0; i < kEnvNames; ++i) value_[i] = nullptr;
        for (char **ep = array_; ep && *ep; ++ep, ++length_) {
            for (int i = 0; i < kEnvNames; ++i) {
                if (!value_[i] && std::strncmp(*ep, kNames[i], kNameLengths[i]) == 0)
                    value_[i] = *ep + kNameLengths[i];
            }
        }
        kept_ = length_ <= kMaxEntries;
        if (kept_ && array_) std::memcpy(entries_, array_, (length_ + 1) * sizeof *array_);
        ++scans_;
    }

    // The value of a variable at the last scan, null when it was unset.
    const char *value(EnvName name) const { return value_[name]; }
    // How many scans there were: a watcher that saw this count sees the
    // same values while it stays.
    unsigned long scans() const { return scans_; }

private:
    static constexpr const char *kNames[kEnvNames] = {"NLSPATH=", "VRSVC_DEBUG_MSG=", "TZ="};
    static constexpr size_t kNameLengths[kEnvNames] = {
        sizeof "NLSPATH=" - 1, sizeof "VRSVC_DEBUG_MSG=" - 1, sizeof "TZ=" - 1};

    unsigned long scans_ = 0;
    char **array_ = nullptr;
    long length_ = 0;
    bool kept_ = false;
    char *entries_[kMaxEntries + 1] = {};  // the array as scanned, its null included
    const char *value_[kEnvNames] = {};
};

// The calling thread's watch, brought up to date: one memcmp, or none when
// the thread already looked during the record it is writing.
const EnvWatch &thread_env();

// While one lives in a thread, the thread's environment is looked at once:
// a record reads every variable as it stood when the record first asked.
class EnvReadOnce {
public:
    EnvReadOnce();
    ~EnvReadOnce();
    EnvReadOnce(const EnvReadOnce &) = delete;
    EnvReadOnce &operator=(const EnvReadOnce &) = delete;
};

}  // namespace zel

#endif
