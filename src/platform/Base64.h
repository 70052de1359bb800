#pragma once
// Base64 with the standard alphabet and "=" padding (RFC 4648), on owned buffers.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Every 3 bytes give 4 characters; a remainder of 1 or 2 bytes gives 2 or 3 characters and
// 2 or 1 "=".
std::string EncodeBase64(std::span<const std::uint8_t> bytes);
std::string EncodeBase64(std::string_view bytes);

// Trailing "=" are removed, then characters are taken up to the first one outside the
// alphabet; the result holds the bytes those characters carry (6 bits each, whole bytes
// only), so "AQ==" gives one byte and a text cut short gives what it holds.
std::vector<std::uint8_t> DecodeBase64(std::string_view text);

}  // namespace platform
