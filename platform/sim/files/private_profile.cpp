// Initialisation files on the simulated host, read through the machine's own
// file functions (so sharing rules and path rules apply as to any program).
#include "platform/private_profile.h"

#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/kernel.h"
#include "platform/sim/text/SimAnsi.h"
#include "platform/sim/core/SimHandles.h"
#include "platform/sim/text/SimUnicode.h"
#include "platform/system_info.h"

namespace {

struct Entry {
  std::u16string key;
  std::u16string value;
};

struct Section {
  std::u16string name;
  std::vector<Entry> entries;
};

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

std::u16string Trim(std::u16string_view text) {
  size_t first = 0, last = text.size();
  while (first < last && IsBlank(text[first])) ++first;
  while (last > first && IsBlank(text[last - 1])) --last;
  return std::u16string(text.substr(first, last - first));
}

// A name without a folder lives in the Windows folder, as on Windows.
std::u16string FullName(const char16_t* name) {
  std::u16string text(name);
  if (text.find_first_of(u"\\/") != std::u16string::npos) return text;
  char16_t folder[MAX_PATH];
  UINT length = GetWindowsDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return text;
  return std::u16string(folder, length) + u"\\" + text;
}

bool ReadBytes(const std::u16string& path, std::string* bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  char chunk[65536];
  DWORD got = 0;
  while (ReadFile(file, chunk, sizeof(chunk), &got, nullptr) && got > 0) bytes->append(chunk, got);
  CloseHandle(file);
  return true;
}

// The byte-order mark decides: UTF-16 either way, UTF-8, else the ANSI code page.
std::u16string Decode(const std::string& bytes) {
  auto byte = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
  if (bytes.size() >= 2 && (byte(0) == 0xFF && byte(1) == 0xFE)) {
    std::u16string text;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
      text += static_cast<char16_t>(byte(i) | (byte(i + 1) << 8));
    return text;
  }
  if (bytes.size() >= 2 && (byte(0) == 0xFE && byte(1) == 0xFF)) {
    std::u16string text;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
      text += static_cast<char16_t>((byte(i) << 8) | byte(i + 1));
    return text;
  }
  if (bytes.size() >= 3 && byte(0) == 0xEF && byte(1) == 0xBB && byte(2) == 0xBF)
    return SimToUtf16(std::string_view(bytes).substr(3));
  return SimAnsiToUtf16(bytes);
}

std::vector<Section> Parse(const std::u16string& text) {
  std::vector<Section> sections;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of(u"\r\n", start);
    if (end == std::u16string::npos) end = text.size();
    std::u16string line = Trim(std::u16string_view(text).substr(start, end - start));
    start = end + 1;
    if (line.empty()) continue;
    if (line[0] == u'[') {
      size_t close = line.find(u']');
      sections.push_back({Trim(std::u16string_view(line).substr(
                              1, close == std::u16string::npos ? std::u16string::npos
                                                               : close - 1)),
                          {}});
      continue;
    }
    if (sections.empty()) continue;  // lines before the first section belong to none
    size_t equals = line.find(u'=');
    Entry entry;
    entry.key = Trim(std::u16string_view(line).substr(0, equals));
    if (equals != std::u16string::npos) {
      entry.value = Trim(std::u16string_view(line).substr(equals + 1));
      if (entry.value.size() >= 2 && entry.value.front() == entry.value.back() &&
          (entry.value.front() == u'"' || entry.value.front() == u'\''))
        entry.value = entry.value.substr(1, entry.value.size() - 2);
    }
    sections.back().entries.push_back(std::move(entry));
  }
  return sections;
}

const Section* FindSection(const std::vector<Section>& sections, const char16_t* name) {
  for (const auto& section : sections)
    if (SimEqualNoCase(section.name, name)) return &section;
  return nullptr;
}

