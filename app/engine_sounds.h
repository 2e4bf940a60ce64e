// The engines of the other riders, heard from the local rider during play.
#pragma once

// The main loop places every other rider's engine around the local rider and sets the local
// engine's pitch from its speed, at every pass outside attract mode.
void placeEngineSounds();
