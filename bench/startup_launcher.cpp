// Times start-ups from the fork of a process to its first frame on screen.
// Usage: vask_bench_startup RUNS NAME=COMMAND [NAME=COMMAND ...]
//   (run in the folder holding the game's data files)
// COMMAND is a program and its arguments, split on blanks (e.g. "env ALSOFT_DRIVERS=none
// build/bench/vask_bench_startup_game"): the start-up build of the game, which prints a time
// mark after each start-up step and ends once the title is shown, or the empty window,
// which marks its first frame as "title" the same way. The commands take turns, one start
// each, so a change in the machine's load falls on all of them alike. Prints the median,
// fastest and slowest over RUNS of each mark, in milliseconds since the fork, as
// "mark <name> <step> <median> <fastest> <slowest>" lines.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>

namespace {
enum { MAX_COMMANDS = 4, MAX_ARGS = 16, MAX_MARKS = 16, MAX_RUNS = 101 };

struct Command {
  const char* name;
  char* args[MAX_ARGS + 1];
  char marks[MAX_MARKS][48];
  double ms[MAX_MARKS][MAX_RUNS];
  int markCount;
};
Command commands[MAX_COMMANDS];
int commandCount = 0;

long long nowNs() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return (long long)t.tv_sec * 1000000000LL + t.tv_nsec;
}

// "NAME=program arg ..." split in place. Returns 0 when it does not have that shape.
int parseCommand(char* text, Command* c) {
  char* equals = strchr(text, '=');
  if (!equals || equals == text) return 0;
  *equals = '\0';
  c->name = text;
  int n = 0;
  for (char* word = strtok(equals + 1, " "); word; word = strtok(0, " ")) {
    if (n == MAX_ARGS) return 0;
    c->args[n++] = word;
  }
  c->args[n] = 0;
  return n > 0;
}

// One start-up; returns 0 when the command did not reach its first frame.
int runOnce(Command* c, int run) {
  int fds[2];
  if (pipe(fds) != 0) return 0;
  long long forkedAt = nowNs();
  pid_t pid = fork();
  if (pid < 0) return 0;
  if (pid == 0) {
    dup2(fds[1], 1);
    close(fds[0]);
    close(fds[1]);
    execvp(c->args[0], c->args);
    _exit(127);
  }
  close(fds[1]);
  FILE* in = fdopen(fds[0], "r");
  char name[48];
  long long at;
  int marks = 0, sawTitle = 0;
  while (in && fscanf(in, "%47s %lld", name, &at) == 2) {
    int k = 0;
    while (k < c->markCount && strcmp(c->marks[k], name) != 0) ++k;
    if (k == c->markCount) {
      if (c->markCount == MAX_MARKS) continue;
      snprintf(c->marks[c->markCount++], sizeof c->marks[0], "%s", name);
    }
    c->ms[k][run] = (double)(at - forkedAt) / 1e6;
    if (strcmp(name, "title") == 0) sawTitle = 1;
    ++marks;
  }
  if (in) fclose(in);
  int status = 0;
  waitpid(pid, &status, 0);
  return sawTitle && marks > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || argc - 2 > MAX_COMMANDS) {
    fprintf(stderr, "usage: %s RUNS NAME=COMMAND [NAME=COMMAND ...] (up to %d)\n", argv[0],
            MAX_COMMANDS);
    return 2;
  }
  int runs = atoi(argv[1]);
  if (runs < 1 || runs > MAX_RUNS) runs = 11;
  for (int i = 2; i < argc; ++i)
    if (!parseCommand(argv[i], &commands[commandCount++])) {
      fprintf(stderr, "not NAME=COMMAND: %s\n", argv[i]);
      return 2;
    }
  for (int i = 0; i < commandCount; ++i) {
    runOnce(&commands[i], 0);  // a first start fills the file cache; not counted
    commands[i].markCount = 0;
  }
  for (int r = 0; r < runs; ++r)
    for (int i = 0; i < commandCount; ++i) {
      if (runOnce(&commands[i], r)) continue;
      // Named, and tried once more: the figures are about speed, not about this failure.
      fprintf(stderr, "start-up run %d of %s did not reach its first frame; trying again\n", r,
              commands[i].name);
      if (!runOnce(&commands[i], r)) return 1;
    }
  for (int i = 0; i < commandCount; ++i) {
    Command* c = &commands[i];
    for (int k = 0; k < c->markCount; ++k) {
      double* v = c->ms[k];
      std::sort(v, v + runs);
      printf("mark %s %s %.1f %.1f %.1f\n", c->name, c->marks[k], v[runs / 2], v[0], v[runs - 1]);
    }
  }
  printf("runs %d\n", runs);
  return 0;
}
