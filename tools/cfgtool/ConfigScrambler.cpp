#include "tools/cfgtool/ConfigScrambler.h"

namespace {
constexpr char kMagic[] = {'.', 't', 'm', 'p'};
constexpr unsigned char kKey = 0xA7;
}  // namespace

std::string PackConfig(const std::string& xml) {
  std::string out(kMagic, sizeof(kMagic));
  out.reserve(sizeof(kMagic) + xml.size());
  for (char c : xml) out += static_cast<char>(static_cast<unsigned char>(c) ^ kKey);
  return out;
}

bool UnpackConfig(const std::string& data, std::string* xml, std::string* error) {
  if (data.size() < sizeof(kMagic) || data.compare(0, sizeof(kMagic), kMagic, sizeof(kMagic)) != 0) {
    *error = "not an install configuration (no .tmp magic)";
    return false;
  }
  if (data.size() == sizeof(kMagic)) {
    *error = "the configuration body is empty";
    return false;
  }
  xml->clear();
  xml->reserve(data.size() - sizeof(kMagic));
  for (size_t i = sizeof(kMagic); i < data.size(); ++i)
    *xml += static_cast<char>(static_cast<unsigned char>(data[i]) ^ kKey);
  return true;
}
