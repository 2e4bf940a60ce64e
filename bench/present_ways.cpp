// What presenting the 640 by 480 frame in a 1920 by 1080 window costs, by way of doing it,
// all in one run on the same window and context: clear and swap alone, one nearest blit,
// one smoothed blit, the two blits the game uses (nearest to 1280 by 960, then smoothed to
// 1440 by 1080), a one-pass sharp-bilinear shader and a plain textured quad. Prints one line
// a way: "way <name> <CPU ms a frame> <real ms a frame>" (the process's CPU, the
// rasterizer's threads included). Run on a private Xvfb from bench/run_all.sh.
#define GL_GLEXT_PROTOTYPES 1
#include <SDL.h>
#include <GL/gl.h>
#include <GL/glext.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

namespace {

const int W = 1920, H = 1080, FRAMES = 600;
const int AREA_X = 240, AREA_W = 1440;  // the largest 4:3 area, centred

double cpuMilliseconds() {
  timespec t;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

GLuint frame, frameTexture, whole, wholeColor, program;

void makeTargets() {
  glGenTextures(1, &frameTexture);
  glBindTexture(GL_TEXTURE_2D, frameTexture);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 640, 480, 0, GL_RGBA, GL_UNSIGNED_BYTE, 0);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glGenFramebuffers(1, &frame);
  glBindFramebuffer(GL_FRAMEBUFFER, frame);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, frameTexture, 0);
  glGenRenderbuffers(1, &wholeColor);
  glBindRenderbuffer(GL_RENDERBUFFER, wholeColor);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, 1280, 960);
  glGenFramebuffers(1, &whole);
  glBindFramebuffer(GL_FRAMEBUFFER, whole);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, wholeColor);
}

// Sharp bilinear in one pass, as the game presents it: the sample stays at a pixel's centre
// across its middle and moves to its edge only within half an output pixel of it.
void makeProgram() {
  const char* vertex = "void main() { gl_TexCoord[0] = gl_MultiTexCoord0; gl_Position = gl_Vertex; }";
  const char* fragment =
      "uniform sampler2D frame; uniform vec2 size; uniform float whole;\n"
      "void main() {\n"
      "  vec2 texel = gl_TexCoord[0].xy * size;\n"
      "  vec2 fromCentre = fract(texel) - 0.5;\n"
      "  vec2 flat = vec2(0.5 - 0.5 / whole);\n"
      "  vec2 inside = (fromCentre - clamp(fromCentre, -flat, flat)) * whole + 0.5;\n"
      "  gl_FragColor = texture2D(frame, (floor(texel) + inside) / size);\n"
      "}\n";
  program = glCreateProgram();
  const char* sources[2] = {vertex, fragment};
  const GLenum kinds[2] = {GL_VERTEX_SHADER, GL_FRAGMENT_SHADER};
  for (int i = 0; i < 2; i++) {
    GLuint shader = glCreateShader(kinds[i]);
    glShaderSource(shader, 1, &sources[i], 0);
    glCompileShader(shader);
    glAttachShader(program, shader);
  }
  glLinkProgram(program);
  GLint linked = 0;
  glGetProgramiv(program, GL_LINK_STATUS, &linked);
  if (!linked) {
    fprintf(stderr, "present_ways: the shader did not link\n");
    exit(1);
  }
  glUseProgram(program);
  glUniform1i(glGetUniformLocation(program, "frame"), 0);
  glUniform2f(glGetUniformLocation(program, "size"), 640.0f, 480.0f);
  glUniform1f(glGetUniformLocation(program, "whole"), 2.0f);
  glUseProgram(0);
}

void quad() {
  glViewport(AREA_X, 0, AREA_W, H);
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, frameTexture);
  glBegin(GL_QUADS);
  glTexCoord2f(0, 0); glVertex2f(-1, -1);
  glTexCoord2f(1, 0); glVertex2f(1, -1);
  glTexCoord2f(1, 1); glVertex2f(1, 1);
  glTexCoord2f(0, 1); glVertex2f(-1, 1);
  glEnd();
  glDisable(GL_TEXTURE_2D);
}

void present(const char* way) {
  glBindFramebuffer(GL_READ_FRAMEBUFFER, frame);
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
  if (strcmp(way, "nearest") == 0 || strcmp(way, "smoothed") == 0) {
    glBlitFramebuffer(0, 0, 640, 480, AREA_X, 0, AREA_X + AREA_W, H, GL_COLOR_BUFFER_BIT,
                      way[0] == 'n' ? GL_NEAREST : GL_LINEAR);
  } else if (strcmp(way, "two_blits") == 0) {
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, whole);
    glBlitFramebuffer(0, 0, 640, 480, 0, 0, 1280, 960, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, whole);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glBlitFramebuffer(0, 0, 1280, 960, AREA_X, 0, AREA_X + AREA_W, H, GL_COLOR_BUFFER_BIT, GL_LINEAR);
  } else if (strcmp(way, "shader") == 0) {
    glUseProgram(program);
    quad();
    glUseProgram(0);
  } else if (strcmp(way, "quad") == 0) {
    quad();
  }
}

}  // namespace

int main() {
  if (SDL_Init(SDL_INIT_VIDEO) != 0) return 1;
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
  SDL_Window* window = SDL_CreateWindow("present ways", 0, 0, W, H, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  if (!window || !SDL_GL_CreateContext(window)) {
    fprintf(stderr, "present_ways: no GL window: %s\n", SDL_GetError());
    return 1;
  }
  SDL_GL_SetSwapInterval(0);
  makeTargets();
  makeProgram();
  const char* ways[] = {"swap_only", "nearest", "smoothed", "two_blits", "shader", "quad"};
  for (int round = 0; round < 2; round++) {  // the first round warms up llvmpipe's shaders
    for (const char* way : ways) {
      const double cpu0 = cpuMilliseconds();
      const Uint64 real0 = SDL_GetPerformanceCounter();
      for (int i = 0; i < FRAMES; i++) {
        glBindFramebuffer(GL_FRAMEBUFFER, frame);  // the game's frame, changed every time
        glViewport(0, 0, 640, 480);
        glClearColor((float)(i % 2), 0.5f, 0.2f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT);
        present(way);
        SDL_GL_SwapWindow(window);
      }
      glFinish();
      const double cpu = (cpuMilliseconds() - cpu0) / FRAMES;
      const double real = (double)(SDL_GetPerformanceCounter() - real0) * 1000.0 /
                          (double)SDL_GetPerformanceFrequency() / FRAMES;
      if (round == 1) printf("way %s %.2f %.2f\n", way, cpu, real);
    }
  }
  return 0;
}
