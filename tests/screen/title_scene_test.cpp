// The title screen on a real GL context, with good, missing and broken pictures.
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>
#include <string>
#include "platform/opengl.h"
#include "render/font.h"
#include "render/title.h"
#include "scene_support.h"

namespace {
// Top half red, bottom half blue; the left 40 columns of the top half green.
void quarters(int x, int rowFromTop, uint8_t* out) {
  if (rowFromTop < 240) {
    out[0] = x < 40 ? 30 : 220;
    out[1] = x < 40 ? 220 : 30;
    out[2] = 30;
  } else {
    out[0] = 30;
    out[1] = 30;
    out[2] = 220;
  }
}

void grey(int, int, uint8_t* out) { out[0] = out[1] = out[2] = 128; }

bool near(const std::string& frame, int x, int y, int r, int g, int b) {
  const uint8_t* p = (const uint8_t*)&frame[((size_t)y * 640 + x) * 3];
  return abs(p[0] - r) <= 40 && abs(p[1] - g) <= 40 && abs(p[2] - b) <= 40;
}

bool white(const std::string& frame, int x, int y) {
  const uint8_t* p = (const uint8_t*)&frame[((size_t)y * 640 + x) * 3];
  return p[0] == 255 && p[1] == 255 && p[2] == 255;
}

// The leftmost white pixel in columns x0..x1 of the title line's rows (-1: none), and
// whether any white lies outside those rows.
int leftmostWhite(const std::string& frame, int x0, int x1) {
  for (int x = x0; x <= x1; x++)
    for (int y = 0; y < 480; y++)
      if (white(frame, x, y)) return x;
  return -1;
}

bool whiteOutsideTextRows(const std::string& frame) {
  for (int y = 0; y < 480; y++) {
    if (y >= 8 && y <= 23) continue;
    for (int x = 0; x < 640; x++)
      if (white(frame, x, y)) return true;
  }
  return false;
}

// Both title lines are there: "V1.2" from 560, the start line from 10, white, at y 10.
void expectTitleLines(const std::string& frame) {
  int version = leftmostWhite(frame, 400, 639);
  EXPECT_GE(version, 560);
  EXPECT_LE(version, 563);
  int start = leftmostWhite(frame, 0, 399);
  EXPECT_GE(start, 10);
  EXPECT_LE(start, 13);
  EXPECT_FALSE(whiteOutsideTextRows(frame));
}

// Where a JPEG's headers end: the byte after its start-of-scan segment. A stream cut before
// it holds no image; one cut after it holds the image's start.
size_t headersEnd(const std::string& jpeg) {
  for (size_t i = 2; i + 4 <= jpeg.size();) {
    if ((uint8_t)jpeg[i] != 0xFF) return std::string::npos;
    size_t length = (size_t)(uint8_t)jpeg[i + 2] << 8 | (uint8_t)jpeg[i + 3];
    if ((uint8_t)jpeg[i + 1] == 0xDA) return i + 2 + length;
    i += 2 + length;
  }
  return std::string::npos;
}

// The picture as libjpeg decodes it with default settings, top row first, RGB.
std::string decodeJpeg(const char* path) {
  FILE* file = fopen(path, "rb");
  if (!file) return "";
  jpeg_decompress_struct info;
  jpeg_error_mgr error;
  info.err = jpeg_std_error(&error);
  jpeg_create_decompress(&info);
  jpeg_stdio_src(&info, file);
  jpeg_read_header(&info, TRUE);
  jpeg_start_decompress(&info);
  std::string rows((size_t)info.output_width * info.output_height * info.output_components, '\0');
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = (JSAMPROW)&rows[(size_t)info.output_scanline * info.output_width * 3];
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  fclose(file);
  return rows;
}

class TitleScene : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(openSceneWindow());
    char here[4096];
    ASSERT_TRUE(getcwd(here, sizeof here));
    ASSERT_EQ(chdir(VASK_DATA_DIR), 0);
    loadFont();
    ASSERT_EQ(chdir(here), 0);
    enterTempDir();
    fillBothBuffers(0.0f, 0.25f, 0.0f);  // what start-up left behind
  }
  void TearDown() override { leaveTempDir(); }

  // showTitle with everything it writes to standard error.
  std::string showTitleSaying() {
    testing::internal::CaptureStderr();
    showTitle();
    return testing::internal::GetCapturedStderr();
  }

  void expectNoPicture(const std::string& frame) {
    EXPECT_TRUE(near(frame, 320, 400, 0, 64, 0));
    EXPECT_TRUE(near(frame, 320, 100, 0, 64, 0));
    expectTitleLines(frame);
  }
};

TEST_F(TitleScene, PictureIsShownUprightWithBothLinesInWhite) {
  writeJpeg("vask.jpg", 640, 480, 3, quarters);
  std::string said = showTitleSaying();
  EXPECT_EQ(said, "");
  std::string frame = readShownBuffer();
  saveShownPpm("/tmp/vask-screen-title-test-picture.ppm");
  EXPECT_TRUE(near(frame, 10, 470, 30, 220, 30));   // top left: green
  EXPECT_TRUE(near(frame, 300, 470, 220, 30, 30));  // top: red
  EXPECT_TRUE(near(frame, 300, 250, 220, 30, 30));
  EXPECT_TRUE(near(frame, 10, 230, 30, 30, 220));   // bottom: blue from the left edge
  EXPECT_TRUE(near(frame, 630, 100, 30, 30, 220));
  expectTitleLines(frame);
}

