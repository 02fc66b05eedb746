// The layout of a status code: technology and component names.
#include <zel/msg.h>

#include <cstring>

namespace {

constexpr char kComponentAlphabet[] = "abcdefghijklmnopqrstuvwxyz_0123456789-+@";

}  // namespace

extern "C" void zel_msg__inq_tech(unsigned32 code, char name[4]) {
    static const char *const names[16] = {"???", "dce", "dfs", "vr",  "???", "???", "???", "???",
                                          "???", "???", "???", "???", "???", "???", "???", "???"};
    std::memcpy(name, names[code >> 28], std::strlen(names[code >> 28]) + 1);
}

// The component number encodes three characters in base 40. Numbers of 64000
// and above select the alphabet's terminating NUL as the first character, so
// the name comes out empty.
extern "C" void zel_msg__inq_comp(unsigned32 code, char name[4]) {
    unsigned32 n = (code >> 12) & 0xFFFF;
    name[0] = kComponentAlphabet[n / 1600];
    name[1] = kComponentAlphabet[(n / 40) % 40];
    name[2] = kComponentAlphabet[n % 40];
    name[3] = '\0';
}
