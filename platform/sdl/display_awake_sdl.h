// The display stays awake while a match or the attract mode runs, and may sleep at the
// title. The game draws every frame while it runs and only on exposure at the title, so a
// frame shown lately is what tells the two apart.
#pragma once

// Called with each frame put on the screen.
void noteFrameShown();

// Called each pass of the message loop: lets the screen saver in once no frame has been
// shown for a while, keeps it out while frames come.
void keepDisplayAwakeWhileRunning();
