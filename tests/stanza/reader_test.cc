// The stanza reader: how lines become stanzas and entries, moves on a file
// and on its reversed in-memory copy, and what opening refuses. The offsets
// are checked by the edits that they place (editor_test.cc).
#include "stanza_test_util.h"

namespace {

using namespace zeltest;

TEST(StanzaReader, LinesBecomeStanzasAndEntriesAndBadLinesResetTheCursor) {
    // A line of 600 bytes is read as its first 511 bytes and then the rest.
    const std::string x509 = std::string(509, 'x'), y85 = std::string(85, 'y');
    // The text, its walk, and the message its validation fails with (0: valid).
    const std::tuple<std::string, std::string, int> rows[] = {
        {"# top\n[s]\nkey=value\n \tkey2 \t= \tvalue \t# note\n\n   # c\nk3 =\nk4 = # note\na = b = c\nk#[x = v\n"
         "k5 = v\r\n",
         "[s] key=value key2=value k3=- k4=- a=b = c k#[x=v k5=v", 0},
        {"[ a ]\n[name] trailing\n[]\n  [x]y]\n[crlf]\r\n", "[ a ] [name] [] [x] [crlf]", 0},
        {"x = 1\n[s]\na = b\n", "[s] a=b", 0},
        {"bad line\n[s]\n", "[s]", 171},
        {"[a]\n# only a comment\n\n[b]\nx=1\n", "[a] [b] x=1", 0},
        {"[s]\na=1\n=value\nb=2\n", "[s] a=1 !e -/-/-!171", 171},
        {"[s]\na=1\nkey value\n", "[s] a=1 !e -/-/-!171", 171},
        {"[a]\nk=v\n[b\n[c]\n", "[a] k=v !s -/-/-!171", 171},
        {"[s]\nk=" + x509 + "j = " + y85 + "\n", "[s] k=" + x509 + " j=" + y85, 0},
    };
    TempDir dir;
    for (const auto &[text, wanted, invalid] : rows) {
        write_file(dir.file("f"), text);
        Stz s = open_stz(dir.file("f"), ZEL_STZ_READ_ONLY);
        ASSERT_TRUE(s) << text;
        EXPECT_EQ(wanted, walk(s.get())) << text;
        int valid = zelStzValidate(s.get());
        EXPECT_TRUE(valid ? invalid == 0 && !s->error : invalid == int(s->error & 0xFFF)) << text;
    }
}

// The copy holds its stanzas in reverse, so a search finds a name's last
// stanza there and its first in the file; a bad line ends the load only.
TEST(StanzaReader, MovesSearchesAndCountsOnAFileAndOnItsInMemoryCopy) {
    TempDir dir;
    write_file(dir.file("f"), "[d]\nn=1\no=5\n[e]\n[d]\nn=2\nm=3\n# c\nk=4\nx\n[f]\n");
    const std::pair<unsigned, std::string> handles[] = {
        {ZEL_STZ_READ_ONLY | ZEL_STZ_IN_MEMORY,
         "[d] n=2 m=3 k=4 [e] [d] n=1 o=5 1:d/n/2 1:d/m/3 3:d/m/3 1:d/k/4 0:d/-/- 0:d/-/- 0:-/-/-!167 0:-/-/-!167"},
        {ZEL_STZ_READ_ONLY,
         "[d] n=1 o=5 [e] [d] n=2 m=3 k=4 !e -/-/-!171"
         " 1:d/n/1 1:d/o/5 2:d/o/5 1:d/-/- 0:d/-/- 0:d/-/- 0:-/-/-!167 0:-/-/-!167"},
    };
    for (const auto &[flags, wanted] : handles) {
        Stz s = open_stz(dir.file("f"), flags);
        ASSERT_TRUE(s);
        std::string seen = walk(s.get());
        const auto note = [&](int result) { seen += " " + std::to_string(result) + ":" + cursor(s.get()); };
        note(zelStzMoveStanza(s.get(), "e") && zelStzMoveStanza(s.get(), "d"));
        note(zelStzMoveNextEntry(s.get()));
        note(zelStzStanzaSize(s.get()));
        note(zelStzMoveNextEntry(s.get()));
        note(zelStzMoveEntry(s.get(), "d", "zz"));
        note(zelStzStanzaSize(s.get()));
        note(zelStzMoveStanza(s.get(), nullptr));
        note(zelStzMoveEntry(s.get(), "d", nullptr) || zelStzMoveEntryInStanza(s.get(), nullptr));
        EXPECT_EQ(wanted, seen);
        EXPECT_TRUE(!zelStzValidate(s.get()) && s->error == ZEL_S_STZ_BAD_FORMAT) << flags;  // the copy's too
    }
}

TEST(StanzaReader, OpenRefusesBadFlagsAndMissingFilesAndCreatesNothing) {
    TempDir dir;
    write_file(dir.file("f"), "[s]\n");
    for (unsigned flags : {0x0u, 0x10u, 0x11u, 0xAu, 0xCu}) EXPECT_EQ(167, open_status(dir.file("f"), flags)) << flags;
    for (unsigned flags : {0x1u, 0x2u, 0x9u}) EXPECT_EQ(168, open_status(dir.file("none"), flags)) << flags;
    EXPECT_NE(0, access(dir.file("none").c_str(), F_OK));
    EXPECT_EQ(0, open_status(dir.file("f"), ZEL_STZ_READ_WRITE | ZEL_STZ_NO_WAIT));
}

}  // namespace
