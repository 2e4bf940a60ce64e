// The match file: counts, colours, chase targets, the score switch, and damaged files.
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <random>
#include <string>

#include "app/match_file.h"
#include "sim/riders.h"
#include "sim/ui_state.h"
#include "tests/doubles/debug_output_recorder.h"

namespace {

const float lineRed[5] = {0.1f, 0.2f, 0.3f, 0.4f, 0.5f};
const char* const lineText[5] = {"0.1 1 0\n", "0.2 1 0\n", "0.3 1 0\n", "0.4 1 0\n",
                                 "0.5 1 0\n"};
const uint8_t UNSET = 77;

class MatchFile : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(getcwd(previousDirectory, sizeof previousDirectory), nullptr);
    strcpy(directory, "/tmp/vask_match_file_XXXXXX");
    ASSERT_NE(mkdtemp(directory), nullptr);
    ASSERT_EQ(chdir(directory), 0);
    resetState();
  }
  // The values the game starts with, before any match file.
  static void resetState() {
    memset(riders, 0, sizeof riders);
    for (Rider& r : riders) r.target = UNSET;
    riderCount = 4;
    scoresVisible = 1;
    clearDebugOutput();
  }
  void TearDown() override {
    unlink("setup.txt");
    EXPECT_EQ(chdir(previousDirectory), 0);
    rmdir(directory);
  }
  static void write(const std::string& text) {
    FILE* f = fopen("setup.txt", "wb");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(fwrite(text.data(), 1, text.size(), f), text.size());
    fclose(f);
  }
  static std::string colourLines() {
    std::string text;
    for (const char* line : lineText) text += line;
    return text;
  }
  // Which colour line (1..5) rider i took, 0 for none.
  static int lineOf(int i) {
    for (int l = 0; l < 5; ++l)
      if (riders[i].colorRed == lineRed[l]) return l + 1;
    return 0;
  }
  char previousDirectory[4096];
  char directory[64];
};

TEST_F(MatchFile, TheGroupsGiveCountsColoursAndTargets) {
  const struct {
    int a, b, count;
    int lines[5];
    int targets[4];
  } rows[] = {
      {3, 0, 4, {1, 2, 3, 4}, {0, 0, 0}},
      {2, 1, 4, {1, 2, 3, 4}, {3, 0, 1}},
      {2, 2, 5, {1, 2, 3, 4, 5}, {3, 4, 1, 2}},
      {1, 1, 3, {1, 2, 4}, {2, 1}},
      {1, 2, 4, {1, 2, 4, 5}, {2, 3, 2}},
      {0, 2, 3, {1, 4, 5}, {1, 2}},  // each its own target
      {4, 0, 5, {1, 2, 3, 4, 5}, {0, 0, 0, 0}},
      {1, 0, 2, {1, 2}, {0}},
      {0, 1, 2, {1, 4}, {1}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.a << " " << row.b);
    resetState();
    write(colourLines() + std::to_string(row.a) + " " + std::to_string(row.b) + " 1\n");
    readMatchFile();
    EXPECT_EQ(riderCount, row.count);
    for (int i = 0; i < row.count; ++i) EXPECT_EQ(lineOf(i), row.lines[i]) << "rider " << i;
    for (int i = row.count; i < MAX_RIDERS; ++i) {
      EXPECT_EQ(lineOf(i), 0) << "rider " << i;
      EXPECT_EQ(riders[i].target, UNSET);
    }
    for (int i = 1; i < row.count; ++i)
      EXPECT_EQ(riders[i].target, row.targets[i - 1]) << "rider " << i;
    EXPECT_EQ(riders[0].target, UNSET);  // the local rider's target is the respawn's
    EXPECT_EQ(debugOutputCallCount, 0);
  }
}

TEST_F(MatchFile, ColoursPackByTruncationAndWrap) {
  write("1.0 0.5 2.0\n"
        "-0.5 0.999 -1\n"
        "1.2 1e30 0\n"
        "0 0 0\n0 0 0\n3 0 1\n");
  readMatchFile();
  EXPECT_EQ(riders[0].color, 255u | 127u << 8 | 254u << 16);
  EXPECT_EQ(riders[0].colorRed, 1.0f);
  EXPECT_EQ(riders[0].colorGreen, 0.5f);
  EXPECT_EQ(riders[0].colorBlue, 2.0f);  // the float keeps what was read
  // -127 and -255 keep their low 8 bits; 1.2 gives 306, which wraps to 50; a channel too
  // large for any integer still packs to its low bits (here 0).
  EXPECT_EQ(riders[1].color, 129u | 254u << 8 | 1u << 16);
  EXPECT_EQ(riders[2].color, 50u);
  EXPECT_EQ(riders[2].colorGreen, 1e30f);
  EXPECT_EQ(riders[3].color, 0u);
}

