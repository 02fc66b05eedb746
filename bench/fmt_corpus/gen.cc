// Prints the C++ header of the corpus's typed calls: one call per distinct
// argument signature of the message corpus, so that the texts are formatted
// with the very types their conversions read. Run at build time, so the
// calls always match the tables and catalogs of the build.
#include <cstdio>
#include <cstring>
#include <set>

#include "corpus.h"

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CATALOG_DIR\n", argv[0]);
        return 2;
    }
    corpus::Corpus c = corpus::read_corpus(argv[1]);
    std::set<std::string> signatures;
    for (const corpus::Text &t : c.texts) signatures.insert(t.signature);

    std::printf(
        "// The typed calls of the message corpus, one per argument signature.\n"
        "// Generated at build time by fmt_corpus_gen; not edited by hand.\n"
        "#include <cstdlib>\n#include <string>\n#include \"values.h\"\n\n"
        "namespace corpus {\n\nconst char *const kSignatures[] = {\n");
    for (const std::string &s : signatures) std::printf("    \"%s\",\n", s.c_str());
    std::printf("};\nconstexpr int kSignatureCount = %zu;\n\n", signatures.size());
    std::printf(
        "// Calls f with the values of signature `sig`, typed by its letters.\n"
        "template <class F>\nint call(int sig, F &f, const Values &v) {\n"
        "    switch (sig) {\n");
    int index = 0;
    for (const std::string &s : signatures) {
        std::printf("    case %d: return f(", index++);
        const char *sep = "";
        for (size_t k = 0; k < s.size(); ++k) {
            if (s[k] == '%') continue;
            if (!std::strchr("cCsShHiuwlLqQpdD", s[k])) {
                std::fprintf(stderr, "fmt_corpus_gen: no call for signature \"%s\"\n", s.c_str());
                return 1;
            }
            std::printf("%sv.%c(%zu)", sep, s[k], k + 1);
            sep = ", ";
        }
        std::printf(");\n");
    }
    std::printf(
        "    }\n    std::abort();\n}\n\n"
        "// The index of a signature in kSignatures, or -1.\n"
        "inline int signature_index(const std::string &s) {\n"
        "    for (int i = 0; i < kSignatureCount; ++i)\n"
        "        if (s == kSignatures[i]) return i;\n"
        "    return -1;\n}\n\n}  // namespace corpus\n");
    return 0;
}
