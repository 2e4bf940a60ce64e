// The GL set-up's order of steps, its pixel-format request and its two failure messages,
// and the shutdown's order, against recording stand-ins.
#include <gtest/gtest.h>

#include "graphics_setup_doubles.h"
#include "message_box_recorder.h"
#include "render/graphics.h"

namespace {

WindowHandle someWindow() {
  static int window;
  return (WindowHandle)&window;
}

class GraphicsSetup : public ::testing::Test {
 protected:
  void SetUp() override {
    resetSetupLog();
    clearRecordedMessageBoxes();
    choosePixelFormatResult = 7;
    setPixelFormatResult = 1;
    deviceContext = 0;
    renderContext = 0;
  }
};

void expectTheRequest(const PixelFormatRequest& r) {
  EXPECT_EQ(r.nSize, 40);
  EXPECT_EQ(r.nVersion, 1);
  EXPECT_EQ(r.dwFlags, 37u);
  EXPECT_EQ(r.iPixelType, PFD_TYPE_RGBA);
  EXPECT_EQ(r.cColorBits, 16);
  EXPECT_EQ(r.cDepthBits, 16);
}

TEST_F(GraphicsSetup, BuildsListsBeforeTheFontAndShowsTheWindowLast) {
  EXPECT_EQ(initGraphics(someWindow()), 1);
  EXPECT_STREQ(setupLog(),
               "getDeviceContext choosePixelFormat setPixelFormat createRenderContext makeCurrent "
               "buildDisplayLists loadFont showWindow updateWindow");
  EXPECT_EQ(deviceContext, fakeDeviceContext());
  EXPECT_EQ(renderContext, fakeRenderContext());
  EXPECT_EQ(madeCurrentDc, fakeDeviceContext());
  EXPECT_EQ(madeCurrentRc, fakeRenderContext());
  expectTheRequest(lastChooseRequest);
  expectTheRequest(lastSetRequest);
  EXPECT_EQ(lastSetFormat, 7);  // the chosen format is the one set
  EXPECT_EQ(recordedMessageBoxCount(), 0);
}

TEST_F(GraphicsSetup, NoSuitableFormatStopsBeforeAnyContext) {
  choosePixelFormatResult = 0;
  EXPECT_EQ(initGraphics(someWindow()), 0);
  EXPECT_STREQ(setupLog(), "getDeviceContext choosePixelFormat");
  EXPECT_EQ(renderContext, nullptr);
  ASSERT_EQ(recordedMessageBoxCount(), 1);
  const RecordedMessageBox* box = lastRecordedMessageBox();
  EXPECT_STREQ(box->text, "ChoosePixelFormat() failed:  Cannot find a suitable pixel format.");
  EXPECT_TRUE(box->hasCaption);
  EXPECT_STREQ(box->caption, "Error");
  EXPECT_EQ(box->owner, nullptr);
  EXPECT_EQ(box->type, (uint32_t)MB_OK);
}

TEST_F(GraphicsSetup, AFormatThatCannotBeSetStopsBeforeAnyContext) {
  setPixelFormatResult = 0;
  EXPECT_EQ(initGraphics(someWindow()), 0);
  EXPECT_STREQ(setupLog(), "getDeviceContext choosePixelFormat setPixelFormat");
  EXPECT_EQ(renderContext, nullptr);
  ASSERT_EQ(recordedMessageBoxCount(), 1);
  const RecordedMessageBox* box = lastRecordedMessageBox();
  EXPECT_STREQ(box->text, "SetPixelFormat() failed:  Cannot set format specified.");
  EXPECT_STREQ(box->caption, "Error");
  EXPECT_EQ(box->owner, nullptr);
}

TEST_F(GraphicsSetup, ShutdownReleasesInOrderAndToleratesAFailedStart) {
  ASSERT_EQ(initGraphics(someWindow()), 1);
  resetSetupLog();
  shutdownGraphics();
  EXPECT_STREQ(setupLog(),
               "restoreDisplaySettings makeCurrent(none) releaseDeviceContext deleteRenderContext");
  EXPECT_EQ(releasedWindow, someWindow());
  EXPECT_EQ(releasedContext, fakeDeviceContext());
  EXPECT_EQ(deletedContext, fakeRenderContext());

  // After a pixel-format failure there is no context to delete.
  choosePixelFormatResult = 0;
  ASSERT_EQ(initGraphics(someWindow()), 0);
  deletedContext = fakeRenderContext();
  shutdownGraphics();
  EXPECT_EQ(deletedContext, nullptr);
  EXPECT_EQ(renderContext, nullptr);
  EXPECT_EQ(deviceContext, nullptr);
}

TEST_F(GraphicsSetup, OverlayPageSwapsOnlyWhenItEnds) {
  ASSERT_EQ(initGraphics(someWindow()), 1);
  resetSetupLog();
  overlayPage(0);
  overlayPage(2);
  overlayPage(255);
  EXPECT_STREQ(setupLog(), "");
  overlayPage(1);
  EXPECT_STREQ(setupLog(), "swapBuffers");
}

}  // namespace
