// AES-128-CBC through OpenSSL's EVP interface (CRC-32: platform/common).
#include <openssl/evp.h>

#include <climits>
#include <memory>

#include "platform/crypto.h"

namespace {

bool Run(bool encrypt, const uint8_t key[16], const uint8_t iv[16], uint8_t* bytes,
         size_t length) {
  if (length % 16 != 0 || length > static_cast<size_t>(INT_MAX)) return false;
  if (length == 0) return true;
  std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> context(EVP_CIPHER_CTX_new(),
                                                                        &EVP_CIPHER_CTX_free);
  if (!context) return false;
  if (EVP_CipherInit_ex(context.get(), EVP_aes_128_cbc(), nullptr, key, iv, encrypt ? 1 : 0) != 1)
    return false;
  EVP_CIPHER_CTX_set_padding(context.get(), 0);
  int written = 0;
  // In place: EVP allows the output to be the input for a block cipher mode.
  if (EVP_CipherUpdate(context.get(), bytes, &written, bytes, static_cast<int>(length)) != 1)
    return false;
  int last = 0;
  if (EVP_CipherFinal_ex(context.get(), bytes + written, &last) != 1) return false;
  return static_cast<size_t>(written + last) == length;
}

}  // namespace

bool Aes128CbcEncrypt(const uint8_t key[16], const uint8_t iv[16], uint8_t* bytes, size_t length) {
  return Run(true, key, iv, bytes, length);
}

bool Aes128CbcDecrypt(const uint8_t key[16], const uint8_t iv[16], uint8_t* bytes, size_t length) {
  return Run(false, key, iv, bytes, length);
}
