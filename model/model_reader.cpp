// The light-cycle model file reader. It knows a handful of VRML words and skips the rest:
// each DEF makes a node, the transform and material words fill the current node, and
// bracketed lists after "coord" or "coordIndex" fill its vertex or index array.
#include "model/model_reader.h"

#include <float.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "model/model_transform.h"
#include "platform/window.h"

ModelNode* nodeList = 0;
ModelNode* currentNode = 0;
int32_t braceDepth = 0;
int32_t ignoreShadingMode = 0;
int32_t listOpen = 0;
int32_t listKind = 0;
double maxCoordinate = 0.0;

enum {
  LINE_BUFFER_SIZE = 1024,
  LINE_READ_LIMIT = 512,  // at most 511 characters per read; longer lines come in pieces
  VERTEX_ARRAY_SIZE = MAX_NODE_VERTICES + 1,
  INDEX_ARRAY_SIZE = MAX_NODE_INDICES + 1,
};

// The line being split: every handler takes its values from this one position, so the
// numbers after a keyword are used up and never seen as tokens of their own.
static char* tokenCursor = 0;

static int isTokenDelimiter(char c) {
  return c == ' ' || c == ',' || c == '\t' || c == '\r' || c == '\n';
}

// The next token of the current line, or null at its end. The token is cut out of the
// line buffer in place.
static char* nextToken() {
  if (!tokenCursor) return 0;
  char* p = tokenCursor;
  while (*p && isTokenDelimiter(*p)) ++p;
  if (!*p) {
    tokenCursor = 0;
    return 0;
  }
  char* token = p;
  while (*p && !isTokenDelimiter(*p)) ++p;
  if (*p) {
    *p = '\0';
    tokenCursor = p + 1;
  } else {
    tokenCursor = 0;
  }
  return token;
}

static void dropRestOfLine() { tokenCursor = 0; }

enum {
  KEPT_DIGITS = 19,        // significant digits held exactly: 10^19 fits in 64 bits
  EXPONENT_LIMIT = 100000, // far beyond any float; larger exponents are held here
};

