#include "quamorsc/exchange/reply.h"

#include <sys/resource.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "quamorsc/exchange/receive.h"

namespace quamorsc {
namespace {

// Fills `n` bytes at the tail with a pattern that tells each position apart.
void append_pattern(Reply& reply, std::size_t n) {
  reply.reserve(n);
  for (std::size_t i = 0; i < n; ++i) {
    reply.tail()[i] = static_cast<char>((reply.bytes().size() + i) * 7 % 251);
  }
  reply.commit(n);
}

// A reply that received `text`, the way a receive fills it.
Reply received(std::string_view text) {
  Reply reply;
  reply.reserve(text.size());
  text.copy(reply.tail(), text.size());
  reply.commit(text.size());
  return reply;
}

bool holds_pattern(const Reply& reply) {
  std::string_view bytes = reply.bytes();
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] != static_cast<char>(i * 7 % 251)) {
      return false;
    }
  }
  return true;
}

TEST(Reply, GrowingKeepsEveryByteInOrder) {
  Reply reply;
  EXPECT_EQ(reply.bytes(), "");
  std::size_t total = 0;
  for (std::size_t n : {std::size_t{1}, kReceiveSize, kReceiveSize - 1, std::size_t{3} << 20,
                        std::size_t{17}, std::size_t{9} << 20}) {
    append_pattern(reply, n);
    total += n;
  }
  EXPECT_EQ(reply.bytes().size(), total);
  EXPECT_TRUE(holds_pattern(reply));
}

TEST(Reply, ReserveGivesAtLeastTheRoomAsked) {
  Reply reply;
  reply.reserve(kReceiveSize);
  EXPECT_GE(reply.room(), kReceiveSize);
  reply.commit(kReceiveSize - 800);
  reply.reserve(kReceiveSize);
  EXPECT_GE(reply.room(), kReceiveSize);
}

TEST(Reply, TextStartsAfterTheDroppedFront) {
  Reply reply = received("HTTP/1.1 200 OK\r\n\r\nbody");
  reply.drop_front(19);
  EXPECT_EQ(reply.text(), "body");
  EXPECT_EQ(reply.bytes(), "HTTP/1.1 200 OK\r\n\r\nbody");
  Reply moved = std::move(reply);
  EXPECT_EQ(moved.text(), "body");
  moved = received("x");
  EXPECT_EQ(moved.text(), "x");
}

std::size_t address_space_in_use() {
  std::ifstream statm("/proc/self/statm");
  std::size_t pages = 0;
  statm >> pages;
  return pages * 4096;
}

void limit_address_space(std::size_t extra) {
  rlimit limit{};
  limit.rlim_cur = limit.rlim_max = address_space_in_use() + extra;
  ::setrlimit(RLIMIT_AS, &limit);
}

// Where the large reservation cannot be had, a smaller one and then moving the pages serve.
TEST(Reply, GrowsPastASmallerReservation) {
  EXPECT_EXIT(
      {
        limit_address_space(std::size_t{200} << 20);
        Reply reply;
        for (int i = 0; i < 12; ++i) {
          append_pattern(reply, std::size_t{10} << 20);
        }
        std::exit(holds_pattern(reply) && reply.bytes().size() == (std::size_t{120} << 20) ? 0 : 1);
      },
      testing::ExitedWithCode(0), "");
}

TEST(Reply, MemoryThatCannotBeHadAborts) {
  EXPECT_DEATH(
      {
        limit_address_space(std::size_t{8} << 20);
        Reply reply;
        reply.reserve(std::size_t{1} << 30);
      },
      "^memory allocation of 1073741824 bytes failed\n$");
}

}  // namespace
}  // namespace quamorsc
