// Stands in for the font in scene tests of the GL set-up: records when it is asked to load
// and which of the fixed display lists existed at that moment.
#include "font_call_recorder.h"

#include "platform/opengl.h"
#include "render/font.h"

int fontLoadCount = 0;
int listsBeforeFont = 0;

void loadFont() {
  fontLoadCount++;
  listsBeforeFont = 0;
  while (glIsList((GLuint)(listsBeforeFont + 1))) listsBeforeFont++;
}
