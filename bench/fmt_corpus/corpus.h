// The message corpus of the formatting benchmark and its test: every
// message text of the library that has a conversion, read from the compiled
// tables and from the library's own message catalogs, with the argument
// signature that the engine's parse gives it.
#ifndef ZEL_BENCH_FMT_CORPUS_CORPUS_H
#define ZEL_BENCH_FMT_CORPUS_CORPUS_H

#include <zel/fmt.h>

#include <string>
#include <vector>

namespace corpus {

// One letter per argument number, in order, naming the type the text reads
// there: c char, C wide char, s string, S wide string, h short, H unsigned
// short, i int, u unsigned, w a "*" width or precision, l long, L unsigned
// long, q long long, Q unsigned long long, p pointer, d double, D long
// double, % a number that only a "%%" takes (nothing is passed for it).
constexpr int kMaxArguments = 16;

struct Text {
    std::string text;
    std::string signature;
};

struct Corpus {
    int total = 0;            // texts read, with and without conversions
    std::vector<Text> texts;  // those with at least one conversion
};

// Reads the corpus; `catalog_dir` holds the library's compiled catalogs.
// Exits with a message when a text cannot be parsed or reads more than
// kMaxArguments arguments.
Corpus read_corpus(const char *catalog_dir);

// The signature of a format ("" when it reads nothing), or null when the
// engine rejects the format.
bool signature_of(const char *format, std::string *signature);

}  // namespace corpus

#endif
