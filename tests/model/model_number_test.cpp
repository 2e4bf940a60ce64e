// Numbers in the model file: only the plain decimal form counts, and every value is finite.
#include <gtest/gtest.h>

#include <float.h>
#include <math.h>

#include <string>

#include "model_test_support.h"

TEST(ModelNumbers, OnlySignDigitsFractionAndExponentCountAndTheValueStaysFinite) {
  const struct {
    const char* word;
    float value;
  } cases[] = {
      {"inf", 0}, {"-Infinity", 0}, {"nan", 0}, {"0x10", 0}, {"-0x1p3", 0}, {".", 0}, {"-.e5", 0},
      {"e5", 0}, {"+.25", 0.25f}, {"3.", 3}, {"1E+2", 100}, {"25e-1", 2.5f}, {"1e", 1},
      {"2e+", 2}, {"4.5x", 4.5f}, {"1.5.5", 1.5f}, {"0.000000000000000000000000125e24", 0.125f},
      {"123456789012345678901234567890", 1.2345679e29f}, {"3e38", 3e38f}, {"1e39", FLT_MAX},
      {"-1e999999999999", -FLT_MAX}, {"1e-50", 0}, {"0e999999", 0}};
  std::string text = "DEF Shape Transform { coord DEF N Coordinate { point [\n";
  for (const auto& c : cases) text += std::string(c.word) + " 0 0,\n";
  resetModelReader();
  ASSERT_EQ(1, loadModelText(text + "] } }\n"));
  ModelNode* node = findNode("N");
  ASSERT_NE(nullptr, node);
  ASSERT_EQ((int)(sizeof cases / sizeof cases[0]), node->vertexCount);
  for (int i = 0; i < node->vertexCount; ++i) {
    EXPECT_FLOAT_EQ(cases[i].value, node->vertices[i].x) << cases[i].word;
    EXPECT_TRUE(std::isfinite(node->vertices[i].x)) << cases[i].word;  // FLOAT_EQ takes inf
  }
  // One infinite coordinate would make the size infinite and shrink every cycle to nothing.
  EXPECT_EQ((double)FLT_MAX, maxCoordinate);

  resetModelReader();
  ASSERT_EQ(1, loadModelText("DEF N Transform { scale inf 2 nan translation 1e99 0x10 5 }\n"));
  node = findNode("N");
  ASSERT_NE(nullptr, node);
  EXPECT_EQ(0.0f, node->scale[0]);
  EXPECT_EQ(2.0f, node->scale[1]);
  EXPECT_EQ(0.0f, node->scale[2]);
  EXPECT_EQ(FLT_MAX, node->translation[0]);
  EXPECT_EQ(0.0f, node->translation[1]);
  resetModelReader();
}
