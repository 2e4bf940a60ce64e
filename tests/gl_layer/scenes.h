// The call sequences both picture runners draw, each from GL's initial state with a
// 640 by 480 viewport.
#pragma once

struct Scene {
  const char* name;
  void (*draw)();
};

const Scene* findScene(const char* name);
