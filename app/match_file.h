// The match file "setup.txt": rider count, colours, chase targets and whether scores show.
#pragma once

// Start-up reads it once, after the window exists and before anything counts riders.
void readMatchFile();
