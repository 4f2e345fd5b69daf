#include "packet_public/ZText.h"

#include <climits>
#include <cstddef>

#include "platform/kernel.h"

namespace {

template <typename Char>
int32_t ParseLenient(std::basic_string_view<Char> text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  // The magnitude saturates just past the 32-bit range, so a run of digits of
  // any length cannot overflow it.
  constexpr int64_t kCap = int64_t{INT32_MAX} + 1;
  int64_t magnitude = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    magnitude = magnitude * 10 + (text[i] - '0');
    if (magnitude > kCap) magnitude = kCap;
  }
  int64_t value = negative ? -magnitude : magnitude;
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(value);
}

// The conversion functions take int lengths; longer text goes in pieces cut
// where no character is split.
constexpr size_t kPiece = size_t{1} << 28;

bool IsUtf8Continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

void AppendUtf16(std::string_view piece, std::u16string* out) {
  int length = static_cast<int>(piece.size());
  int needed = MultiByteToWideChar(CP_UTF8, 0, piece.data(), length, nullptr, 0);
  if (needed <= 0) return;
  size_t at = out->size();
  out->resize(at + static_cast<size_t>(needed));
  int written = MultiByteToWideChar(CP_UTF8, 0, piece.data(), length, AsWide(out->data() + at),
                                    needed);
  out->resize(at + static_cast<size_t>(written > 0 ? written : 0));
}

void AppendUtf8(std::u16string_view piece, std::string* out) {
  int length = static_cast<int>(piece.size());
  int needed =
      WideCharToMultiByte(CP_UTF8, 0, piece.data(), length, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return;
  size_t at = out->size();
  out->resize(at + static_cast<size_t>(needed));
  int written = WideCharToMultiByte(CP_UTF8, 0, piece.data(), length, out->data() + at, needed,
                                    nullptr, nullptr);
  out->resize(at + static_cast<size_t>(written > 0 ? written : 0));
}

}  // namespace

int32_t ParseLenientInt(std::u16string_view text) { return ParseLenient(text); }
int32_t ParseLenientInt(std::string_view text) { return ParseLenient(text); }

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  while (!text.empty()) {
    size_t take = text.size();
    if (take > kPiece) {
      take = kPiece;
      // Back up to the lead byte of a sequence; at most three steps for valid
      // text, and malformed text comes out the same either way.
      for (int step = 0; step < 3 && IsUtf8Continuation(text[take]); ++step) --take;
    }
    AppendUtf16(text.substr(0, take), &out);
    text.remove_prefix(take);
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  while (!text.empty()) {
    size_t take = text.size();
    if (take > kPiece) {
      take = kPiece;
      if (text[take - 1] >= 0xD800 && text[take - 1] <= 0xDBFF) --take;  // keep pairs whole
    }
    AppendUtf8(text.substr(0, take), &out);
    text.remove_prefix(take);
  }
  return out;
}

bool EqualNoCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char16_t x = a[i], y = b[i];
    if (x >= u'A' && x <= u'Z') x = static_cast<char16_t>(x + 32);
    if (y >= u'A' && y <= u'Z') y = static_cast<char16_t>(y + 32);
    if (x != y) return false;
  }
  return true;
}

std::u16string ProgramFilePath() {
  char16_t buffer[MAX_PATH] = {};
  DWORD length = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::u16string(buffer, length) : std::u16string();
}

std::u16string UpperCase(std::u16string text) {
  for (auto& c : text) {
    if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7))
      c = static_cast<char16_t>(c - 0x20);
    else if (c == 0xFF)
      c = 0x0178;
  }
  return text;
}
