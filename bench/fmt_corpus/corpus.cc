// Reads the message corpus: the rows of the three compiled tables, then every
// message of set 1 of the library's own catalogs, keeping the texts that
// have a conversion, each with the signature of its arguments.
#include "corpus.h"

#include <zel/msg.h>

#include <nl_types.h>

#include <cstdio>
#include <cstdlib>

#include "fmt/fmt_internal.h"

namespace corpus {
namespace {

// The catalogs of the library's own status codes, and the highest message
// number they may use.
const char *const kCatalogs[] = {"vrbbas.cat", "vrbivc.cat", "vrblib.cat", "vrbrpc.cat"};
constexpr int kHighestMessage = 4095;

[[noreturn]] void fail(const char *why, const std::string &text) {
    std::fprintf(stderr, "message corpus: %s: \"%s\"\n", why, text.c_str());
    std::exit(1);
}

char letter_of(const zel_fmt_conv *convs, int count, int slot, int type) {
    for (int i = 0; i < count; ++i) {
        unsigned32 f = convs[i].flags;
        if (((f & zel::kFlagWidthArg) && convs[i].width == slot) ||
            ((f & zel::kFlagPrecArg) && convs[i].precision == slot))
            return 'w';
    }
    static const char kLetters[] = "cCsShHiulLqQpdddDDD%";
    return type >= 0 && type < 20 ? kLetters[type] : '?';
}

void add(Corpus &c, const char *text) {
    ++c.total;
    std::string sig;
    if (!signature_of(text, &sig)) fail("the engine rejects the text", text);
    if (sig.size() > static_cast<size_t>(kMaxArguments)) fail("too many arguments", text);
    bool converts = false;
    for (const char *p = text; *p; ++p) converts |= *p == '%';
    if (converts) c.texts.push_back({text, sig});
}

}  // namespace

bool signature_of(const char *format, std::string *signature) {
    zel_fmt_ctx ctx;
    int highest;
    if (zel::fmt_scan(&ctx, nullptr, format, &highest) != 0) return false;
    signature->clear();
    for (int n = 1; n <= highest; ++n)
        *signature += letter_of(ctx.convs, ctx.conv_count, n, ctx.args[n].type);
    zel::fmt_release(&ctx);
    return signature->find('?') == std::string::npos;
}

Corpus read_corpus(const char *catalog_dir) {
    Corpus c;
    for (int t = 0; t < 3; ++t) {
        const zel_msg_table &table = zel_msg_g_compiled_table[t];
        for (unsigned32 i = 0; i < table.count; ++i) add(c, table.table[i].text);
    }
    for (const char *name : kCatalogs) {
        std::string path = std::string(catalog_dir) + "/" + name;
        nl_catd cat = catopen(path.c_str(), 0);
        if (cat == reinterpret_cast<nl_catd>(-1)) fail("cannot open the catalog", path);
        static const char kAbsent[] = "";
        for (int n = 1; n <= kHighestMessage; ++n) {
            const char *text = catgets(cat, 1, n, kAbsent);
            if (text != kAbsent) add(c, text);
        }
        catclose(cat);
    }
    return c;
}

}  // namespace corpus
