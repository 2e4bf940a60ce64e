// The baseline for start-up and memory: an empty SDL2 GL window of the game's size and
// format, with nothing of the game in it. It opens the display, makes the hidden window,
// gives it a GL context, shows it, clears it and swaps once.
// Usage: vask_bench_empty_window          prints time marks as the start-up build of the game
//                                         does ("name ns" lines) and ends at the first frame;
//        vask_bench_empty_window stay     keeps the window up, redrawn 60 times a second,
//                                         until it is closed (for the resident memory).
#include <SDL.h>
#include <SDL_opengl.h>
#include <stdio.h>
#include <string.h>
#include <time.h>

namespace {
long long nowNs() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return (long long)t.tv_sec * 1000000000LL + t.tv_nsec;
}

void drawEmpty(SDL_Window* window) {
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  SDL_GL_SwapWindow(window);
}
}  // namespace

int main(int argc, char** argv) {
  const int stay = argc > 1 && strcmp(argv[1], "stay") == 0;
  long long entered = nowNs();
  if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
    fprintf(stderr, "empty window: %s\n", SDL_GetError());
    return 1;
  }
  long long desktop = nowNs();
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 5);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 6);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 5);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_Window* window = SDL_CreateWindow("Empty SDL2 GL window", SDL_WINDOWPOS_UNDEFINED,
                                        SDL_WINDOWPOS_UNDEFINED, 640, 480,
                                        SDL_WINDOW_HIDDEN | SDL_WINDOW_OPENGL);
  SDL_GLContext gl = window ? SDL_GL_CreateContext(window) : 0;
  if (!gl) {
    fprintf(stderr, "empty window: %s\n", SDL_GetError());
    return 1;
  }
  long long made = nowNs();
  SDL_GL_SetSwapInterval(1);
  SDL_ShowWindow(window);
  long long shown = nowNs();
  drawEmpty(window);
  glFinish();  // the first frame has reached the window
  long long title = nowNs();
  if (!stay) {
    printf("entered %lld\ndesktop %lld\nwindow %lld\ngraphics %lld\ntitle %lld\n", entered, desktop,
           made, shown, title);
    return 0;
  }
  for (;;) {
    SDL_Event e;
    while (SDL_PollEvent(&e))
      if (e.type == SDL_QUIT) {
        SDL_GL_DeleteContext(gl);
        SDL_DestroyWindow(window);
        SDL_Quit();
        return 0;
      }
    drawEmpty(window);
    SDL_Delay(16);
  }
}
