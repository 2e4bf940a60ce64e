// "vask.jpg" missing, empty, cut in half or garbage: the title shows the picture when the
// decoder can make one (a cut file is filled in by libjpeg), otherwise only its two lines;
// start-up goes on in every case.
#include <string>

#include <gtest/gtest.h>

#include "bad_files.h"
#include "frame_doubles.h"
#include "fuzz/fuzz_support.h"
#include "fuzz/gl_double.h"
#include "render/font.h"
#include "render/title.h"

namespace {

class TitleFileBadInput : public ::testing::Test {
 protected:
  void SetUp() override {
    resetGlDouble();
    resetFrameDoubles();
    clearDebugOutputText();
  }
  void TearDown() override { leaveWorkDirectory(); }

  // The title as start-up shows it; returns drawTitlePicture's own result for the file,
  // and keeps what the decoder wrote to standard error.
  int show(BadKind kind) {
    enterWorkDirectory("vask.jpg", kind);
    fontListBase = 0;
    loadFont();  // the lines need the font's lists (the file is there)
    clearDebugOutputText();
    ::testing::internal::CaptureStderr();
    int drawn = drawTitlePicture("vask.jpg");
    decoderMessages = ::testing::internal::GetCapturedStderr();
    int pictures = glDoublePixelRectangles();
    showTitle();
    EXPECT_EQ(glDoublePixelRectangles(), 2 * pictures);  // showTitle draws the same again
    EXPECT_EQ(glDoubleListCalls(), 2);                   // "V1.2" and the start line
    checkGlDoubleBalanced();
    return drawn;
  }
  std::string decoderMessages;
};

TEST_F(TitleFileBadInput, MissingFileShowsOnlyTheLinesAndSaysSoOnTheDebugger) {
  EXPECT_EQ(show(FILE_MISSING), 0);
  EXPECT_EQ(glDoublePixelRectangles(), 0);
  EXPECT_STREQ(debugOutputText, "Could not open JPEG\nCould not open JPEG\n");
  EXPECT_EQ(decoderMessages, "");
}

TEST_F(TitleFileBadInput, EmptyFileIsADecodingErrorAndShowsOnlyTheLines) {
  EXPECT_EQ(show(FILE_EMPTY), 0);
  EXPECT_EQ(glDoublePixelRectangles(), 0);
  EXPECT_NE(decoderMessages.find("Empty input file"), std::string::npos) << decoderMessages;
  EXPECT_STREQ(debugOutputText, "");
}

TEST_F(TitleFileBadInput, GarbageIsNotAJpegAndShowsOnlyTheLines) {
  EXPECT_EQ(show(FILE_GARBAGE), 0);
  EXPECT_EQ(glDoublePixelRectangles(), 0);
  EXPECT_NE(decoderMessages.find("Not a JPEG file"), std::string::npos) << decoderMessages;
}

TEST_F(TitleFileBadInput, CutFileIsFilledInWithOneWarningAndDrawn) {
  EXPECT_EQ(show(FILE_TRUNCATED), 1);
  EXPECT_EQ(glDoublePixelRectangles(), 4);  // both colour buffers, for each of the two calls
  EXPECT_EQ(bufferSwaps, 4);
  size_t first = decoderMessages.find("Premature end of JPEG file");
  ASSERT_NE(first, std::string::npos) << decoderMessages;
  EXPECT_EQ(decoderMessages.find("Premature end", first + 1), std::string::npos) << decoderMessages;
}

}  // namespace
