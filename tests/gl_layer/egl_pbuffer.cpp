// A 640 by 480 pbuffer on Mesa's surfaceless EGL platform: the same software rasteriser
// for both APIs, and no X server.
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <stdio.h>
#include "drawing_context.h"

int openPbufferContext(unsigned api) {
  PFNEGLGETPLATFORMDISPLAYEXTPROC getPlatformDisplay =
      (PFNEGLGETPLATFORMDISPLAYEXTPROC)eglGetProcAddress("eglGetPlatformDisplayEXT");
  if (!getPlatformDisplay) return fprintf(stderr, "no eglGetPlatformDisplayEXT\n"), 0;
  EGLDisplay display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, 0);
  if (!eglInitialize(display, 0, 0)) return fprintf(stderr, "eglInitialize failed\n"), 0;
  const EGLint renderable = api == EGL_OPENGL_API ? EGL_OPENGL_BIT : EGL_OPENGL_ES2_BIT;
  const EGLint configAttribs[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, renderable,
                                  EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8,
                                  EGL_DEPTH_SIZE, 24, EGL_NONE};
  EGLConfig config;
  EGLint found = 0;
  if (!eglChooseConfig(display, configAttribs, &config, 1, &found) || found < 1)
    return fprintf(stderr, "no EGL pbuffer config\n"), 0;
  const EGLint surfaceAttribs[] = {EGL_WIDTH, PICTURE_WIDTH, EGL_HEIGHT, PICTURE_HEIGHT, EGL_NONE};
  EGLSurface surface = eglCreatePbufferSurface(display, config, surfaceAttribs);
  if (surface == EGL_NO_SURFACE) return fprintf(stderr, "no pbuffer\n"), 0;
  eglBindAPI(api);
  const EGLint es2[] = {EGL_CONTEXT_CLIENT_VERSION, 2, EGL_NONE};
  EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT,
                                        api == EGL_OPENGL_ES_API ? es2 : 0);
  if (context == EGL_NO_CONTEXT) return fprintf(stderr, "no EGL context\n"), 0;
  if (!eglMakeCurrent(display, surface, surface, context))
    return fprintf(stderr, "eglMakeCurrent failed\n"), 0;
  return 1;
}
