#include "report/ZByteBuffer.h"

#include <cstring>

namespace {
constexpr size_t kInitialCapacity = 1024;
constexpr size_t kGrowthSlack = 1024;
}  // namespace

ZByteBuffer::ZByteBuffer() : bytes_(new uint8_t[kInitialCapacity]), capacity_(kInitialCapacity) {}

ZByteBuffer::~ZByteBuffer() { delete[] bytes_; }

ZByteBuffer::ZByteBuffer(const ZByteBuffer& other)
    : bytes_(new uint8_t[other.capacity_]), length_(other.length_), capacity_(other.capacity_) {
  if (length_ > 0) std::memcpy(bytes_, other.bytes_, length_);
}

ZByteBuffer& ZByteBuffer::operator=(const ZByteBuffer& other) {
  if (this == &other) return *this;
  uint8_t* copy = new uint8_t[other.capacity_];
  if (other.length_ > 0) std::memcpy(copy, other.bytes_, other.length_);
  delete[] bytes_;
  bytes_ = copy;
  length_ = other.length_;
  capacity_ = other.capacity_;
  return *this;
}

void ZByteBuffer::Reserve(size_t count) {
  if (capacity_ >= length_ + count) return;
  // The extra 1024 keeps a run of small appends from reallocating each time.
  const size_t capacity = capacity_ + count + kGrowthSlack;
  uint8_t* grown = new uint8_t[capacity];
  if (length_ > 0) std::memcpy(grown, bytes_, length_);
  delete[] bytes_;
  bytes_ = grown;
  capacity_ = capacity;
}

void ZByteBuffer::Append(const void* bytes, size_t count) {
  if (count == 0) return;
  Reserve(count);
  std::memcpy(bytes_ + length_, bytes, count);
  length_ += count;
}

void ZByteBuffer::AppendZeros(size_t count) {
  if (count == 0) return;
  Reserve(count);
  std::memset(bytes_ + length_, 0, count);
  length_ += count;
}
