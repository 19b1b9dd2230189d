#pragma once

// Reading a fuzzer's input as a sequence of small decisions.

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace fuzz_input {

/// Reads decisions from the front of a byte string; past its end every byte reads as zero.
class MByteReader {
 public:
  MByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  std::uint8_t Byte() { return position_ < size_ ? data_[position_++] : 0; }

  /// Two bytes, little endian. Past the end the words follow a golden-ratio sequence instead of
  /// zeros, so that a short input still spreads its points over the quad.
  std::uint16_t Word() {
    if (position_ + 2 > size_) {
      position_ = size_;
      fill_ = static_cast<std::uint16_t>(fill_ + 40503);  // 65536 / golden ratio
      return fill_;
    }
    const std::uint16_t low = Byte();
    return static_cast<std::uint16_t>(low | (Byte() << 8));
  }

  std::uint32_t Word32() {
    const std::uint32_t low = Word();
    return low | (static_cast<std::uint32_t>(Word()) << 16);
  }

  /// A number in [0, 1] in steps of 1 / 65535.
  double Unit() { return Word() / 65535.0; }

  /// A number below n, for 0 < n <= 256.
  int Below(int n) { return Byte() % n; }

  /// Eight bytes taken as the bit pattern of a double: any finite value, infinity or NaN.
  double Raw() {
    std::uint64_t bits = Word32();
    bits |= static_cast<std::uint64_t>(Word32()) << 32;
    double value = 0.0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t position_ = 0;
  std::uint16_t fill_ = 0;
};

}  // namespace fuzz_input
