#include "app/cmdline/SwitchSet.h"

#include <cmath>

namespace {

constexpr size_t kInitialBuckets = 17;
constexpr double kOptimalLoad = 0.75;
constexpr double kMinLoad = 0.25;
constexpr double kMaxLoad = 2.25;

char16_t FoldCase(char16_t c) {
  return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - (u'a' - u'A')) : c;
}

bool SameName(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (FoldCase(a[i]) != FoldCase(b[i])) return false;
  return true;
}

// Tab separates switches as a space does: Windows splits arguments on both,
// so a tab typed or scripted between switches must not glue them together.
bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

}  // namespace

SwitchSet::SwitchSet(std::u16string_view text) : text_(text), buckets_(kInitialBuckets) {
  Parse();
}

uint32_t SwitchSet::HashName(std::u16string_view name) {
  uint32_t h = 0;
  for (char16_t c : name) h = h * 33 + FoldCase(c);
  return h;
}

bool SwitchSet::Has(std::u16string_view name) const { return Find(name) != nullptr; }

std::u16string SwitchSet::Get(std::u16string_view name) const {
  const Entry* entry = Find(name);
  return entry ? entry->value : std::u16string();
}

const SwitchSet::Entry* SwitchSet::Find(std::u16string_view name) const {
  const auto& bucket = buckets_[HashName(name) % buckets_.size()];
  for (const Entry& entry : bucket)
    if (SameName(entry.name, name)) return &entry;
  return nullptr;
}

void SwitchSet::Put(std::u16string_view name, std::u16string_view value) {
  auto& bucket = buckets_[HashName(name) % buckets_.size()];
  for (Entry& entry : bucket) {
    if (SameName(entry.name, name)) {
      entry.value = value;
      return;
    }
  }
  bucket.push_back(Entry{std::u16string(name), std::u16string(value)});
  ++count_;
  double load = static_cast<double>(count_) / static_cast<double>(buckets_.size());
  if (load > kMaxLoad || (load < kMinLoad && buckets_.size() > kInitialBuckets)) {
    auto wanted = static_cast<size_t>(std::ceil(static_cast<double>(count_) / kOptimalLoad));
    Rehash(wanted < kInitialBuckets ? kInitialBuckets : wanted);
  }
}

void SwitchSet::Rehash(size_t bucket_count) {
  std::vector<std::vector<Entry>> buckets(bucket_count);
  for (auto& bucket : buckets_)
    for (Entry& entry : bucket)
      buckets[HashName(entry.name) % bucket_count].push_back(std::move(entry));
  buckets_.swap(buckets);
}

void SwitchSet::Parse() {
  enum State { kBetween, kSwitchStart, kInName, kAfterColon, kInValue };
  State state = kBetween;
  bool in_quotes = false;
  bool value_quoted = false;
  size_t name_start = 0, name_end = 0, value_start = 0;

  // The scan includes the terminating zero; an embedded zero ends the text
  // just as it would for the C string the system hands us.
  for (size_t i = 0; i <= text_.size(); ++i) {
    const char16_t c = i < text_.size() ? text_[i] : u'\0';
    const bool end = c == u'\0';
    switch (state) {
      case kBetween:
        if (c == u'"')
          in_quotes = !in_quotes;
        else if ((c == u'-' || c == u'/') && !in_quotes)
          state = kSwitchStart;
        break;
      case kSwitchStart:
        // Whatever follows the dash starts the name, except the end itself:
        // a trailing dash names nothing.
        if (end) return;
        name_start = i;
        state = kInName;
        break;
      case kInName:
        if (IsBlank(c) || end) {
          Put(std::u16string_view(text_).substr(name_start, i - name_start), {});
          state = kBetween;
        } else if (c == u':') {
          name_end = i;
          state = kAfterColon;
        }
        break;
      case kAfterColon: {
        auto name = std::u16string_view(text_).substr(name_start, name_end - name_start);
        if (c == u'"') {
          value_start = i + 1;
          in_quotes = true;
          value_quoted = true;
          state = kInValue;
        } else if (IsBlank(c) || end) {
          Put(name, {});
          state = kBetween;
        } else {
          value_start = i;
          state = kInValue;
        }
        break;
      }
      case kInValue: {
        const bool closes = value_quoted ? (end || (c == u'"' && in_quotes)) : (IsBlank(c) || end);
        if (closes) {
          Put(std::u16string_view(text_).substr(name_start, name_end - name_start),
              std::u16string_view(text_).substr(value_start, i - value_start));
          in_quotes = false;
          value_quoted = false;
          state = kBetween;
        }
        break;
      }
    }
    if (end) return;
  }
}
