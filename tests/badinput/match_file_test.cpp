// "setup.txt" missing, empty, cut in half or garbage: the match always comes out playable.
#include <gtest/gtest.h>

#include "app/match_file.h"
#include "bad_files.h"
#include "sim/riders.h"
#include "sim/ui_state.h"

namespace {

class MatchFileBadInput : public ::testing::Test {
 protected:
  void SetUp() override {
    memset(riders, 0, sizeof riders);
    riderCount = 4;
    scoresVisible = 1;
  }
  void TearDown() override { leaveWorkDirectory(); }
  void read(BadKind kind) {
    enterWorkDirectory("setup.txt", kind);
    readMatchFile();
  }
};

void expectBuiltInMatch() {
  EXPECT_EQ(riderCount, 4);
  EXPECT_EQ(scoresVisible, 1);
  for (int i = 0; i < 4; i++) {
    EXPECT_EQ(riders[i].color, 0u) << "rider " << i;
    EXPECT_EQ(riders[i].colorRed, 0.0f) << "rider " << i;
    EXPECT_EQ(riders[i].target, 0) << "rider " << i;
  }
}

TEST_F(MatchFileBadInput, MissingFileGivesTheBuiltInMatch) {
  read(FILE_MISSING);
  expectBuiltInMatch();
}

TEST_F(MatchFileBadInput, EmptyFileGivesTheBuiltInMatch) {
  read(FILE_EMPTY);
  expectBuiltInMatch();
}

TEST_F(MatchFileBadInput, GarbageStopsAtTheFirstWordThatIsNoNumber) {
  read(FILE_GARBAGE);
  expectBuiltInMatch();
}

// The first half holds colour lines 1 and 2 and the first two numbers of line 3, the third
// cut to "0": those colours apply, everything after keeps its built-in value.
TEST_F(MatchFileBadInput, CutFileKeepsTheColoursItHasAndTheBuiltInCounts) {
  read(FILE_TRUNCATED);
  EXPECT_EQ(riderCount, 4);
  EXPECT_EQ(scoresVisible, 1);
  EXPECT_EQ(riders[0].color, 255u | 51u << 8 | 51u << 16);
  EXPECT_FLOAT_EQ(riders[1].colorGreen, 0.9f);
  EXPECT_EQ(riders[2].color, 255u | 51u << 8);
  EXPECT_EQ(riders[3].color, 0u);
  for (int i = 1; i < 4; i++) EXPECT_EQ(riders[i].target, 0) << "rider " << i;
}

}  // namespace