TEST_F(TitleScene, OurOwnTitlePictureDecodesAndShows) {
  std::string picture = readBytes(VASK_DATA_DIR "/vask.jpg");
  ASSERT_GT(picture.size(), 1000u);
  writeBytes("vask.jpg", picture.data(), picture.size());
  EXPECT_EQ(drawTitlePicture("vask.jpg"), 1);
  std::string said = showTitleSaying();
  EXPECT_EQ(said, "");
  saveShownPpm("/tmp/vask-screen-title.ppm");
  // The picture itself, pixel for pixel, upright, everywhere but in the text's rows.
  std::string frame = readShownBuffer();
  std::string want = decodeJpeg("vask.jpg");
  ASSERT_EQ(want.size(), frame.size());
  int wrong = 0;
  for (int y = 0; y < 480; y++) {
    if (y >= 8 && y <= 23) continue;
    for (int x = 0; x < 640; x++)
      wrong += memcmp(&frame[((size_t)y * 640 + x) * 3], &want[((size_t)(479 - y) * 640 + x) * 3], 3) != 0;
  }
  EXPECT_EQ(wrong, 0) << "pixels that differ from the picture";
  expectTitleLines(frame);
}

TEST_F(TitleScene, MissingPictureSaysSoAndKeepsWhatWasThere) {
  std::string said = showTitleSaying();
  EXPECT_EQ(said, "Could not open JPEG\n");
  expectNoPicture(readShownBuffer());
  EXPECT_EQ(drawTitlePicture("vask.jpg"), 0);
}

TEST_F(TitleScene, PictureOfAnotherSizeIsSkippedSilently) {
  const int sizes[][2] = {{641, 480}, {640, 479}, {320, 240}};
  for (const auto& size : sizes) {
    writeJpeg("vask.jpg", size[0], size[1], 3, quarters);
    std::string said = showTitleSaying();
    EXPECT_EQ(said, "") << size[0] << "x" << size[1];
    expectNoPicture(readShownBuffer());
  }
}

TEST_F(TitleScene, GreyscalePictureIsSkippedLikeAWrongSize) {
  writeJpeg("vask.jpg", 640, 480, 1, grey);
  EXPECT_EQ(drawTitlePicture("vask.jpg"), 0);
  std::string said = showTitleSaying();
  EXPECT_EQ(said, "");
  expectNoPicture(readShownBuffer());
}

TEST_F(TitleScene, FileThatIsNotAJpegGivesTheLibrarysMessageAndNoPicture) {
  const char text[] = "this is not a picture\n";
  writeBytes("vask.jpg", text, sizeof text - 1);
  std::string said = showTitleSaying();
  EXPECT_NE(said.find("Not a JPEG file"), std::string::npos) << said;
  expectNoPicture(readShownBuffer());

  // An empty file is an error of its own; the decoder is released and ready again.
  writeBytes("vask.jpg", "", 0);
  testing::internal::CaptureStderr();
  EXPECT_EQ(drawTitlePicture("vask.jpg"), 0);
  said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("mpty"), std::string::npos) << said;
  writeJpeg("vask.jpg", 640, 480, 3, quarters);
  EXPECT_EQ(drawTitlePicture("vask.jpg"), 1);
}

TEST_F(TitleScene, BrokenStreamsNeverStopTheProgram) {
  // A 640 by 480 picture cut at every few bytes: cut inside its headers it holds no image
  // and is not drawn; cut after them, the part that is there is drawn.
  writeJpeg("good.jpg", 640, 480, 3, quarters);
  std::string good = readBytes("good.jpg");
  size_t headers = headersEnd(good);
  ASSERT_NE(headers, std::string::npos);
  ASSERT_GT(good.size(), headers + 100);
  for (size_t cut = 2; cut < headers + 100; cut += 37) {
    std::string broken = good.substr(0, cut);
    writeBytes("vask.jpg", broken.data(), broken.size());
    testing::internal::CaptureStderr();
    int drawn = drawTitlePicture("vask.jpg");
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(drawn, cut >= headers ? 1 : 0) << "cut at " << cut << " of headers ending at " << headers;
  }
  // Whole headers over damaged data (bytes zeroed, which can make no marker) and the end
  // marker: drawn, whatever the damage shows.
  std::string scrambled = good;
  for (size_t i = headers + 16; i + 2 < scrambled.size(); i += 7) scrambled[i] = 0;
  writeBytes("vask.jpg", scrambled.data(), scrambled.size());
  testing::internal::CaptureStderr();
  EXPECT_EQ(drawTitlePicture("vask.jpg"), 1);
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(drawTitlePicture("good.jpg"), 1);
}

TEST_F(TitleScene, PictureCutOffHalfWayWarnsOnceAndIsStillDrawn) {
  writeJpeg("good.jpg", 640, 480, 3, quarters);
  std::string good = readBytes("good.jpg");
  std::string half = good.substr(0, good.size() / 2);
  writeBytes("vask.jpg", half.data(), half.size());
  std::string said = showTitleSaying();
  size_t first = said.find("Premature end of JPEG file");
  EXPECT_NE(first, std::string::npos) << said;
  EXPECT_EQ(first, said.rfind("Premature end of JPEG file")) << said;
  std::string frame = readShownBuffer();
  EXPECT_TRUE(near(frame, 10, 470, 30, 220, 30));  // the top came through
  EXPECT_TRUE(near(frame, 300, 470, 220, 30, 30));
  EXPECT_FALSE(near(frame, 320, 100, 0, 64, 0));   // the rest is the library's fill
  expectTitleLines(frame);
}
}  // namespace
