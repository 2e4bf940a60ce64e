// Stand-ins for the frame drawing, the title, the viewport and the music that the window
// procedure calls: each call is logged. stopMusic also notes how many sound calls came
// before it.
#include "call_log.h"
#include "doubles/recorded_sound.h"
#include "frame_doubles.h"
#include "audio/music.h"
#include "render/camera.h"
#include "render/graphics.h"
#include "render/hud.h"
#include "render/title.h"
#include "render/world.h"

int soundCallsBeforeStopMusic = -1;

void beginFrame() { logCall("beginFrame"); }
void updateFrame() { logCall("updateFrame"); }
void drawWorld() { logCall("drawWorld"); }
void drawHud() { logCall("drawHud"); }
void resizeGraphics(int width, int height) { logCall("resizeGraphics", width, height); }
void showTitle() { logCall("showTitle"); }

int stopMusic() {
  logCall("stopMusic");
  soundCallsBeforeStopMusic = recordedSoundCount;
  return 1;
}