// One value: cut to size - 1 characters.
DWORD CopyValue(const std::u16string& value, LPWSTR buffer, DWORD size) {
  size_t length = value.size();
  const bool cut = length > size - 1;
  if (cut) length = size - 1;
  value.copy(buffer, length);
  buffer[length] = u'\0';
  SetLastError(cut ? ERROR_MORE_DATA : ERROR_SUCCESS);
  return static_cast<DWORD>(length);
}

// Names each ending in a null, the list in two; a list cut to fit returns size - 2.
DWORD CopyList(const std::vector<std::u16string>& names, LPWSTR buffer, DWORD size) {
  std::u16string list;
  for (const auto& name : names) {
    list += name;
    list += u'\0';
  }
  if (list.size() + 1 <= size) {
    list.copy(buffer, list.size());
    buffer[list.size()] = u'\0';
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(list.size());
  }
  if (size < 2) {
    buffer[0] = u'\0';
    SetLastError(ERROR_MORE_DATA);
    return 0;
  }
  list.copy(buffer, size - 2);
  buffer[size - 2] = u'\0';
  buffer[size - 1] = u'\0';
  SetLastError(ERROR_MORE_DATA);
  return size - 2;
}

}  // namespace

DWORD GetPrivateProfileStringW(LPCWSTR section, LPCWSTR key, LPCWSTR default_value,
                               LPWSTR buffer, DWORD size, LPCWSTR file_name) {
  if (!buffer || size == 0) return SimFailWith<DWORD>(ERROR_INVALID_PARAMETER, 0);
  std::string bytes;
  const bool found_file = file_name && *file_name && ReadBytes(FullName(file_name), &bytes);
  std::vector<Section> sections;
  if (found_file) sections = Parse(Decode(bytes));

  if (!section) {
    std::vector<std::u16string> names;
    for (const auto& s : sections) names.push_back(s.name);
    DWORD copied = CopyList(names, buffer, size);
    if (!found_file) SetLastError(ERROR_FILE_NOT_FOUND);
    return copied;
  }
  const Section* match = FindSection(sections, section);
  if (!key) {
    std::vector<std::u16string> names;
    if (match)
      for (const auto& e : match->entries) names.push_back(e.key);
    DWORD copied = CopyList(names, buffer, size);
    if (!match) SetLastError(ERROR_FILE_NOT_FOUND);
    return copied;
  }
  if (match) {
    for (const auto& e : match->entries)
      if (SimEqualNoCase(e.key, key)) return CopyValue(e.value, buffer, size);
  }
  // The default loses its trailing blanks.
  std::u16string fallback = default_value ? default_value : u"";
  while (!fallback.empty() && IsBlank(fallback.back())) fallback.pop_back();
  DWORD copied = CopyValue(fallback, buffer, size);
  if (GetLastError() == ERROR_SUCCESS) SetLastError(ERROR_FILE_NOT_FOUND);
  return copied;
}

UINT GetPrivateProfileIntW(LPCWSTR section, LPCWSTR key, INT default_value, LPCWSTR file_name) {
  char16_t text[32];
  if (!key || GetPrivateProfileStringW(section, key, u"", text, 32, file_name) == 0)
    return static_cast<UINT>(default_value);
  const char16_t* c = text;
  while (IsBlank(*c)) ++c;
  bool negative = false;
  if (*c == u'+' || *c == u'-') negative = *c++ == u'-';
  UINT base = 10;
  if (c[0] == u'0' && (c[1] == u'x' || c[1] == u'X')) {
    base = 16;
    c += 2;
  }
  UINT value = 0;
  for (;; ++c) {
    UINT digit;
    if (*c >= u'0' && *c <= u'9') digit = *c - u'0';
    else if (base == 16 && *c >= u'a' && *c <= u'f') digit = *c - u'a' + 10;
    else if (base == 16 && *c >= u'A' && *c <= u'F') digit = *c - u'A' + 10;
    else break;
    value = value * base + digit;
  }
  return negative ? 0u - value : value;
}
