// The cipher and checksum adapter against published known answers.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/crypto.h"
#include "tests/support/CryptoVectors.h"

namespace {

std::vector<uint8_t> FromHex(const std::string& hex) {
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return bytes;
}

TEST(CryptoTest, AesMatchesFips197SingleBlock) {
  // FIPS-197 appendix C.1; one CBC block with a zero IV is the bare cipher.
  const auto key = FromHex(crypto_vectors::kFipsKey);
  const uint8_t iv[16] = {};
  auto block = FromHex(crypto_vectors::kFipsPlain);
  ASSERT_TRUE(Aes128CbcEncrypt(key.data(), iv, block.data(), block.size()));
  EXPECT_EQ(block, FromHex(crypto_vectors::kFipsCipher));
  ASSERT_TRUE(Aes128CbcDecrypt(key.data(), iv, block.data(), block.size()));
  EXPECT_EQ(block, FromHex(crypto_vectors::kFipsPlain));
}

TEST(CryptoTest, CbcMatchesSp800_38aF21BothWays) {
  const auto key = FromHex(crypto_vectors::kCbcKey);
  const auto iv = FromHex(crypto_vectors::kCbcIv);
  const auto plain = FromHex(crypto_vectors::kCbcPlain);
  const auto cipher = FromHex(crypto_vectors::kCbcCipher);
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
