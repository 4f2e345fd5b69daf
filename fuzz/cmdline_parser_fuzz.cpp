// CCmdLineParser over arbitrary command lines (the input is UTF-8; malformed
// bytes become replacement characters), folded and case-sensitive.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "packet_public/CCmdLineParser.h"
#include "fuzz/FuzzCheck.h"
#include "packet_public/ZText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::u16string text = Utf8ToUtf16(std::string_view(reinterpret_cast<const char*>(data), size));
  std::unique_ptr<char16_t[]> exact(new char16_t[text.size() ? text.size() : 1]);
  std::copy(text.begin(), text.end(), exact.get());
  std::u16string_view view(exact.get(), text.size());

  CCmdLineParser folded(view);
  CCmdLineParser exact_case(view, true);

  FUZZ_CHECK(folded.Parsed() == !folded.Values().empty());
  // Both read the same switches; folding can only merge names.
  FUZZ_CHECK(folded.Parsed() == exact_case.Parsed());
  FUZZ_CHECK(folded.Values().size() <= exact_case.Values().size());

  for (const auto& [name, value] : folded.Values()) {
    FUZZ_CHECK(!name.empty());
    for (char16_t c : name) FUZZ_CHECK(!(c >= u'a' && c <= u'z'));
    auto found = folded.GetVal(name);
    FUZZ_CHECK(found && *found == value);
    FUZZ_CHECK(name.size() + value.size() < text.size());
  }
  for (const auto& [name, value] : exact_case.Values()) {
    std::u16string lower = name;
    for (char16_t& c : lower)
      if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
    FUZZ_CHECK(folded.GetVal(lower).has_value());
  }

  for (const char16_t* name : {u"ico", u"at", u"uninstall", u"X"}) {
    auto value = folded.GetVal(name);
    if (value) FUZZ_CHECK(value->size() < text.size());
  }
  return 0;
}
