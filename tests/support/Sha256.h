// SHA-256 of a byte string as 64 lower-case hex digits: fingerprints of written files that a
// checked-in table can hold.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace cvtest {

std::string Sha256Hex(const void* data, size_t size);
inline std::string Sha256Hex(const std::string& bytes) { return Sha256Hex(bytes.data(), bytes.size()); }

}  // namespace cvtest
