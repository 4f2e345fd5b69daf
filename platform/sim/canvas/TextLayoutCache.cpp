#include "platform/sim/canvas/TextLayoutCache.h"

void TextLayoutCache::Check(PangoContext* context) {
  // A font added or removed changes the context's serial: the faces chosen
  // for what is kept may no longer be the ones a new layout would get.
  const guint serial = pango_context_get_serial(context);
  if (serial != serial_) {
    Clear();
    serial_ = serial;
  }
}

const TextLayoutCache::Entry* TextLayoutCache::Find(const std::string& key, PangoContext* context) {
  Check(context);
  auto found = index_.find(key);
  if (found == index_.end()) return nullptr;
  order_.splice(order_.begin(), order_, found->second);
  return &found->second->second;
}

void TextLayoutCache::Keep(const std::string& key, PangoContext* context, const Entry& entry) {
  if (key.size() > kMaxKeyBytes) return;
  Check(context);
  auto found = index_.find(key);
  if (found != index_.end()) {
    // The one kept under key goes first: it is the oldest now.
    order_.splice(order_.end(), order_, found->second);
    DropOldest();
  }
  while (index_.size() >= kMaxEntries || key_bytes_ + key.size() > kMaxTotalKeyBytes) DropOldest();
  key_bytes_ += key.size();
  order_.emplace_front(key, entry);
  g_object_ref(entry.layout);
  index_.emplace(key, order_.begin());
}

void TextLayoutCache::DropOldest() {
  g_object_unref(order_.back().second.layout);
  key_bytes_ -= order_.back().first.size();
  index_.erase(order_.back().first);
  order_.pop_back();
}

void TextLayoutCache::Clear() {
  for (auto& kept : order_) g_object_unref(kept.second.layout);
  order_.clear();
  index_.clear();
  key_bytes_ = 0;
}
