// The program's words as main() got them, for the backends whose entry is main().
#pragma once

// main() keeps its words here before it runs the game.
void keepCommandLine(int argc, char** argv);
