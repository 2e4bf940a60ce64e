// Display lists: each a run of recorded commands, its geometry kept in a buffer of its own
// and its bitmaps as textures, so a replay is a few draws with nothing uploaded. What the
// game compiles is recorded: colours, shade models, switches, primitives and bitmaps; any
// other call made while compiling acts at once, and a list's vertices take the colours
// current as it compiles.
#include <string.h>
#include <vector>
#include "platform/web/gl/layer_state.h"

namespace {
enum { MAX_LISTS = 65536 };  // list numbers beyond are refused

enum CommandKind { COMMAND_COLOR, COMMAND_SHADE_MODEL, COMMAND_CAPABILITY, COMMAND_BATCH,
                   COMMAND_BITMAP };

struct ListCommand {
  CommandKind kind;
  float values[6];  // colour, or bitmap origin and move
  GLenum name;      // shade model, capability or primitive
  int enable;       // a switch's state; a bitmap's: in the shared texture
  GLuint object;    // buffer or texture (0 for a bitmap in the shared texture)
  int count, width, height;
  BitmapCell cell;  // a bitmap's place in the shared texture
};

struct DisplayList {
  int defined;
  std::vector<ListCommand> commands;
};

std::vector<DisplayList> lists;  // by list number
float colorBeforeList[4];
GLenum shadeModelBeforeList;

void freeList(DisplayList* list) {
  for (const ListCommand& c : list->commands) {
    if (c.kind == COMMAND_BATCH) {
      bufferDeleted(c.object);
      glDeleteBuffers(1, &c.object);
    }
    if (c.kind == COMMAND_BITMAP && c.object) {
      textureDeleted(c.object);
      glDeleteTextures(1, &c.object);
    }
  }
  list->commands.clear();
  list->defined = 0;
}

ListCommand* newCommand(CommandKind kind) {
  if (!layer.compiling) return 0;
  ListCommand c;
  memset(&c, 0, sizeof c);
  c.kind = kind;
  lists[layer.compiling].commands.push_back(c);
  return &lists[layer.compiling].commands.back();
}

void run(const ListCommand& c) {
  switch (c.kind) {
    case COMMAND_COLOR:
      memcpy(layer.color, c.values, sizeof layer.color);
      colorTo8Bits(layer.color, layer.color8);
      break;
    case COMMAND_SHADE_MODEL:
      layer.shadeModel = c.name;
      break;
    case COMMAND_CAPABILITY:
      c.enable ? gl11Enable(c.name) : gl11Disable(c.name);
      break;
    case COMMAND_BATCH:
      drawBatchBuffer(c.object, c.name, c.count);
      break;
    case COMMAND_BITMAP:
      drawBitmapAtRaster(c.object, c.enable ? &c.cell : 0, c.width, c.height, c.values[0],
                         c.values[1], c.values[2], c.values[3]);
      break;
  }
}
}  // namespace

int recordColor(const float color[4]) {
  ListCommand* c = newCommand(COMMAND_COLOR);
  if (c) memcpy(c->values, color, 4 * sizeof(float));
  return c != 0;
}

int recordShadeModel(GLenum mode) {
  ListCommand* c = newCommand(COMMAND_SHADE_MODEL);
  if (c) c->name = mode;
  return c != 0;
}

int recordCapability(GLenum cap, int enable) {
  ListCommand* c = newCommand(COMMAND_CAPABILITY);
  if (c) c->name = cap, c->enable = enable;
  return c != 0;
}

int recordBatch(const VertexBatch& batch) {
  ListCommand* c = newCommand(COMMAND_BATCH);
  if (!c) return 0;
  c->name = batch.mode;
  c->count = (int)batch.vertices.size();
  glGenBuffers(1, &c->object);
  bindArrayBuffer(c->object);
  glBufferData(GL_ARRAY_BUFFER, (GLsizeiptr)(batch.vertices.size() * sizeof(LayerVertex)),
               batch.vertices.data(), GL_STATIC_DRAW);
  return 1;
}

int recordBitmap(GLuint texture, const BitmapCell* cell, int width, int height, float xorig,
                 float yorig, float xmove, float ymove) {
  ListCommand* c = newCommand(COMMAND_BITMAP);
  if (!c) return 0;
  c->object = texture;
  if (cell) c->cell = *cell, c->enable = 1;
  c->width = width;
  c->height = height;
  c->values[0] = xorig, c->values[1] = yorig, c->values[2] = xmove, c->values[3] = ymove;
  return 1;
}

void freeAllLists() {
  for (DisplayList& list : lists) freeList(&list);
  lists.clear();
}

GLuint gl11GenLists(GLsizei range) {
  if (range <= 0) return 0;
  // The first free run after every number in use, as Mesa hands them out.
  GLuint first = 1;
  for (GLuint i = 1; i < lists.size(); i++)
    if (lists[i].defined) first = i + 1;
  if (first + (GLuint)range > MAX_LISTS) return 0;
  if (lists.size() < first + range) lists.resize(first + range);
  for (GLuint i = first; i < first + (GLuint)range; i++) lists[i].defined = 1;  // reserved
  return first;
}

void gl11NewList(GLuint list, GLenum mode) {
  if (list == 0 || list >= MAX_LISTS || mode != GL_COMPILE || layer.compiling) return;
  drawWaitingPrimitives();  // compiling changes the shade model for a while
  if (lists.size() <= list) lists.resize(list + 1);
  freeList(&lists[list]);
  lists[list].defined = 1;
  layer.compiling = list;
  memcpy(colorBeforeList, layer.color, sizeof colorBeforeList);
  shadeModelBeforeList = layer.shadeModel;
}

void gl11EndList() {
  if (!layer.compiling) return;
  layer.compiling = 0;
  memcpy(layer.color, colorBeforeList, sizeof layer.color);
  colorTo8Bits(layer.color, layer.color8);
  layer.shadeModel = shadeModelBeforeList;
}

void gl11CallList(GLuint list) {
  if (list >= lists.size() || layer.compiling) return;
  // Waiting bitmaps may go on waiting: a list's bitmaps join them, and anything else it
  // draws draws them first.
  drawWaitingTriangles();
  // Indexes, not references: a list may not change while it runs, but keep to the rules.
  for (size_t i = 0; i < lists[list].commands.size(); i++) run(lists[list].commands[i]);
}

void gl11CallLists(GLsizei n, GLenum type, const GLvoid* numbers) {
  if (type != GL_UNSIGNED_BYTE || !numbers) return;
  const GLubyte* bytes = (const GLubyte*)numbers;
  for (GLsizei i = 0; i < n; i++) gl11CallList(layer.listBase + bytes[i]);
}

void gl11DeleteLists(GLuint list, GLsizei range) {
  for (GLsizei i = 0; i < range; i++)
    if (list + i < lists.size()) freeList(&lists[list + i]);
}

void gl11ListBase(GLuint base) { layer.listBase = base; }
