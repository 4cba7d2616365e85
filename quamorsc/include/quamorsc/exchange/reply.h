// The reply as it is received: bytes go straight from the socket into one growing anonymous
// mapping that never holds a second copy of them, and the text is a view into it (the whole
// reply, or over REST the body after the status line).
#pragma once

#include <cstddef>
#include <string_view>

namespace quamorsc {

// The bytes received so far, and where the text to print starts.
class Reply {
 public:
  Reply() = default;
  Reply(Reply&& other) noexcept;
  Reply& operator=(Reply&& other) noexcept;
  Reply(const Reply&) = delete;
  Reply& operator=(const Reply&) = delete;
  ~Reply();

  // Makes room for at least `n` more bytes after the received ones. Memory that cannot be had
  // writes "memory allocation of N bytes failed" on standard error and aborts.
  void reserve(std::size_t n);
  // Where the next received bytes go, and how many fit there without another `reserve`.
  char* tail() { return data_ + size_; }
  std::size_t room() const { return capacity_ - size_; }
  // `n` bytes were written at `tail()`.
  void commit(std::size_t n) { size_ += n; }

  // Every byte received.
  std::string_view bytes() const { return {data_, size_}; }
  // The text starts `n` bytes later (the REST status line is not part of the body).
  void drop_front(std::size_t n) { start_ += n; }
  std::string_view text() const { return {data_ + start_, size_ - start_}; }

 private:
  void grow(std::size_t capacity);

  char* data_ = nullptr;
  std::size_t capacity_ = 0;  // readable and writable bytes at `data_`
  std::size_t reserved_ = 0;  // address space held at `data_`, the writable part included
  std::size_t size_ = 0;
  std::size_t start_ = 0;
};

}  // namespace quamorsc
