// The cipher and checksum adapter: AES-128 in CBC mode over whole blocks, and
// the IEEE 802.3 CRC-32 (OpenSSL's libcrypto and zlib here; BCrypt and zlib
// on Windows). The one place that includes those libraries.
#pragma once

#include <cstddef>
#include <cstdint>

// Encrypts (or decrypts) length bytes in place with AES-128-CBC, no padding
// added or removed. False when length is not a multiple of 16 or the cipher
// fails; the bytes are then unspecified.
bool Aes128CbcEncrypt(const uint8_t key[16], const uint8_t iv[16], uint8_t* bytes, size_t length);
bool Aes128CbcDecrypt(const uint8_t key[16], const uint8_t iv[16], uint8_t* bytes, size_t length);

// The CRC-32 of length bytes continued from crc, as zlib's crc32() chains it:
// Crc32(0, data) is the checksum of data, and Crc32(Crc32(0, a), b) that of a
// followed by b.
uint32_t Crc32(uint32_t crc, const uint8_t* bytes, size_t length);
