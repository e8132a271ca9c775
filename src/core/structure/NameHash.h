#pragma once
// The hash that names variables and frames while decoding.
#include <cstdint>
#include <string_view>

// 32-bit DJB string hash with the top bit cleared; "" hashes to 5381.
std::uint32_t DJBHash(std::string_view Text);

// The value of a name the frame decoded does not hold.
constexpr double MissingValue = -999.0;
