// The match file "setup.txt": rider count, colours, chase targets and whether scores show.
// Fifteen reals (five colour lines of red, green, blue) and then three integers (the sizes
// of the two groups and the score switch), separated by any whitespace.
#include "app/match_file.h"

#include <ctype.h>
#include <limits.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>

#include "platform/window.h"
#include "sim/riders.h"
#include "sim/ui_state.h"

enum { COLOUR_LINES = 5, NUMBER_TEXT_SIZE = 256 };

// Reads the next whitespace-separated word into `text`. Returns 0 at the end of the file
// or when the word is too long to be a number anyone meant.
static int readWord(FILE* file, char* text) {
  int c;
  do c = getc(file);
  while (c != EOF && isspace(c));
  if (c == EOF) return 0;
  int length = 0;
  while (c != EOF && !isspace(c)) {
    if (length == NUMBER_TEXT_SIZE - 1) return 0;
    text[length++] = static_cast<char>(c);
    c = getc(file);
  }
  text[length] = '\0';
  return 1;
}

// The stream of numbers, read the way formatted input reads it: a number is the longest
// start of a word that converts; anything after it in the same word stops the reading
// once that number is taken, as it would stop the next conversion.
struct NumberStream {
  FILE* file;
  int stopped;
};

// Each returns 1 and sets *value when a number was read; 0 leaves *value as it was.
static int readReal(NumberStream* in, float* value) {
  char text[NUMBER_TEXT_SIZE];
  if (in->stopped || !readWord(in->file, text)) {
    in->stopped = 1;
    return 0;
  }
  char* end;
  float v = strtof(text, &end);
  // "nan" and "inf" convert, but no colour means them: they end the reading like any
  // other word that is not a number.
  if (end == text || !isfinite(v)) {
    in->stopped = 1;
    return 0;
  }
  if (*end != '\0') in->stopped = 1;
  *value = v;
  return 1;
}

static int readInteger(NumberStream* in, int32_t* value) {
  char text[NUMBER_TEXT_SIZE];
  if (in->stopped || !readWord(in->file, text)) {
    in->stopped = 1;
    return 0;
  }
  char* end;
  long v = strtol(text, &end, 10);  // out of range gives LONG_MAX or LONG_MIN
  if (end == text) {
    in->stopped = 1;
    return 0;
  }
  if (*end != '\0') in->stopped = 1;
  // Far too large counts become the largest representable; the count limits then apply.
  if (v > INT32_MAX) v = INT32_MAX;
  if (v < INT32_MIN) v = INT32_MIN;
  *value = static_cast<int32_t>(v);
  return 1;
}

// One channel byte: the low 8 bits of the truncated channel times 255, so 1.0 gives 255,
// 0.5 gives 127 and 2.0 wraps to 254. Worked out in floating point, since values beyond
// the integer range cannot be converted to int in C++.
static uint32_t channelByte(float channel) {
  float scaled = channel * 255.0f;
  if (!isfinite(scaled)) return 0;
  double wrapped = fmod(trunc(static_cast<double>(scaled)), 256.0);  // exact, -255..255
  if (wrapped < 0.0) wrapped += 256.0;
  return static_cast<uint32_t>(wrapped);
}

static void takeColourLine(int rider, const float red[], const float green[],
                           const float blue[], int line) {
  Rider& r = riders[rider];
  r.colorRed = red[line];
  r.colorGreen = green[line];
  r.colorBlue = blue[line];
  r.color = channelByte(red[line]) | channelByte(green[line]) << 8 | channelByte(blue[line]) << 16;
}

void readMatchFile() {
  FILE* file = fopen("setup.txt", "r");
  if (!file) return;

  // What is not in the file keeps its built-in value. For a colour that is black, the
  // colour every rider has without a file. For the counts it is the built-in match of
  // four riders, that is three in the first group and none in the second, not 0 and 0:
  // a file cut short in its colours still gives the usual match in the colours it has.
  float red[COLOUR_LINES] = {0.0f}, green[COLOUR_LINES] = {0.0f}, blue[COLOUR_LINES] = {0.0f};
  int32_t firstGroup = 3, secondGroup = 0, showScores = scoresVisible;

  NumberStream in = {file, 0};
  for (int line = 0; line < COLOUR_LINES; ++line) {
    readReal(&in, &red[line]);
    readReal(&in, &green[line]);
    readReal(&in, &blue[line]);
  }
  readInteger(&in, &firstGroup);
  readInteger(&in, &secondGroup);
  readInteger(&in, &showScores);
  fclose(file);

  // Counts beyond what the arena holds are brought into range the way the player most
  // likely meant: no negative groups, at most two in the second group (only two colour
  // lines serve it), at least one computer rider, and at most four, cutting the first
  // group before the second.
  int32_t a = firstGroup, b = secondGroup;
  if (a < 0) a = 0;
  if (b < 0) b = 0;
  if (b > 2) b = 2;
  if (a > 4 - b) a = 4 - b;
  if (a + b == 0) a = 1;
  if (a != firstGroup || b != secondGroup) {
    char message[200];
    snprintf(message, sizeof message,
             "setup.txt: rider groups %ld and %ld changed to %ld and %ld "
             "(1 to 4 computer riders, at most 2 in the second group)\n",
             static_cast<long>(firstGroup), static_cast<long>(secondGroup),
             static_cast<long>(a), static_cast<long>(b));
    outputDebugString(message);
  }

  scoresVisible = showScores;
  riderCount = a + b + 1;
  takeColourLine(0, red, green, blue, 0);
  for (int i = 1; i <= a; ++i) {
    takeColourLine(i, red, green, blue, i);
    riders[i].target = 0;  // the first group chases the local rider
  }
  // The second group pairs up with the first: rider j and rider a + j chase each other.
  // With a smaller first group some riders end up chasing themselves.
  for (int j = 1; j <= b; ++j) {
    int k = a + j;
    riders[j].target = static_cast<uint8_t>(k);
    riders[k].target = static_cast<uint8_t>(j);
    takeColourLine(k, red, green, blue, j + 2);  // colour lines 4 and 5
  }
}