// A number in the model's own plain form and nothing else: leading white space, an
// optional sign, digits, an optional fraction and an optional exponent, up to the first
// other character; 0 when no digit comes. Words such as INF, NAN or 0X10 are not numbers
// here (0X10 reads as 0, stopping at the X). The result is always finite: a value beyond
// the float range gives the largest float of its sign, one too small for a float gives 0.
static float readReal(const char* text) {
  const char* p = text;
  while (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n' || *p == '\f' || *p == '\v') ++p;
  int negative = 0;
  if (*p == '+' || *p == '-') negative = *p++ == '-';

  uint64_t mantissa = 0;  // the first KEPT_DIGITS significant digits
  int kept = 0;
  long scale = 0;         // power of ten the mantissa is to be multiplied by
  int digits = 0;
  for (; *p >= '0' && *p <= '9'; ++p, ++digits) {
    if (mantissa == 0 && *p == '0') continue;
    if (kept < KEPT_DIGITS) {
      mantissa = mantissa * 10 + (uint64_t)(*p - '0');
      kept++;
    } else {
      scale++;  // a dropped digit before the point still counts its place
    }
  }
  if (*p == '.') {
    for (++p; *p >= '0' && *p <= '9'; ++p, ++digits) {
      if (mantissa == 0 && *p == '0') {
        scale--;
      } else if (kept < KEPT_DIGITS) {
        mantissa = mantissa * 10 + (uint64_t)(*p - '0');
        kept++;
        scale--;
      }
    }
  }
  if (digits == 0) return 0.0f;
  if (*p == 'E' || *p == 'e') {
    const char* q = p + 1;
    int negativeExponent = 0;
    if (*q == '+' || *q == '-') negativeExponent = *q++ == '-';
    if (*q >= '0' && *q <= '9') {  // "1E" or "1E+" ends before the E
      long exponent = 0;
      for (; *q >= '0' && *q <= '9'; ++q)
        if (exponent < EXPONENT_LIMIT) exponent = exponent * 10 + (*q - '0');
      scale += negativeExponent ? -exponent : exponent;
    }
  }

  float magnitude;
  if (mantissa == 0) {
    magnitude = 0.0f;
  } else if (scale + kept - 1 > FLT_MAX_10_EXP) {
    magnitude = FLT_MAX;  // at least 10^39
  } else if (scale + kept < FLT_MIN_10_EXP - 9) {
    magnitude = 0.0f;  // below 10^-46, under half the smallest float
  } else {
    // The mantissa and the powers of ten up to 10^27 are exact in long double, so common
    // numbers round once from the exact value; |scale| stays below 70 here.
    long double power = 1.0L;
    for (long n = scale < 0 ? -scale : scale; n > 0; --n) power *= 10.0L;
    long double value = scale < 0 ? (long double)mantissa / power : (long double)mantissa * power;
    magnitude = value > (long double)FLT_MAX ? FLT_MAX : (float)value;
  }
  return negative ? -magnitude : magnitude;
}

// Values after a keyword are taken from the same line. One that is missing (the line ends
// early) reads as 0, just like a word that is not a number.
static float nextNumber() {
  const char* token = nextToken();
  return token ? readReal(token) : 0.0f;
}

// Sign and digits, 0 if none; numbers too large for an index are held at the int32 limits.
static int32_t readInteger(const char* token) {
  long value = strtol(token, 0, 10);
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return (int32_t)value;
}

static void raiseMaxCoordinate(float value) {
  double magnitude = fabs((double)value);
  if (magnitude > maxCoordinate) maxCoordinate = magnitude;
}

static void readVertex(char* xToken) {
  if (currentNode->vertexCount >= MAX_NODE_VERTICES) {
    messageBox(0, "Error! Too many vertices for this polygon!", 0, MB_OK);
    exit(1);
  }
  char* yToken = nextToken();
  char* zToken = nextToken();
  if (zToken) {
    char* bracket = strchr(zToken, ']');
    if (bracket) {
      listOpen = 0;
      listKind = 0;
      *bracket = ' ';
    }
  }
  ModelVertex* vertex = &currentNode->vertices[currentNode->vertexCount];
  vertex->x = readReal(xToken);
  vertex->y = yToken ? readReal(yToken) : 0.0f;
  vertex->z = zToken ? readReal(zToken) : 0.0f;
  transformModelVertex(currentNode, vertex);
  raiseMaxCoordinate(vertex->x);
  raiseMaxCoordinate(vertex->y);
  raiseMaxCoordinate(vertex->z);
  currentNode->vertexCount++;
}

static void readIndex(char* token) {
  if (currentNode->indexCount >= MAX_NODE_INDICES) {
    messageBox(0, "Error! Too many indices for this polygon!", 0, MB_OK);
    exit(1);
  }
  char* bracket = strchr(token, ']');
  if (bracket) {
    listOpen = 0;
    listKind = 0;
    *bracket = ' ';
  }
  currentNode->indices[currentNode->indexCount] = readInteger(token);
  currentNode->indexCount++;
}

static void createNode() {
  const char* name = nextToken();
  ModelNode* node = (ModelNode*)calloc(1, sizeof(ModelNode));
  if (!node) return;  // out of memory: the block reads as part of the enclosing node
  if (name) {
    // A longer name is cut to fit: nothing looks nodes up by name.
    strncpy(node->name, name, MODEL_NAME_SIZE - 1);
    node->name[MODEL_NAME_SIZE - 1] = '\0';
  }
  node->scale[0] = node->scale[1] = node->scale[2] = 1.0f;
  node->depth = braceDepth;
  node->ignoreShading = ignoreShadingMode;
  node->parent = currentNode;
  node->next = nodeList;
  nodeList = node;
  if (currentNode) {
    memcpy(node->diffuseColor, currentNode->diffuseColor, sizeof node->diffuseColor);
    memcpy(node->specularColor, currentNode->specularColor, sizeof node->specularColor);
    node->ambientIntensity = currentNode->ambientIntensity;
  }
  currentNode = node;
}

// Returns 1 when the token was a keyword that acted.
static int handleKeyword(const char* token) {
  if (strcmp(token, "DEF") == 0) {
    createNode();
    return 1;
  }
  if (!currentNode) return 0;
  ModelNode* node = currentNode;
  if (strcmp(token, "SCALE") == 0) {
    for (int i = 0; i < 3; ++i) node->scale[i] = nextNumber();
  } else if (strcmp(token, "TRANSLATION") == 0) {
    for (int i = 0; i < 3; ++i) node->translation[i] += nextNumber();
  } else if (strcmp(token, "ROTATION") == 0) {
    for (int i = 0; i < 3; ++i) node->rotationAxis[i] = nextNumber();
    node->rotationAngle = nextNumber();
  } else if (strcmp(token, "DIFFUSECOLOR") == 0) {
    for (int i = 0; i < 3; ++i) node->diffuseColor[i] = nextNumber() * 255.0f;
  } else if (strcmp(token, "AMBIENTINTENSITY") == 0) {
    node->ambientIntensity = nextNumber();
  } else if (strcmp(token, "SPECULARCOLOR") == 0) {
    for (int i = 0; i < 3; ++i) node->specularColor[i] = nextNumber() * 255.0f;
  } else if (strcmp(token, "COORD") == 0) {
    listKind = 1;
  } else if (strcmp(token, "COORDINDEX") == 0) {
    listKind = 2;
  } else {
    return 0;
  }
  return 1;
}

static void openList() {
  if (listKind == 1) {
    // A second vertex list in the same node carries on after the first: counts are never
    // reset, and the array the node already has keeps room for all 1000 records.
    if (!currentNode->vertices)
      currentNode->vertices = (ModelVertex*)calloc(VERTEX_ARRAY_SIZE, sizeof(ModelVertex));
    if (currentNode->vertices) listOpen = 1;
  } else if (listKind == 2) {
    if (!currentNode->indices)
      currentNode->indices = (int32_t*)calloc(INDEX_ARRAY_SIZE, sizeof(int32_t));
    if (currentNode->indices) listOpen = 1;
  }
}

void parseModelToken(char* token) {
  if (!token || !*token) return;

  if (strcmp(token, "#IGNORESHADING") == 0) ignoreShadingMode = 1;
  if (strcmp(token, "#UNIGNORESHADING") == 0) ignoreShadingMode = 0;
  if (token[0] == '#') {
    dropRestOfLine();
    return;
  }

  if (listOpen) {
    if (token[0] == ']') {
      listOpen = 0;
      listKind = 0;
      return;
    }
    // A stray DEF or "}" inside a list can leave it without a node that holds its array,
    // or switch its kind: the list then ends here instead of writing where nothing is.
    if (listKind == 1 && currentNode && currentNode->vertices) {
      readVertex(token);
    } else if (listKind == 2 && currentNode && currentNode->indices) {
      readIndex(token);
    } else {
      listOpen = 0;
      listKind = 0;
    }
  }

  if (handleKeyword(token)) return;

  switch (token[0]) {
    case '[':
      if (currentNode) openList();
      break;
    case '{':
      braceDepth++;
      break;
    case '}':
      braceDepth--;
      if (currentNode && currentNode->depth == braceDepth) currentNode = currentNode->parent;
      break;
    default:
      break;
  }
}

int loadModel(const char* fileName) {
  FILE* file = fileName ? fopen(fileName, "r") : 0;
  if (!file) {
    messageBox(0, "Could not open .WRL file", 0, MB_OK);
    return 0;
  }
  static char line[LINE_BUFFER_SIZE];
  while (fgets(line, LINE_READ_LIMIT, file)) {
    for (char* p = line; *p; ++p)
      if (*p >= 'a' && *p <= 'z') *p = (char)(*p - 'a' + 'A');
    tokenCursor = line;
    for (char* token = nextToken(); token; token = nextToken()) parseModelToken(token);
  }
  tokenCursor = 0;
  fclose(file);
  return 1;
}

void freeModelNodeList(ModelNode* head) {
  while (head) {
    ModelNode* next = head->next;
    free(head->vertices);
    free(head->indices);
    free(head);
    head = next;
  }
}
