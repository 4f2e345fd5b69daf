// A growable byte buffer: starts with room for 1024 bytes and, when an append
// does not fit, grows to the old capacity plus the appended size plus 1024.
#pragma once

#include <cstddef>
#include <cstdint>

class ZByteBuffer {
 public:
  ZByteBuffer();
  ~ZByteBuffer();
  ZByteBuffer(const ZByteBuffer& other);
  ZByteBuffer& operator=(const ZByteBuffer& other);

  void Append(const void* bytes, size_t count);
  void AppendZeros(size_t count);

  uint8_t* Data() { return bytes_; }
  const uint8_t* Data() const { return bytes_; }
  size_t Length() const { return length_; }
  size_t Capacity() const { return capacity_; }

 private:
  void Reserve(size_t count);

  uint8_t* bytes_ = nullptr;
  size_t length_ = 0;
  size_t capacity_ = 0;
};
