/* Runs a few commands over and over, taking turns (each round starts one command later, so that
 * every command follows every other equally often), and prints for each the median wall time
 * from spawn to exit and its peak resident memory (the child's own getrusage, from wait4).
 *
 *   runner RUNS WARMUP null|pipe -- [<FILE] PROG ARG... [-- [<FILE] PROG ARG...]...
 *
 * Standard output of each command goes to /dev/null, or to a pipe drained by `cat > /dev/null`
 * (started before the clock starts and waited for after it stops). Standard input is FILE when a
 * command starts with "<FILE", else /dev/null. One line per command, in the order given:
 *
 *   median_seconds min_seconds median_maxrss_kib max_maxrss_kib
 *
 * A command that exits with any other status than 0 stops the run with status 1.
 */
#define _GNU_SOURCE /* NOLINT(bugprone-reserved-identifier): glibc reads this very name */
#include <fcntl.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

struct command {
  const char* input;
  char** argv;
  double* wall;
  long* rss;
};

static void die(const char* what) {
  perror(what);
  exit(1);
}

static double now(void) {
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return (double)ts.tv_sec + (double)ts.tv_nsec / 1e9;
}

static pid_t spawn(char** argv, int in, int out) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in, 0);
  posix_spawn_file_actions_adddup2(&actions, out, 1);
  pid_t pid;
  int error = posix_spawnp(&pid, argv[0], &actions, NULL, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) {
    fprintf(stderr, "runner: cannot start %s: %s\n", argv[0], strerror(error));
    exit(1);
  }
  return pid;
}

/* One run of `c`; returns its wall time and stores its peak RSS in `rss`. */
static double run_once(const struct command* c, int pipe_sink, long* rss) {
  int in = open(c->input != NULL ? c->input : "/dev/null", O_RDONLY | O_CLOEXEC);
  int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
  if (in < 0 || null < 0) {
    die("open");
  }
  int out = null;
  pid_t drain = 0;
  if (pipe_sink) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
      die("pipe");
    }
    char* cat[] = {"cat", NULL};
    drain = spawn(cat, fds[0], null);
    close(fds[0]);
    out = fds[1];
  }
  double start = now();
  pid_t pid = spawn(c->argv, in, out);
  if (pipe_sink) {
    close(out);
  }
  int status;
  struct rusage usage;
  if (wait4(pid, &status, 0, &usage) != pid) {
    die("wait4");
  }
  double wall = now() - start;
  if (drain != 0 && waitpid(drain, NULL, 0) != drain) {
    die("waitpid");
  }
  close(in);
  close(null);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    fprintf(stderr, "runner: %s failed (status %d)\n", c->argv[0], status);
    exit(1);
  }
  *rss = usage.ru_maxrss;
  return wall;
}

static int by_double(const void* a, const void* b) {
  double x = *(const double*)a, y = *(const double*)b;
  return (x > y) - (x < y);
}

static int by_long(const void* a, const void* b) {
  long x = *(const long*)a, y = *(const long*)b;
  return (x > y) - (x < y);
}

int main(int argc, char** argv) {
  if (argc < 6 || strcmp(argv[4], "--") != 0) {
    fprintf(stderr, "usage: runner RUNS WARMUP null|pipe -- [<FILE] PROG ARG... [-- ...]\n");
    return 2;
  }
  int runs = atoi(argv[1]);
  int warmup = atoi(argv[2]);
  int pipe_sink = strcmp(argv[3], "pipe") == 0;
  if (runs < 1 || warmup < 0) {
    return 2;
  }

  struct command commands[16];
  int count = 0;
  for (int i = 4; i < argc;) {
    if (strcmp(argv[i], "--") != 0 || i + 1 >= argc || count == 16) {
      fprintf(stderr, "runner: bad command list\n");
      return 2;
    }
    argv[i++] = NULL; /* ends the previous command's argv */
    struct command* c = &commands[count++];
    c->input = NULL;
    if (argv[i][0] == '<') {
      c->input = argv[i] + 1;
      ++i;
    }
    c->argv = &argv[i];
    while (i < argc && strcmp(argv[i], "--") != 0) {
      ++i;
    }
    c->wall = calloc((size_t)runs, sizeof(double));
    c->rss = calloc((size_t)runs, sizeof(long));
    if (c->wall == NULL || c->rss == NULL) {
      die("calloc");
    }
  }

  long rss;
  for (int r = 0; r < warmup; ++r) {
    for (int k = 0; k < count; ++k) {
      run_once(&commands[k], pipe_sink, &rss);
    }
  }
  for (int r = 0; r < runs; ++r) {
    for (int j = 0; j < count; ++j) {
      int k = (r + j) % count;
      commands[k].wall[r] = run_once(&commands[k], pipe_sink, &commands[k].rss[r]);
    }
  }

  for (int k = 0; k < count; ++k) {
    struct command* c = &commands[k];
    qsort(c->wall, (size_t)runs, sizeof(double), by_double);
    qsort(c->rss, (size_t)runs, sizeof(long), by_long);
    double median = runs % 2 ? c->wall[runs / 2] : (c->wall[runs / 2 - 1] + c->wall[runs / 2]) / 2;
    printf("%.9f %.9f %ld %ld\n", median, c->wall[0], c->rss[runs / 2], c->rss[runs - 1]);
  }
  return 0;
}
