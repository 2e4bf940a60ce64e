// Times the game's start-up from the fork of its process to the title on screen.
// Usage: vask_bench_startup GAME RUNS   (run in the folder holding the game's data files)
// GAME is the start-up build of the game, which prints a time mark after each start-up
// step and ends once the title is shown. Prints the median over RUNS of each mark,
// in milliseconds since the fork, as "mark <name> <ms>" lines.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>

namespace {
enum { MAX_MARKS = 16, MAX_RUNS = 101 };
char names[MAX_MARKS][64];
double ms[MAX_MARKS][MAX_RUNS];
int nameCount = 0;

long long nowNs() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return (long long)t.tv_sec * 1000000000LL + t.tv_nsec;
}

// One start-up; returns 0 when the game did not reach its title.
int runOnce(const char* game, int run) {
  int fds[2];
  if (pipe(fds) != 0) return 0;
  long long forkedAt = nowNs();
  pid_t pid = fork();
  if (pid < 0) return 0;
  if (pid == 0) {
    dup2(fds[1], 1);
    close(fds[0]);
    close(fds[1]);
    execl(game, game, (char*)0);
    _exit(127);
  }
  close(fds[1]);
  FILE* in = fdopen(fds[0], "r");
  char name[48];
  long long at;
  int marks = 0, sawTitle = 0;
  while (in && fscanf(in, "%47s %lld", name, &at) == 2) {
    int k = 0;
    while (k < nameCount && strcmp(names[k], name) != 0) ++k;
    if (k == nameCount) {
      if (nameCount == MAX_MARKS) continue;
      snprintf(names[nameCount++], sizeof names[0], "%s", name);
    }
    ms[k][run] = (double)(at - forkedAt) / 1e6;
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
  if (argc < 3) {
    fprintf(stderr, "usage: %s GAME RUNS\n", argv[0]);
    return 2;
  }
  int runs = atoi(argv[2]);
  if (runs < 1 || runs > MAX_RUNS) runs = 11;
  runOnce(argv[1], 0);  // a first start fills the file cache; not counted
  nameCount = 0;
  for (int r = 0; r < runs; ++r) {
    if (!runOnce(argv[1], r)) {
      fprintf(stderr, "start-up run %d did not reach the title\n", r);
      return 1;
    }
  }
  for (int k = 0; k < nameCount; ++k) {
    double* v = ms[k];
    std::sort(v, v + runs);
    printf("mark %s %.1f %.1f %.1f\n", names[k], v[runs / 2], v[0], v[runs - 1]);
  }
  printf("runs %d\n", runs);
  return 0;
}
