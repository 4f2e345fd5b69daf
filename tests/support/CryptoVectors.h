// Published known answers for the cipher and checksum adapter, shared by the
// Linux tests and the Windows adapter check (hex text).
#pragma once

namespace crypto_vectors {

// FIPS-197 appendix C.1 (one block; CBC with a zero IV is the bare cipher).
inline constexpr char kFipsKey[] = "000102030405060708090a0b0c0d0e0f";
inline constexpr char kFipsPlain[] = "00112233445566778899aabbccddeeff";
inline constexpr char kFipsCipher[] = "69c4e0d86a7b0430d8cdb78070b4c55a";

// NIST SP 800-38A F.2.1 (CBC-AES128, four blocks).
inline constexpr char kCbcKey[] = "2b7e151628aed2a6abf7158809cf4f3c";
inline constexpr char kCbcIv[] = "000102030405060708090a0b0c0d0e0f";
inline constexpr char kCbcPlain[] =
    "6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e51"
    "30c81c46a35ce411e5fbc1191a0a52eff69f2445df4f9b17ad2b417be66c3710";
inline constexpr char kCbcCipher[] =
    "7649abac8119b246cee98e9b12e9197d5086cb9b507219ee95db113a917678b2"
    "73bed6b8e3c1743b7116e69e222295163ff1caa1681fac09120eca307586e1a7";

}  // namespace crypto_vectors
