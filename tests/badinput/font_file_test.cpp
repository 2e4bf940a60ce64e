// "flori.fnt" missing, empty, cut in half or garbage: the font still compiles its 256
// lists, so every text draws; the glyphs the file lacks are blank.
#include <string.h>

#include <gtest/gtest.h>

#include "bad_files.h"
#include "fuzz/fuzz_support.h"
#include "fuzz/gl_double.h"
#include "render/font.h"

namespace {

class FontFileBadInput : public ::testing::Test {
 protected:
  void SetUp() override {
    resetGlDouble();
    clearDebugOutputText();
    fontListBase = 0;
  }
  void TearDown() override { leaveWorkDirectory(); }
  void load(BadKind kind) {
    enterWorkDirectory("flori.fnt", kind);
    memset(fontGlyphs, 0xAA, sizeof fontGlyphs);  // whatever was there before
    loadFont();
    EXPECT_EQ(glDoubleListsCompiled(), 256);
    drawText(0.0f, 10.0f, "PRESS A KEY TO BEGIN (D FOR DEMO)");
    EXPECT_EQ(glDoubleListCalls(), 1);
    checkGlDoubleBalanced();
  }
};

// Glyph g as loaded: the file's 16 rows, bottom row first; rows beyond the file are blank.
void expectGlyphsFrom(const std::vector<uint8_t>& file, int firstGlyph, int endGlyph) {
  for (int g = firstGlyph; g < endGlyph; g++)
    for (int row = 0; row < 16; row++) {
      size_t at = (size_t)g * 16 + (size_t)(15 - row);
      uint8_t expected = at < file.size() ? file[at] : 0;
      ASSERT_EQ(fontGlyphs[g * 16 + row], expected) << "glyph " << g << " row " << row;
    }
}

TEST_F(FontFileBadInput, MissingFileLeavesEveryGlyphBlank) {
  load(FILE_MISSING);
  expectGlyphsFrom({}, 0, 256);
  EXPECT_STREQ(debugOutputText, "Could not open flori.fnt: text will be blank\n");
}

TEST_F(FontFileBadInput, EmptyFileLeavesEveryGlyphBlank) {
  load(FILE_EMPTY);
  expectGlyphsFrom({}, 0, 256);
  EXPECT_NE(strstr(debugOutputText, "short (0 of 4096 bytes)"), nullptr) << debugOutputText;
}

TEST_F(FontFileBadInput, CutFileKeepsItsFirstHalfOfGlyphs) {
  load(FILE_TRUNCATED);
  std::vector<uint8_t> cut = badContents("flori.fnt", FILE_TRUNCATED);
  ASSERT_EQ(cut.size(), 2048u);
  expectGlyphsFrom(cut, 0, 256);
  EXPECT_NE(strstr(debugOutputText, "short (2048 of 4096 bytes)"), nullptr) << debugOutputText;
}

TEST_F(FontFileBadInput, GarbageBecomesGlyphsAsItStands) {
  load(FILE_GARBAGE);
  expectGlyphsFrom(garbageBytes(4096), 0, 256);
  EXPECT_STREQ(debugOutputText, "");
}

}  // namespace
