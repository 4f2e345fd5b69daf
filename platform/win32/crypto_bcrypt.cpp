// AES-128-CBC through the system's CNG (BCrypt). (CRC-32: platform/common, with
// zlib linked statically: no zlib DLL ships with Windows.)

#include <cstring>
#include <vector>

#include "platform/common/system_library.h"
#include "platform/crypto.h"
#include "platform/types.h"

#include <bcrypt.h>

namespace {

// BCrypt is looked up at run time in the system folder: as an import it would
// be taken from the program's own folder first, where anyone could plant one.
struct BCryptApi {
  decltype(&::BCryptOpenAlgorithmProvider) OpenAlgorithmProvider = nullptr;
  decltype(&::BCryptSetProperty) SetProperty = nullptr;
  decltype(&::BCryptCloseAlgorithmProvider) CloseAlgorithmProvider = nullptr;
  decltype(&::BCryptGetProperty) GetProperty = nullptr;
  decltype(&::BCryptGenerateSymmetricKey) GenerateSymmetricKey = nullptr;
  decltype(&::BCryptEncrypt) Encrypt = nullptr;
  decltype(&::BCryptDecrypt) Decrypt = nullptr;
  decltype(&::BCryptDestroyKey) DestroyKey = nullptr;
  bool complete = false;
};

template <class Fn>
bool Find(HMODULE module, const char* name, Fn* function) {
  *function = reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
  return *function != nullptr;
}

// Loaded once for the process and never unloaded.
const BCryptApi& Api() {
  static const BCryptApi api = [] {
    BCryptApi loaded;
    HMODULE module = LoadSystemLibrary(u"bcrypt.dll");
    if (!module) return loaded;
    loaded.complete =
        Find(module, "BCryptOpenAlgorithmProvider", &loaded.OpenAlgorithmProvider) &&
        Find(module, "BCryptSetProperty", &loaded.SetProperty) &&
        Find(module, "BCryptCloseAlgorithmProvider", &loaded.CloseAlgorithmProvider) &&
        Find(module, "BCryptGetProperty", &loaded.GetProperty) &&
        Find(module, "BCryptGenerateSymmetricKey", &loaded.GenerateSymmetricKey) &&
        Find(module, "BCryptEncrypt", &loaded.Encrypt) &&
        Find(module, "BCryptDecrypt", &loaded.Decrypt) &&
        Find(module, "BCryptDestroyKey", &loaded.DestroyKey);
    return loaded;
  }();
  return api;
}

// One provider handle for the process: opening one loads and self-tests the
// algorithm, and a provider handle may be shared by threads (keys may not).
BCRYPT_ALG_HANDLE AesCbcProvider() {
  static const BCRYPT_ALG_HANDLE provider = [] {
    const BCryptApi& bcrypt = Api();
    BCRYPT_ALG_HANDLE handle = nullptr;
    if (!bcrypt.complete) return handle;
    if (!BCRYPT_SUCCESS(bcrypt.OpenAlgorithmProvider(&handle, BCRYPT_AES_ALGORITHM, nullptr, 0)))
      return static_cast<BCRYPT_ALG_HANDLE>(nullptr);
    const wchar_t* mode = BCRYPT_CHAIN_MODE_CBC;
    const ULONG mode_size = static_cast<ULONG>((wcslen(mode) + 1) * sizeof(wchar_t));
    if (!BCRYPT_SUCCESS(bcrypt.SetProperty(handle, BCRYPT_CHAINING_MODE,
                                          reinterpret_cast<PUCHAR>(const_cast<wchar_t*>(mode)),
                                          mode_size, 0))) {
      bcrypt.CloseAlgorithmProvider(handle, 0);
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
  const BCryptApi& bcrypt = Api();

  // Vista wants the caller to supply the key object's memory.
  ULONG object_size = 0, got = 0;
  if (!BCRYPT_SUCCESS(bcrypt.GetProperty(provider, BCRYPT_OBJECT_LENGTH,
                                        reinterpret_cast<PUCHAR>(&object_size),
                                        sizeof(object_size), &got, 0)))
    return false;
  std::vector<UCHAR> key_object(object_size);
  uint8_t secret[16];
  std::memcpy(secret, key, sizeof(secret));
  BCRYPT_KEY_HANDLE handle = nullptr;
  if (!BCRYPT_SUCCESS(bcrypt.GenerateSymmetricKey(provider, &handle, key_object.data(),
                                                 object_size, secret, sizeof(secret), 0)))
    return false;

  // BCrypt leaves the last cipher block in the IV buffer: the caller's stays as it was.
  uint8_t chain[16];
  std::memcpy(chain, iv, sizeof(chain));
  const ULONG size = static_cast<ULONG>(length);
  ULONG written = 0;
  // No padding flag: whole blocks in, the same number of bytes out, in place.
  const NTSTATUS status =
      encrypt ? bcrypt.Encrypt(handle, bytes, size, nullptr, chain, sizeof(chain), bytes, size,
                              &written, 0)
              : bcrypt.Decrypt(handle, bytes, size, nullptr, chain, sizeof(chain), bytes, size,
                              &written, 0);
  bcrypt.DestroyKey(handle);
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
