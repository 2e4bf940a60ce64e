#include "platform/shared/command_line_args.h"

#include "platform/window.h"

static int argumentCount = 0;
static char** arguments = 0;

void keepCommandLine(int argc, char** argv) {
  argumentCount = argc > 1 && argv ? argc - 1 : 0;
  arguments = argv ? argv + 1 : 0;
}

int commandLineCount() { return argumentCount; }

const char* commandLineArgument(int index) {
  return index >= 0 && index < argumentCount ? arguments[index] : 0;
}
