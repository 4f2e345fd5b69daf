// CRC-32 through zlib, on both back ends.
#include <zlib.h>

#include "platform/crypto.h"

uint32_t Crc32(uint32_t crc, const uint8_t* bytes, size_t length) {
  uLong value = crc;
  // zlib takes the length as uInt: feed very long inputs in pieces.
  while (length > 0) {
    const uInt piece = length > 0x40000000u ? 0x40000000u : static_cast<uInt>(length);
    value = crc32(value, bytes, piece);
    bytes += piece;
    length -= piece;
  }
  return static_cast<uint32_t>(value);
}