TEST_F(MatchFile, LineBreaksCarryNoMeaning) {
  const std::string layouts[] = {
      colourLines() + "2 2 0\n",
      "0.1 1 0 0.2 1 0 0.3 1 0 0.4 1 0 0.5 1 0 2 2 0",
      "0.1\n1\n0\n\n0.2 1\n0 0.3 1 0\t0.4 1 0\r\n0.5\n 1 0\n2\n2\n0\n",
  };
  const uint32_t redByte[5] = {25, 51, 76, 102, 127};  // 25.5, 51, 76.5, 102, 127.5
  for (const std::string& layout : layouts) {
    resetState();
    write(layout);
    readMatchFile();
    EXPECT_EQ(riderCount, 5);
    for (int i = 0; i < 5; ++i) {
      EXPECT_EQ(lineOf(i), i + 1);
      EXPECT_EQ(riders[i].colorGreen, 1.0f);
      EXPECT_EQ(riders[i].color, redByte[i] | 255u << 8);
    }
    EXPECT_EQ(scoresVisible, 0);
  }
}

TEST_F(MatchFile, TheThirdIntegerSwitchesTheScores) {
  write(colourLines() + "3 0 0\n");
  readMatchFile();
  EXPECT_EQ(scoresVisible, 0);
  write(colourLines() + "3 0 -4\n");
  readMatchFile();
  EXPECT_EQ(scoresVisible, -4);
}

TEST_F(MatchFile, WithoutAFileNothingChanges) {
  riders[2].colorBlue = 0.75f;
  readMatchFile();
  EXPECT_EQ(riderCount, 4);
  EXPECT_EQ(scoresVisible, 1);
  EXPECT_EQ(riders[2].colorBlue, 0.75f);
  EXPECT_EQ(riders[1].target, UNSET);
  EXPECT_EQ(debugOutputCallCount, 0);
}

TEST_F(MatchFile, AShortFileKeepsTheBuiltInValuesForWhatIsMissing) {
  // Cut inside the colours: the built-in match of four riders chasing the local rider,
  // the colours read where they were read, black elsewhere.
  write("1 0 0\n0 1");
  readMatchFile();
  EXPECT_EQ(riderCount, 4);
  EXPECT_EQ(riders[0].color, 255u);
  EXPECT_EQ(riders[1].colorGreen, 1.0f);
  EXPECT_EQ(riders[1].colorBlue, 0.0f);
  EXPECT_EQ(riders[1].color, 255u << 8);
  EXPECT_EQ(riders[3].color, 0u);
  for (int i = 1; i < 4; ++i) EXPECT_EQ(riders[i].target, 0);
  EXPECT_EQ(scoresVisible, 1);
  EXPECT_EQ(debugOutputCallCount, 0);

  // Cut after the first count: a second group of none.
  resetState();
  write(colourLines() + "2");
  readMatchFile();
  EXPECT_EQ(riderCount, 3);
  EXPECT_EQ(scoresVisible, 1);
  EXPECT_EQ(lineOf(2), 3);

  resetState();
  write("");
  readMatchFile();
  EXPECT_EQ(riderCount, 4);
  EXPECT_EQ(riders[1].target, 0);
}

TEST_F(MatchFile, ReadingStopsAtTheFirstThingThatIsNotANumber) {
  write("0.5 0.5 red 0.2 1 0 0.3 1 0 0.4 1 0 0.5 1 0 1 1 0\n");
  readMatchFile();
  EXPECT_EQ(riders[0].colorRed, 0.5f);
  EXPECT_EQ(riders[0].colorBlue, 0.0f);
  EXPECT_EQ(lineOf(1), 0);
  EXPECT_EQ(riderCount, 4);
  EXPECT_EQ(scoresVisible, 1);

  // A number with something stuck to it counts, and the reading stops after it.
  resetState();
  write("0.5 0.5 0.5abc 0.2 1 0 0.3 1 0 0.4 1 0 0.5 1 0 1 1 0\n");
  readMatchFile();
  EXPECT_EQ(riders[0].colorBlue, 0.5f);
  EXPECT_EQ(lineOf(1), 0);
  EXPECT_EQ(riderCount, 4);

  resetState();
  write(colourLines() + "2.5 2 0\n");  // reads 2, then stops at ".5"
  readMatchFile();
  EXPECT_EQ(riderCount, 3);
  EXPECT_EQ(scoresVisible, 1);

  // Not-a-number and infinity are no colours.
  resetState();
  write("nan 1 1 inf 1 1\n");
  readMatchFile();
  EXPECT_EQ(riders[0].colorRed, 0.0f);
  EXPECT_EQ(riders[0].colorGreen, 0.0f);
  EXPECT_EQ(riders[0].color, 0u);
  EXPECT_EQ(riderCount, 4);
}

