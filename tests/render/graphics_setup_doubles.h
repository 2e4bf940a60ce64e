// Recording stand-ins for what the GL set-up calls: the GL context layer, the window's
// show and update, the fixed display lists and the font. Each call is logged by name.
#pragma once
#include "platform/gl_context.h"

// The log of calls since the last resetSetupLog, one name per call, separated by spaces.
const char* setupLog();
void resetSetupLog();

// What the stand-in layer answers.
extern int choosePixelFormatResult;   // the format number choosePixelFormat returns
extern int setPixelFormatResult;      // what setPixelFormat returns
extern PixelFormatRequest lastChooseRequest;
extern PixelFormatRequest lastSetRequest;
extern int lastSetFormat;

// The handles the stand-in layer gives out.
DeviceContext fakeDeviceContext();
RenderContext fakeRenderContext();

// The arguments of the last releaseDeviceContext, deleteRenderContext and makeCurrent.
extern WindowHandle releasedWindow;
extern DeviceContext releasedContext;
extern RenderContext deletedContext;
extern DeviceContext madeCurrentDc;
extern RenderContext madeCurrentRc;
