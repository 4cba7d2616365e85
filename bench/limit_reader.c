/* The fastest client that must hold the whole reply before printing it: one request, recv
 * straight into one huge-page-advised anonymous mapping, one write loop. It is the yardstick
 * quamorsc is measured against, so it does nothing quamorsc would not also have to do, minus
 * logging and checking.
 *
 *   limit_reader unix <path> <request-text>
 *   limit_reader tcp <ipv4> <port> <request-text> <skip-bytes>
 */
#define _GNU_SOURCE /* NOLINT(bugprone-reserved-identifier): glibc reads this very name */
#include <arpa/inet.h>
#include <errno.h>
#include <netinet/in.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#define RESERVE ((size_t)1 << 36) /* address space only; pages are touched as bytes arrive */
#define CHUNK 204800

static void die(const char* what) {
  perror(what);
  exit(1);
}

static void write_all(int fd, const char* p, size_t n, int use_send) {
  while (n > 0) {
    ssize_t w = use_send ? send(fd, p, n, MSG_NOSIGNAL) : write(fd, p, n);
    if (w < 0) {
      if (errno == EINTR) {
        continue;
      }
      die("write");
    }
    p += w;
    n -= (size_t)w;
  }
}

int main(int argc, char** argv) {
  int fd;
  const char* request;
  size_t skip = 0;
  int tcp = argc > 1 && strcmp(argv[1], "tcp") == 0;
  if (!tcp && argc == 4 && strcmp(argv[1], "unix") == 0) {
    struct sockaddr_un sa = {.sun_family = AF_UNIX};
    strncpy(sa.sun_path, argv[2], sizeof sa.sun_path - 1);
    fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0 || connect(fd, (struct sockaddr*)&sa, sizeof sa) != 0) {
      die("connect");
    }
    request = argv[3];
  } else if (tcp && argc == 6) {
    struct sockaddr_in sa = {.sin_family = AF_INET, .sin_port = htons((uint16_t)atoi(argv[3]))};
    inet_pton(AF_INET, argv[2], &sa.sin_addr);
    fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0 || connect(fd, (struct sockaddr*)&sa, sizeof sa) != 0) {
      die("connect");
    }
    request = argv[4];
    skip = (size_t)atol(argv[5]);
  } else {
    fprintf(stderr, "usage: limit_reader unix PATH REQUEST | tcp IPV4 PORT REQUEST SKIP\n");
    return 2;
  }
  write_all(fd, request, strlen(request), tcp);

  char* buf = mmap(NULL, RESERVE, PROT_READ | PROT_WRITE,
                   MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (buf == MAP_FAILED) {
    die("mmap");
  }
  madvise(buf, RESERVE, MADV_HUGEPAGE);
  size_t len = 0;
  for (;;) {
    ssize_t n = recv(fd, buf + len, CHUNK, 0);
    if (n < 0) {
      die("recv");
    }
    if (n == 0) {
      break;
    }
    len += (size_t)n;
  }
  close(fd);
  if (skip > len) {
    skip = len;
  }
  write_all(1, buf + skip, len - skip, 0);
  write_all(1, "\n", 1, 0);
  return 0;
}
