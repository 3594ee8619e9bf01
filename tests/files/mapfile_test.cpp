#include "files/mapfile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace vantrel {
namespace {

namespace fs = std::filesystem;

class MapFile : public ::testing::Test {
  protected:
    MapFile() {
        dir = fs::temp_directory_path() /
              ("vantrel-map-" +
               std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        // Something to see overwritten, and a palette that must never move.
        for (auto& e : s.paltemp) e = {9, 9, 9};
    }
    ~MapFile() override { fs::remove_all(dir); }

    int load(const std::string& text, const std::string& name = "test.map") {
        const fs::path p = dir / name;
        std::ofstream(p, std::ios::binary) << text;
        s.mapfile = p.string();
        return OpenMapFile(s);
    }
    static std::string lines(int n, int from = 0) {
        std::string t;
        for (int i = from; i < from + n; ++i)
            t += std::to_string(i) + " " + std::to_string(255 - i) + " " + std::to_string(i / 2) +
                 "\n";
        return t;
    }
    using Entry = std::array<unsigned char, 3>;
    Entry at(int i) const { return s.paltemp[i]; }

    fs::path dir;
    State s;
};

TEST_F(MapFile, FullFileWithCommentsLoadsCompletely) {
    std::string t;
    for (int i = 0; i < 256; ++i)
        t += "  " + std::to_string(i) + "\t" + std::to_string(255 - i) + "   7" +
             (i % 3 == 0 ? "   some comment 1 2 3\n" : "\n");
    ASSERT_EQ(load(t), 0);
    EXPECT_EQ(at(0), (Entry{0, 255, 7}));
    EXPECT_EQ(at(99), (Entry{99, 156, 7}));
    EXPECT_EQ(at(255), (Entry{255, 0, 7}));
    EXPECT_EQ(s.palette, defpalette());
}

TEST_F(MapFile, ShortFilesEndInBlack) {
    ASSERT_EQ(load(lines(10)), 0);
    EXPECT_EQ(at(9), (Entry{9, 246, 4}));
    for (int i = 10; i < 256; ++i) EXPECT_EQ(at(i), (Entry{0, 0, 0})) << i;

    ASSERT_EQ(load(""), 0);
    for (int i = 0; i < 256; ++i) EXPECT_EQ(at(i), (Entry{0, 0, 0})) << i;

    // The last line needs no newline.
    ASSERT_EQ(load("1 2 3\n4 5 6"), 0);
    EXPECT_EQ(at(1), (Entry{4, 5, 6}));
    EXPECT_EQ(at(2), (Entry{0, 0, 0}));
}

TEST_F(MapFile, OnlyTheFirst256LinesCount) {
    ASSERT_EQ(load(lines(256) + "\n\nnot a palette line\n"), 0);
    ASSERT_EQ(load(lines(300)), 0);
    EXPECT_EQ(at(255), (Entry{255, 0, 127}));
}

TEST_F(MapFile, NumbersKeepTheirLowEightBits) {
    ASSERT_EQ(
        load("300 -1 17\n256 -256 -300\n99999999999999999999999 -1000000000000000000001 +5\n"), 0);
    EXPECT_EQ(at(0), (Entry{44, 255, 17}));
    EXPECT_EQ(at(1), (Entry{0, 0, 212}));
    // 10^23 - 1 and -(10^21 + 1) modulo 256.
    EXPECT_EQ(at(2), (Entry{255, 255, 5}));
}

TEST_F(MapFile, LinesThatAreNotThreeIntegersFail) {
    for (const char* bad :
         {"1 2 3\n4 5 6\n7 8 9\n10 11 12\n\n13 14 15\n",  // blank line 5
          "   \t\n", "1,2,3\n", "1 2\n", "red 1 2 3\n", "1 2 x3\n", "- 1 2 3\n", "\x1 2 3\n"}) {
        for (auto& e : s.paltemp) e = {9, 9, 9};
        EXPECT_EQ(load(bad), 1) << bad;
        EXPECT_EQ(s.palette, defpalette());
    }
    // The lines before the bad one have been staged; the rest is as it was.
    EXPECT_EQ(load("1 2 3\n4 5 6\noops\n"), 1);
    EXPECT_EQ(at(1), (Entry{4, 5, 6}));
    EXPECT_EQ(at(2), (Entry{9, 9, 9}));
    // What "%d %d %d" takes: no blanks needed before a sign, a decimal point ends a number.
    ASSERT_EQ(load("1-2+3\n4.5 6 7\n"), 1);
    EXPECT_EQ(at(0), (Entry{1, 254, 3}));
    ASSERT_EQ(load("1 2 3.9\n"), 0);
    EXPECT_EQ(at(0), (Entry{1, 2, 3}));
}

TEST_F(MapFile, LongLinesAreReadIn99CharacterPieces) {
    // 98 characters and the newline: one piece.
    const std::string fits = "1 2 3" + std::string(93, ' ') + "\n";
    ASSERT_EQ(fits.size(), 99u);
    ASSERT_EQ(load(fits + "4 5 6\n"), 0);
    EXPECT_EQ(at(1), (Entry{4, 5, 6}));

    // 99 characters before the newline: the newline alone is the next piece, a blank line.
    EXPECT_EQ(load("1 2 3" + std::string(94, ' ') + "\n4 5 6\n"), 1);

    // A long line whose second piece holds numbers counts as two entries.
    ASSERT_EQ(load("1 2 3" + std::string(94, ' ') + "7 8 9\n4 5 6\n"), 0);
    EXPECT_EQ(at(1), (Entry{7, 8, 9}));
    EXPECT_EQ(at(2), (Entry{4, 5, 6}));

    // A long comment spills into a piece that is no entry.
    EXPECT_EQ(load("1 2 3 " + std::string(150, 'c') + "\n"), 1);
}

TEST_F(MapFile, WindowsLineEndsReadAsTheyDoThere) {
    const std::string fits = "1 2 3" + std::string(93, ' ') + "\r\n";
    ASSERT_EQ(load(fits + "4 5 6\r\n7 8 9\r\n"), 0);
    EXPECT_EQ(at(2), (Entry{7, 8, 9}));
    EXPECT_EQ(at(3), (Entry{0, 0, 0}));
    EXPECT_EQ(load("1 2 3\r\n\r\n"), 1);
}

TEST_F(MapFile, MissingFilesFoldersFifosAndDevicesFailWithoutStaging) {
    s.mapfile = (dir / "absent.map").string();
    EXPECT_EQ(OpenMapFile(s), 1);
    s.mapfile = dir.string();
    EXPECT_EQ(OpenMapFile(s), 1);
    // A FIFO nobody writes to would be waited on for ever; a device never ends.
    ASSERT_EQ(mkfifo((dir / "fifo.map").c_str(), 0600), 0);
    s.mapfile = (dir / "fifo.map").string();
    EXPECT_EQ(OpenMapFile(s), 1);
    s.mapfile = "/dev/zero";
    EXPECT_EQ(OpenMapFile(s), 1);
    EXPECT_EQ(at(0), (Entry{9, 9, 9}));
    EXPECT_EQ(at(255), (Entry{9, 9, 9}));
}

TEST_F(MapFile, NamesAreOpenedAsChosen) {
    ASSERT_EQ(load("10 20 30\n", "Mixed Case é.map"), 0);
    EXPECT_EQ(at(0), (Entry{10, 20, 30}));
    s.mapfile = (dir / "MIXED CASE é.MAP").string();
    EXPECT_EQ(OpenMapFile(s), 1);
}

TEST(FileRecords, EachDialogHasItsFilterTitleAndBuffers) {
    EXPECT_EQ(omapn.mode, FileRecord::open);
    EXPECT_EQ(stgan.mode, FileRecord::save);
    EXPECT_EQ(ovtln.mode, FileRecord::open);
    EXPECT_EQ(svtln.mode, FileRecord::save);

    State s;
    s.ovtlfile = "given.vtl";
    InitOpenFile(s);
    const fs::path here = fs::current_path();
    EXPECT_EQ(s.mapfile, (here / "*.map").string());
    EXPECT_EQ(s.tgafile, (here / "*.tga").string());
    EXPECT_EQ(s.ovtlfile, "given.vtl");
    EXPECT_EQ(s.svtlfile, "");
    EXPECT_EQ(&(s.*omapn.file), &s.mapfile);
    EXPECT_EQ(&(s.*stgan.filetitle), &s.tgafiletitle);
    EXPECT_EQ(&(s.*ovtln.file), &s.ovtlfile);
    EXPECT_EQ(&(s.*svtln.filetitle), &s.svtlfiletitle);
}

}  // namespace
}  // namespace vantrel
