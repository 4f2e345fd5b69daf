#include "tools/simhost/RegText.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/sim/text/SimUnicode.h"
#include "tools/simhost/JsonWriter.h"

namespace {

std::string Utf16Bytes(const std::u16string& text) {
  return std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2);
}

std::u16string BytesUtf16(const std::string& bytes) {
  std::u16string text(bytes.size() / 2, u'\0');
  if (!text.empty()) std::memcpy(text.data(), bytes.data(), text.size() * 2);
  return text;
}

}  // namespace

bool ParseRegKey(const std::string& text, HKEY* root, std::u16string* sub_key) {
  size_t sep = text.find('\\');
  std::string head = text.substr(0, sep);
  for (auto& c : head) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (head == "HKLM" || head == "HKEY_LOCAL_MACHINE") *root = HKEY_LOCAL_MACHINE;
  else if (head == "HKCU" || head == "HKEY_CURRENT_USER") *root = HKEY_CURRENT_USER;
  else if (head == "HKCR" || head == "HKEY_CLASSES_ROOT") *root = HKEY_CLASSES_ROOT;
  else if (head == "HKU" || head == "HKEY_USERS") *root = HKEY_USERS;
  else return false;
  *sub_key = sep == std::string::npos ? std::u16string() : SimToUtf16(text.substr(sep + 1));
  return true;
}

bool EncodeRegValue(const std::string& type_name, const std::string& data, DWORD* type,
                    std::string* bytes) {
  char* end = nullptr;
  if (type_name == "REG_SZ" || type_name == "REG_EXPAND_SZ") {
    *type = type_name == "REG_SZ" ? REG_SZ : REG_EXPAND_SZ;
    *bytes = Utf16Bytes(SimToUtf16(data) + u'\0');
  } else if (type_name == "REG_DWORD") {
    unsigned long long v = std::strtoull(data.c_str(), &end, 0);
    if (data.empty() || *end || v > 0xFFFFFFFFull) return false;
    uint32_t d = static_cast<uint32_t>(v);
    *type = REG_DWORD;
    bytes->assign(reinterpret_cast<const char*>(&d), 4);
  } else if (type_name == "REG_QWORD") {
    unsigned long long v = std::strtoull(data.c_str(), &end, 0);
    if (data.empty() || *end) return false;
    *type = REG_QWORD;
    bytes->assign(reinterpret_cast<const char*>(&v), 8);
  } else if (type_name == "REG_MULTI_SZ") {
    *type = REG_MULTI_SZ;
    std::u16string all;
    size_t start = 0;
    while (!data.empty() && start <= data.size()) {
      size_t bar = data.find('|', start);
      if (bar == std::string::npos) bar = data.size();
      all += SimToUtf16(data.substr(start, bar - start)) + u'\0';
      start = bar + 1;
    }
    all += u'\0';
    *bytes = Utf16Bytes(all);
  } else if (type_name == "REG_BINARY") {
    if (data.size() % 2) return false;
    *type = REG_BINARY;
    bytes->clear();
    for (size_t i = 0; i < data.size(); i += 2) {
      std::string pair = data.substr(i, 2);
      long v = std::strtol(pair.c_str(), &end, 16);
      if (*end) return false;
      *bytes += static_cast<char>(v);
    }
  } else {
    return false;
  }
  return true;
}

std::string RegTypeName(DWORD type) {
  switch (type) {
    case REG_NONE: return "REG_NONE";
    case REG_SZ: return "REG_SZ";
    case REG_EXPAND_SZ: return "REG_EXPAND_SZ";
    case REG_BINARY: return "REG_BINARY";
    case REG_DWORD: return "REG_DWORD";
    case REG_DWORD_BIG_ENDIAN: return "REG_DWORD_BIG_ENDIAN";
    case REG_LINK: return "REG_LINK";
    case REG_MULTI_SZ: return "REG_MULTI_SZ";
    case REG_QWORD: return "REG_QWORD";
    default: return "REG_" + std::to_string(type);
  }
}

std::string RegValueJson(DWORD type, const std::string& bytes) {
  std::string data;
  if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_LINK) {
    std::u16string text = BytesUtf16(bytes);
    text = text.substr(0, text.find(u'\0'));
    data = JsonString(SimToUtf8(text));
  } else if (type == REG_MULTI_SZ) {
    std::u16string text = BytesUtf16(bytes);
    data = "[";
    size_t start = 0;
    bool first = true;
    while (start < text.size()) {
      size_t zero = text.find(u'\0', start);
      if (zero == std::u16string::npos) zero = text.size();
      if (zero == start) break;  // the empty string ends the list
      data += (first ? "" : ", ") + JsonString(SimToUtf8(text.substr(start, zero - start)));
      first = false;
      start = zero + 1;
    }
    data += "]";
  } else if (type == REG_DWORD && bytes.size() == 4) {
    uint32_t v;
    std::memcpy(&v, bytes.data(), 4);
    data = std::to_string(v);
  } else if (type == REG_QWORD && bytes.size() == 8) {
    uint64_t v;
    std::memcpy(&v, bytes.data(), 8);
    data = std::to_string(v);
  } else {
    static const char kHex[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : bytes) {
      hex += kHex[c >> 4];
      hex += kHex[c & 15];
    }
    data = JsonString(hex);
  }
  return "[" + JsonString(RegTypeName(type)) + ", " + data + "]";
}
