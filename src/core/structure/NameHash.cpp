#include "structure/NameHash.h"

std::uint32_t DJBHash(std::string_view Text) {
  std::uint32_t H = 5381;
  for (const char C : Text) H = H * 33 + static_cast<std::uint8_t>(C);
  return H & 0x7FFFFFFF;
}
