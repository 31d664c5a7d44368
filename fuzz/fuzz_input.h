// Splits a fuzzer's input into the pieces a target needs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>

class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, size_t size)
      : rest_(reinterpret_cast<const char*>(data), size) {}
  // One byte (0 when the input is used up).
  uint8_t Byte() {
    if (rest_.empty()) return 0;
    auto byte = static_cast<uint8_t>(rest_.front());
    rest_.remove_prefix(1);
    return byte;
  }
  // The bytes up to the next NUL (which is dropped), or all that is left.
  std::string_view Piece() {
    size_t end = rest_.find('\0');
    std::string_view piece = rest_.substr(0, end);
    rest_.remove_prefix(end == std::string_view::npos ? rest_.size() : end + 1);
    return piece;
  }
  std::string_view Rest() { return std::exchange(rest_, {}); }

 private:
  std::string_view rest_;
};
