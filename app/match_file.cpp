// The match file "setup.txt": rider count, colours, chase targets and whether scores show.
// Fifteen reals (five colour lines of red, green, blue) and then three integers (the sizes
// of the two groups and the score switch), one stream of numbers in any layout.
#include "app/match_file.h"

#include <ctype.h>
#include <limits.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>

#include "platform/window.h"
#include "sim/riders.h"
#include "sim/ui_state.h"

enum {
  COLOUR_LINES = 5,
  KEPT_DIGITS = 200,      // significant digits kept of one number; more cannot change a float
  NUMBER_TEXT_SIZE = 256, // a kept number written out again, with its exponent
};

// The numbers are one stream, read the way formatted input reads "%f" and "%d": white space
// is skipped, then the longest run of characters that is, or begins, a number of that kind
// is taken, and reading goes on right after it. So "1.0.5" is 1.0 and then .5, and "2-1" is
// 2 and then -1. A run that begins a number but is none ("-", "1e", "0x") or no run at all
// is a matching failure, and the end of the file an input failure: either stops the reading.
struct NumberStream {
  FILE* file;
  int stopped;
};

static int skipSpace(FILE* file) {
  int c;
  do c = getc(file);
  while (c != EOF && isspace(c));
  return c;
}

static int isDigitOf(int c, int base) {
  return (c >= '0' && c <= '9') ||
         (base == 16 && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')));
}

// The digits of one number as they are read: the first significant ones are kept, the
// rest only counted, with a note of whether any of them was not 0. The number is then the
// kept digits times the base to the power `scale`.
struct Digits {
  char kept[KEPT_DIGITS + 1];
  int count;
  int droppedNonZero;
  long long scale;
};

static void addDigit(Digits* d, int c, int afterPoint) {
  if (d->count == 0 && c == '0') {
    if (afterPoint) d->scale--;  // a leading zero only moves the point
  } else if (d->count < KEPT_DIGITS) {
    d->kept[d->count++] = static_cast<char>(c);
    if (afterPoint) d->scale--;
  } else {
    if (c != '0') d->droppedNonZero = 1;
    if (!afterPoint) d->scale++;
  }
}

// One "%f": a sign, then decimal digits with an optional point and exponent, or "0x" and
// hexadecimal digits with an optional point and binary exponent. Returns 1 with *value set,
// 0 on a failure. The words INF, INFINITY and NAN are numbers to formatted input too, but
// no colour means them: like a failure, they end the reading.
static int scanReal(FILE* file, float* value) {
  int c = skipSpace(file);
  int negative = 0;
  if (c == '+' || c == '-') {
    negative = c == '-';
    c = getc(file);
  }
  int base = 10, digitCount = 0;
  if (c == '0') {
    digitCount = 1;
    c = getc(file);
    if (c == 'x' || c == 'X') {
      base = 16;
      digitCount = 0;
      c = getc(file);
    }
  }
  Digits d = {};
  for (; isDigitOf(c, base); c = getc(file), digitCount++) addDigit(&d, c, 0);
  if (c == '.')
    for (c = getc(file); isDigitOf(c, base); c = getc(file), digitCount++) addDigit(&d, c, 1);
  if (digitCount == 0) return 0;  // nothing, a sign, a point, "0x", an INF or NAN word
  long long exponent = 0;
  if (c == (base == 10 ? 'e' : 'p') || c == (base == 10 ? 'E' : 'P')) {
    c = getc(file);
    int negativeExponent = 0;
    if (c == '+' || c == '-') {
      negativeExponent = c == '-';
      c = getc(file);
    }
    if (!(c >= '0' && c <= '9')) return 0;  // "1e" and "1e+" begin a number but are none
    for (; c >= '0' && c <= '9'; c = getc(file))
      if (exponent < 1000000000LL) exponent = exponent * 10 + (c - '0');
    if (negativeExponent) exponent = -exponent;
  }
  ungetc(c, file);  // the first character after the number is the next one read

  if (d.count == 0) {
    *value = negative ? -0.0f : 0.0f;
    return 1;
  }
  // The digits that were not kept still round the last kept one: a trailing 1 stands for
  // them, far below any difference a float can show.
  if (d.droppedNonZero) {
    d.kept[d.count++] = '1';
    d.scale--;
  }
  // Written out again as a short number strtof reads exactly as it would read the long
  // one; exponents past the float range only need to stay past it.
  long long power = (base == 16 ? 4 * d.scale : d.scale) + exponent;
  if (power > 100000000LL) power = 100000000LL;
  if (power < -100000000LL) power = -100000000LL;
  char text[NUMBER_TEXT_SIZE];
  snprintf(text, sizeof text, "%s%s%.*s%c%lld", negative ? "-" : "", base == 16 ? "0x" : "",
           d.count, d.kept, base == 16 ? 'p' : 'e', power);
  *value = strtof(text, 0);  // out of range: infinity or a tiny value, as strtof gives it
  return 1;
}

// One "%d": a sign and decimal digits. Numbers beyond the int32 range are held at its
// limits.
static int scanInteger(FILE* file, int32_t* value) {
  int c = skipSpace(file);
  int negative = 0;
  if (c == '+' || c == '-') {
    negative = c == '-';
    c = getc(file);
  }
  if (!(c >= '0' && c <= '9')) return 0;
  long long v = 0;
  for (; c >= '0' && c <= '9'; c = getc(file))
    if (v <= INT32_MAX) v = v * 10 + (c - '0');
  ungetc(c, file);
  if (negative) v = -v;
  if (v > INT32_MAX) v = INT32_MAX;
  if (v < INT32_MIN) v = INT32_MIN;
  *value = static_cast<int32_t>(v);
  return 1;
}

// Each returns 1 and sets *value when a number was read; 0 leaves *value as it was.
static int readReal(NumberStream* in, float* value) {
  float v;
  // Infinity from a number too large for a float is no colour either: it ends the reading.
  if (in->stopped || !scanReal(in->file, &v) || !isfinite(v)) {
    in->stopped = 1;
    return 0;
  }
  *value = v;
  return 1;
}

static int readInteger(NumberStream* in, int32_t* value) {
  if (in->stopped || !scanInteger(in->file, value)) {
    in->stopped = 1;
    return 0;
  }
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
