// SwitchSet and the silent-run test over arbitrary command lines (the input
// is UTF-8; malformed bytes become replacement characters).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "app/cmdline/SilentRun.h"
#include "app/cmdline/SwitchSet.h"
#include "fuzz/FuzzCheck.h"
#include "packet_public/ZText.h"

namespace {

std::u16string Swapped(std::u16string name) {
  for (char16_t& c : name) {
    if (c >= u'a' && c <= u'z')
      c = static_cast<char16_t>(c - 32);
    else if (c >= u'A' && c <= u'Z')
      c = static_cast<char16_t>(c + 32);
  }
  return name;
}

void CheckName(const SwitchSet& set, const std::u16string& name) {
  FUZZ_CHECK(set.Has(name) == set.Has(Swapped(name)));
  FUZZ_CHECK(set.Get(name) == set.Get(Swapped(name)));
  if (!set.Has(name)) FUZZ_CHECK(set.Get(name).empty());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::u16string text = Utf8ToUtf16(std::string_view(reinterpret_cast<const char*>(data), size));
  // An exactly sized heap copy: the parser must stop at the view's end.
  std::unique_ptr<char16_t[]> exact(new char16_t[text.size() ? text.size() : 1]);
  std::copy(text.begin(), text.end(), exact.get());
  SwitchSet set(std::u16string_view(exact.get(), text.size()));

  FUZZ_CHECK(set.BucketCount() >= 17);
  double load = static_cast<double>(set.Count()) / static_cast<double>(set.BucketCount());
  FUZZ_CHECK(set.BucketCount() == 17 || (load >= 0.25 && load <= 2.25));
  FUZZ_CHECK(set.Count() <= text.size() / 2 + 1);  // each switch takes a leader and a name
  FUZZ_CHECK(!set.Has(u""));

  CheckName(set, u"at");
  CheckName(set, u"ico");
  // The first name written after a leader, whatever it is.
  size_t dash = text.find_first_of(u"-/");
  if (dash != std::u16string::npos) {
    size_t end = text.find_first_of(u" \t:", dash + 1);
    CheckName(set, text.substr(dash + 1, end == std::u16string::npos ? end : end - dash - 1));
  }

  bool silent = IsSilentCommandLine(text);
  bool expected =
      set.Has(u"at") && (set.Get(u"at").empty() || ParseLenientInt(set.Get(u"at")) != 0);
  FUZZ_CHECK(silent == expected);
  return 0;
}
