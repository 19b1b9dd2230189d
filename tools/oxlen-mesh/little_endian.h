#pragma once

#include <algorithm>
#include <bit>
#include <cstring>
#include <ostream>
#include <vector>

namespace oxlen_mesh {

/// Writes the bytes of `value` to `out` in little-endian order, whatever the host's byte order:
/// the binary mesh formats are little-endian.
template <class T>
void PutLittleEndian(std::ostream& out, T value) {
  unsigned char bytes[sizeof(T)];
  std::memcpy(bytes, &value, sizeof(T));
  if constexpr (std::endian::native == std::endian::big)
    std::reverse(bytes, bytes + sizeof(T));
  out.write(reinterpret_cast<const char*>(bytes), sizeof(T));
}

/// Appends the bytes of each of `values` to `bytes` in little-endian order, whatever the host's
/// byte order.
template <class T>
void AppendLittleEndian(std::vector<unsigned char>& bytes, const std::vector<T>& values) {
  for (const T& value : values) {
    unsigned char raw[sizeof(T)];
    std::memcpy(raw, &value, sizeof(T));
    if constexpr (std::endian::native == std::endian::big)
      std::reverse(raw, raw + sizeof(T));
    bytes.insert(bytes.end(), raw, raw + sizeof(T));
  }
}

}  // namespace oxlen_mesh