TEST_F(MatchFile, NumbersAreTakenFromTheStreamAsFormattedInputTakesThem) {
  // The first colour line as written, what rider 0 gets, and whether the reading goes on
  // through the other four lines and the counts "3 0 0".
  const std::string zeros(300, '0');
  const struct {
    std::string text;
    float red, green, blue;
    bool goesOn;
  } cases[] = {
      {"1.0.5 .25", 1.0f, 0.5f, 0.25f, true},  // a second point starts the next number
      {"0.5-0.25+1", 0.5f, -0.25f, 1.0f, true},
      {"0x1p-1 0X.8 0x1P+0", 0.5f, 0.5f, 1.0f, true},
      {"1e-60 1 +.5", 0.0f, 1.0f, 0.5f, true},
      {"0." + zeros + "5e300 1" + zeros + "e-300 " + zeros, 0.5f, 1.0f, 0.0f, true},
      // A start of a number that is none stops the reading, as does an infinite colour.
      {"0.5 1e 1", 0.5f, 0.0f, 0.0f, false},
      {"0.5 1e+ 1", 0.5f, 0.0f, 0.0f, false},
      {"0.5 - 1", 0.5f, 0.0f, 0.0f, false},
      {"0.5 0x 1", 0.5f, 0.0f, 0.0f, false},
      {"0.5 .e1 1", 0.5f, 0.0f, 0.0f, false},
      {"0.5 1e39 1", 0.5f, 0.0f, 0.0f, false},
      {"0.5 infinity 1", 0.5f, 0.0f, 0.0f, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 40));
    resetState();
    std::string rest;
    for (int l = 1; l < 5; ++l) rest += lineText[l];
    write(c.text + "\n" + rest + "3 0 0\n");
    readMatchFile();
    EXPECT_EQ(riders[0].colorRed, c.red);
    EXPECT_EQ(riders[0].colorGreen, c.green);
    EXPECT_EQ(riders[0].colorBlue, c.blue);
    EXPECT_EQ(lineOf(1), c.goesOn ? 2 : 0);
    EXPECT_EQ(scoresVisible, c.goesOn ? 0 : 1);
  }

  resetState();
  write(colourLines() + "2 1-1\n");  // "1-1" is 1 and then -1
  readMatchFile();
  EXPECT_EQ(riderCount, 4);
  EXPECT_EQ(riders[1].target, 3);
  EXPECT_EQ(scoresVisible, -1);
}

TEST_F(MatchFile, CountsOutsideTheLimitsAreBroughtIntoRangeWithOneLineOfReport) {
  const struct {
    const char* counts;
    int a, b;
  } cases[] = {
      {"-1 1", 0, 1},
      {"2 -3", 2, 0},
      {"1 3", 1, 2},
      {"0 0", 1, 0},
      {"-2 -2", 1, 0},
      {"4 1", 3, 1},
      {"5 0", 4, 0},
      {"4 2", 2, 2},
      {"99999999999 2", 2, 2},
      {"2 99999999999", 2, 2},
      {"-99999999999 -5", 1, 0},
      {"2147483647 2147483647", 2, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.counts);
    resetState();
    write(colourLines() + c.counts + " 1\n");
    readMatchFile();
    EXPECT_EQ(riderCount, c.a + c.b + 1);
    for (int i = 1; i < riderCount; ++i) EXPECT_LT(riders[i].target, riderCount);
    ASSERT_EQ(debugOutputCallCount, 1);
    std::string text = recordedDebugText;
    EXPECT_EQ(text.find("setup.txt"), 0u);
    std::string now = "to " + std::to_string(c.a) + " and " + std::to_string(c.b);
    EXPECT_NE(text.find(now), std::string::npos) << text;
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.find('\n'), text.size() - 1);
  }
}

TEST_F(MatchFile, NoFileContentCrashesOrLeavesTheMatchOutOfRange) {
  std::mt19937 generator(1234567u);
  const char alphabet[] = "0123456789 \n\t.-+eE5x\r";
  for (int round = 0; round < 400; ++round) {
    resetState();
    std::string text;
    size_t length = generator() % 300;
    for (size_t n = 0; n < length; ++n) {
      unsigned pick = generator();
      text += round % 2 ? static_cast<char>(pick & 0xff)
                        : alphabet[pick % (sizeof alphabet - 1)];
    }
    write(text);
    readMatchFile();
    ASSERT_GE(riderCount, 2);
    ASSERT_LE(riderCount, 5);
    for (int i = 1; i < riderCount; ++i) ASSERT_LT(riders[i].target, riderCount);
    for (int i = 0; i < MAX_RIDERS; ++i) ASSERT_EQ(riders[i].color >> 24, 0u);
    ASSERT_LE(debugOutputCallCount, 1);
  }

  resetState();
  write(std::string(100000, '9') + " 1 1\n");
  readMatchFile();
  EXPECT_EQ(riderCount, 4);
  EXPECT_EQ(riders[0].colorRed, 0.0f);

  resetState();
  write(std::string("0.5\0 1 1", 8));
  readMatchFile();
  EXPECT_EQ(riderCount, 4);
}

}  // namespace
