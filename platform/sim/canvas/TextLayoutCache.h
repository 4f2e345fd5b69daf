// A canvas's laid-out texts kept for the next paint of the same text: a
// dialog repaints the same runs, and shaping them again is most of the cost
// of drawing text. Bounded (least recently used goes first); one per canvas,
// so used from the thread that uses the canvas.
#pragma once

#include <pango/pango.h>

#include <list>
#include <string>
#include <unordered_map>

class TextLayoutCache {
 public:
  // A layout and the em size its font description was given.
  struct Entry {
    PangoLayout* layout = nullptr;
    double em = 0;
  };

  TextLayoutCache() = default;
  TextLayoutCache(const TextLayoutCache&) = delete;
  TextLayoutCache& operator=(const TextLayoutCache&) = delete;
  ~TextLayoutCache() { Clear(); }

  // The entry kept under key, now the most recently used; null when there is
  // none or the context's fonts changed since (everything kept is dropped).
  const Entry* Find(const std::string& key, PangoContext* context);
  // Keeps entry's layout (with a reference of its own) under key; a key too
  // long to be worth keeping keeps nothing.
  void Keep(const std::string& key, PangoContext* context, const Entry& entry);
  void Clear();
  size_t Size() const { return index_.size(); }

  static constexpr size_t kMaxEntries = 512;
  static constexpr size_t kMaxKeyBytes = 4096;
  // All keys together: a layout's size grows with its text.
  static constexpr size_t kMaxTotalKeyBytes = 256 * 1024;

 private:
  void Check(PangoContext* context);
  void DropOldest();

  using Order = std::list<std::pair<std::string, Entry>>;
  Order order_;  // most recently used first
  std::unordered_map<std::string, Order::iterator> index_;
  size_t key_bytes_ = 0;
  guint serial_ = 0;
};
