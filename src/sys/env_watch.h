// Where a few environment variables stood when a thread last looked, so that
// a call can tell by comparing the environment's entry pointers with a copy
// (one memcmp) that none of them can have changed: setenv, putenv and
// unsetenv replace, append, remove or move entries, and a program that
// assigns environ gives another array. A text rewritten in place (a putenv
// string) is not seen here: callers compare the texts they depend on.
#ifndef ZEL_SRC_SYS_ENV_WATCH_H
#define ZEL_SRC_SYS_ENV_WATCH_H

#include <unistd.h>

#include <cstring>

namespace zel {

class EnvWatch {
public:
    static constexpr int kMaxNames = 2;
    // A longer environment is read in full at each call.
    static constexpr long kMaxEntries = 256;

    // Each name ends with its "=" ("TZ="); the texts must outlive the watch.
    explicit EnvWatch(const char *first, const char *second = nullptr)
        : names_{first, second}, count_names_(second ? 2 : 1) {}

    // False when the environment may have changed since the last scan (or
    // there was none, or it was too long to copy): then scan() before
    // reading values.
    bool unchanged() const {
        char **env = environ;
        if (!scanned_ || env != array_) return false;
        if (!env) return true;
        // The array is the one copied, whose room never shrinks, so the
        // entries up to its end then (the null) can be read.
        return kept_ && std::memcmp(env, entries_, (length_ + 1) * sizeof *env) == 0;
    }

    // Reads the environment as getenv does, remembering where it stood.
    void scan() {
        array_ = environ;
        length_ = 0;
        for (int i = 0; i < count_names_; ++i) index_[i] = -1;
        for (char **ep = array_; ep && *ep; ++ep, ++length_) {
            for (int i = 0; i < count_names_; ++i) {
                if (index_[i] < 0 && std::strncmp(*ep, names_[i], std::strlen(names_[i])) == 0) {
                    index_[i] = length_;
                    entry_[i] = *ep;
                }
            }
        }
        kept_ = length_ <= kMaxEntries;
        if (kept_ && array_) std::memcpy(entries_, array_, (length_ + 1) * sizeof *array_);
        scanned_ = true;
    }

    // The value of the i-th name at the last scan, null when it was unset.
    const char *value(int i) const {
        return index_[i] >= 0 ? entry_[i] + std::strlen(names_[i]) : nullptr;
    }

private:
    const char *names_[kMaxNames];
    int count_names_;
    bool scanned_ = false;
    char **array_ = nullptr;
    long length_ = 0;
    bool kept_ = false;
    char *entries_[kMaxEntries + 1];  // the array as scanned, its null included
    long index_[kMaxNames] = {-1, -1};
    const char *entry_[kMaxNames] = {nullptr, nullptr};
};

}  // namespace zel

#endif
