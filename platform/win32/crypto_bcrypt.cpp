// AES-128-CBC through the system's CNG (BCrypt). (CRC-32: platform/common, with
// zlib linked statically: no zlib DLL ships with Windows.)

#include <cstring>
#include <vector>

#include "platform/crypto.h"
#include "platform/types.h"

#include <bcrypt.h>

namespace {

// One provider handle for the process: opening one loads and self-tests the
// algorithm, and a provider handle may be shared by threads (keys may not).
BCRYPT_ALG_HANDLE AesCbcProvider() {
  static const BCRYPT_ALG_HANDLE provider = [] {
    BCRYPT_ALG_HANDLE handle = nullptr;
    if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&handle, BCRYPT_AES_ALGORITHM, nullptr, 0)))
      return static_cast<BCRYPT_ALG_HANDLE>(nullptr);
    const wchar_t* mode = BCRYPT_CHAIN_MODE_CBC;
    const ULONG mode_size = static_cast<ULONG>((wcslen(mode) + 1) * sizeof(wchar_t));
    if (!BCRYPT_SUCCESS(BCryptSetProperty(handle, BCRYPT_CHAINING_MODE,
                                          reinterpret_cast<PUCHAR>(const_cast<wchar_t*>(mode)),
                                          mode_size, 0))) {
      BCryptCloseAlgorithmProvider(handle, 0);
      return static_cast<BCRYPT_ALG_HANDLE>(nullptr);
    }
    return handle;
  }();
  return provider;
}

bool Run(bool encrypt, const uint8_t key[16], const uint8_t iv[16], uint8_t* bytes,
         size_t length) {
  if (length % 16 != 0 || length > 0x7FFFFFF0u) return false;
  if (length == 0) return true;
  BCRYPT_ALG_HANDLE provider = AesCbcProvider();
  if (!provider) return false;

  // Vista wants the caller to supply the key object's memory.
  ULONG object_size = 0, got = 0;
  if (!BCRYPT_SUCCESS(BCryptGetProperty(provider, BCRYPT_OBJECT_LENGTH,
                                        reinterpret_cast<PUCHAR>(&object_size),
                                        sizeof(object_size), &got, 0)))
    return false;
  std::vector<UCHAR> key_object(object_size);
  uint8_t secret[16];
  std::memcpy(secret, key, sizeof(secret));
  BCRYPT_KEY_HANDLE handle = nullptr;
  if (!BCRYPT_SUCCESS(BCryptGenerateSymmetricKey(provider, &handle, key_object.data(),
                                                 object_size, secret, sizeof(secret), 0)))
    return false;

  // BCrypt leaves the last cipher block in the IV buffer: the caller's stays as it was.
  uint8_t chain[16];
  std::memcpy(chain, iv, sizeof(chain));
  const ULONG size = static_cast<ULONG>(length);
  ULONG written = 0;
  // No padding flag: whole blocks in, the same number of bytes out, in place.
  const NTSTATUS status =
      encrypt ? BCryptEncrypt(handle, bytes, size, nullptr, chain, sizeof(chain), bytes, size,
                              &written, 0)
              : BCryptDecrypt(handle, bytes, size, nullptr, chain, sizeof(chain), bytes, size,
                              &written, 0);
  BCryptDestroyKey(handle);
  SecureZeroMemory(secret, sizeof(secret));
  SecureZeroMemory(key_object.data(), key_object.size());
  return BCRYPT_SUCCESS(status) && written == size;
}

}  // namespace

bool Aes128CbcEncrypt(const uint8_t key[16], const uint8_t iv[16], uint8_t* bytes, size_t length) {
  return Run(true, key, iv, bytes, length);
}

bool Aes128CbcDecrypt(const uint8_t key[16], const uint8_t iv[16], uint8_t* bytes, size_t length) {
  return Run(false, key, iv, bytes, length);
}
