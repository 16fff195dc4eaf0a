#pragma once
// Decompression of zlib streams (RFC 1950 around RFC 1951), the form PNG pictures keep
// their pixels in: the pictures are decoded in the program itself, so that showing a
// window needs neither COM nor an imaging library.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace kv::ui {

// The bytes the stream holds; nothing when it is malformed, fails its checksum, or would
// come to more than `limit` bytes.
std::optional<std::vector<std::uint8_t>> Inflate(std::span<const std::uint8_t> zlib,
                                                 std::size_t limit);

} // namespace kv::ui
