// The arguments a format reads, as the catalog check compares them.
#include "fmt/format_signature.h"
#include "support/test_support.h"

namespace {

std::string signature_of(const std::string &format) {
    zel::FormatSignature sig;
    zel::format_signature(format.c_str(), &sig);
    char text[1024];
    zel::describe_signature(sig, text, sizeof text);
    return text;
}

std::string repeated(const std::string &piece, int times) {
    std::string text;
    for (int i = 0; i < times; ++i) text += piece;
    return text;
}

TEST(FormatSignature, WhatTheArgumentListReads) {
    const std::pair<std::string, std::string> cases[] = {
        // Integers that travel as an int are one kind, whatever the letter.
        {"%c %hd %i %u %o %x %X %C", "%d %d %d %d %d %d %d %d"},
        {"%ld %lx %lld %qd %Ld %llu", "%ld %ld %lld %lld %lld %lld"},
        {"%e %f %g %E %G %Lf %Le %qg", "%f %f %f %f %f %Lf %Lf %Lf"},
        {"%s %ls %lc %S %p", "%s %s %d %S %p"},
        // A "*" is an int in its own position; "%%" reads nothing.
        {"%*s|%-*.*f|%.*d", "%d %s %d %d %f %d %d"},
        {"100%% %s %5d%%", "%s %d"},
        {"%%", "none"},
        {"no conversions", "none"},
        // Numbered arguments are read in number order.
        {"%2$d %1$s", "%s %d"},
        {"%3$s %1$*2$d", "%d %d %s"},
        {"%1$s %1$s", "%s"},
        {repeated("%d", 64), repeated("%d ", 63) + "%d"},
        {repeated("%%", 70) + "%s", "%s"}};
    for (const auto &c : cases) EXPECT_EQ(c.second, signature_of(c.first)) << c.first;
    // What no printer here prints safely: argument 2 never named, one argument
    // read as two kinds, more arguments than a call can pass.
    const std::string too_many = repeated("%d", 65);
    for (const char *format : {"%s%n%d", "%1$s %s", "%2$*d %1$s", "%3$s %1$d", "%1$s %1$d", "%hs", "%lp", "%llf", "%5%",
                               "%zu %jd %td", too_many.c_str()})
        EXPECT_EQ("unusable", signature_of(format)) << format;
}

TEST(FormatSignature, AgreementAndDescriptionsThatReadBack) {
    auto agree = [](const char *a, const char *b) {
        zel::FormatSignature x, y;
        zel::format_signature(a, &x);
        zel::format_signature(b, &y);
        return zel::same_signature(x, y);
    };
    // (Agreement of catalog texts with their calls is the catalog record test's.)
    EXPECT_FALSE(agree("%n", "%n"));  // two unusable formats never agree
    // A description is itself a format with the same signature.
    for (const char *format : {"%2$lld %1$*3$Lf", "%S %p %c %lu %e"}) {
        std::string text = signature_of(format);
        EXPECT_TRUE(agree(format, text.c_str())) << text;
    }
    // A description cut to a small buffer stays terminated.
    zel::FormatSignature sig;
    zel::format_signature(repeated("%lld", 20).c_str(), &sig);
    char small[10];
    zel::describe_signature(sig, small, sizeof small);
    EXPECT_EQ("%lld %lld", std::string(small));
}

}  // namespace
