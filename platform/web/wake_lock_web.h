// The display kept awake while the game runs (a match, or the attract mode), through the
// page's screen wake lock where the browser offers one. The game shows a frame every
// step while it runs and none at the title, so a frame shown within the last second and a
// half is what "running" means here. Internal to this backend.
#pragma once

// Each shown frame: takes the wake lock if it is not held (again after the page was hidden,
// which lets it go).
void wakeLockFrameShown();

// Before the game's context goes: lets the lock go for good.
void wakeLockStop();
