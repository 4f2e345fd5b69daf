// The cipher and checksum adapter against published known answers.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/crypto.h"

namespace {

std::vector<uint8_t> FromHex(const std::string& hex) {
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return bytes;
}

TEST(CryptoTest, AesMatchesFips197SingleBlock) {
  // FIPS-197 appendix C.1; one CBC block with a zero IV is the bare cipher.
  const auto key = FromHex("000102030405060708090a0b0c0d0e0f");
  const uint8_t iv[16] = {};
  auto block = FromHex("00112233445566778899aabbccddeeff");
  ASSERT_TRUE(Aes128CbcEncrypt(key.data(), iv, block.data(), block.size()));
  EXPECT_EQ(block, FromHex("69c4e0d86a7b0430d8cdb78070b4c55a"));
  ASSERT_TRUE(Aes128CbcDecrypt(key.data(), iv, block.data(), block.size()));
  EXPECT_EQ(block, FromHex("00112233445566778899aabbccddeeff"));
}

TEST(CryptoTest, CbcMatchesSp800_38aF21BothWays) {
  const auto key = FromHex("2b7e151628aed2a6abf7158809cf4f3c");
  const auto iv = FromHex("000102030405060708090a0b0c0d0e0f");
  const auto plain = FromHex(
      "6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e51"
      "30c81c46a35ce411e5fbc1191a0a52eff69f2445df4f9b17ad2b417be66c3710");
  const auto cipher = FromHex(
      "7649abac8119b246cee98e9b12e9197d5086cb9b507219ee95db113a917678b2"
      "73bed6b8e3c1743b7116e69e222295163ff1caa1681fac09120eca307586e1a7");
  auto bytes = plain;
  ASSERT_TRUE(Aes128CbcEncrypt(key.data(), iv.data(), bytes.data(), bytes.size()));
  EXPECT_EQ(bytes, cipher);
  ASSERT_TRUE(Aes128CbcDecrypt(key.data(), iv.data(), bytes.data(), bytes.size()));
  EXPECT_EQ(bytes, plain);
}

TEST(CryptoTest, CipherRefusesPartialBlocksAndAcceptsNothing) {
  const uint8_t key[16] = {}, iv[16] = {};
  std::vector<uint8_t> bytes(17, 0);
  EXPECT_FALSE(Aes128CbcEncrypt(key, iv, bytes.data(), 17));
  EXPECT_FALSE(Aes128CbcDecrypt(key, iv, bytes.data(), 15));
  EXPECT_TRUE(Aes128CbcEncrypt(key, iv, bytes.data(), 0));
}

TEST(CryptoTest, Crc32CheckValueAndChaining) {
  const std::string check = "123456789";
  const auto* data = reinterpret_cast<const uint8_t*>(check.data());
  EXPECT_EQ(Crc32(0, data, check.size()), 0xCBF43926u);
  EXPECT_EQ(Crc32(0, data, 0), 0u);
  for (size_t split = 0; split <= check.size(); ++split)
    EXPECT_EQ(Crc32(Crc32(0, data, split), data + split, check.size() - split), 0xCBF43926u)
        << "split at " << split;
}

}  // namespace
