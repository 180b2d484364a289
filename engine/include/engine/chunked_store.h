#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace orvel::engine {

// A growing array of trivially copyable values in fixed blocks of 2^kShift.
// Growing never copies what is there (a doubling vector of a million rows
// holds the old and the new block at once) and wastes at most one block.
template <typename T, unsigned kShift = 14>
class ChunkedVector {
 public:
  static constexpr std::size_t kChunk = std::size_t{1} << kShift;

  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }

  T& operator[](std::size_t i) { return chunks_[i >> kShift][i & (kChunk - 1)]; }
  const T& operator[](std::size_t i) const { return chunks_[i >> kShift][i & (kChunk - 1)]; }
  T& back() { return (*this)[size_ - 1]; }

  void push_back(const T& value) {
    if ((size_ & (kChunk - 1)) == 0 && (size_ >> kShift) == chunks_.size())
      chunks_.push_back(std::make_unique_for_overwrite<T[]>(kChunk));
    (*this)[size_] = value;
    ++size_;
  }

  // Drops everything and gives the memory back.
  void clear() {
    chunks_.clear();
    chunks_.shrink_to_fit();
    size_ = 0;
  }

  std::size_t MemoryBytes() const { return chunks_.size() * kChunk * sizeof(T); }

 private:
  std::vector<std::unique_ptr<T[]>> chunks_;
  std::size_t size_ = 0;
};

// Byte strings stored back to back in blocks of 1 MiB, none split between two
// blocks, each named by a 32-bit reference (block << 20 | offset). The length
// of a string is not kept: the owner knows where the next one starts.
class NameStore {
 public:
  static constexpr unsigned kShift = 20;
  static constexpr std::size_t kBlock = std::size_t{1} << kShift;
  static constexpr std::size_t kMaxName = 64 * 1024;

  // Appends the bytes and returns their reference.
  std::uint32_t Add(std::string_view text) {
    if (text.size() > kMaxName) throw std::length_error("name too long");
    if (blocks_.empty() || used_.back() + text.size() > kBlock) {
      if (blocks_.size() >= (std::size_t{1} << (32 - kShift))) throw std::length_error("too many names");
      blocks_.push_back(std::make_unique_for_overwrite<char[]>(kBlock));
      used_.push_back(0);
    }
    const auto block = static_cast<std::uint32_t>(blocks_.size() - 1);
    const std::uint32_t offset = used_.back();
    if (!text.empty()) std::memcpy(blocks_.back().get() + offset, text.data(), text.size());
    used_.back() += static_cast<std::uint32_t>(text.size());
    return block << kShift | offset;
  }

  // The string at ref that ends at nextRef, the reference of the string added
  // right after it (or End() for the last one).
  std::string_view Between(std::uint32_t ref, std::uint32_t nextRef) const {
    const std::uint32_t block = ref >> kShift;
    const std::uint32_t offset = ref & (kBlock - 1);
    // The next string opened a block of its own: this one ends where its block does.
    const std::uint32_t end = (nextRef >> kShift) == block ? (nextRef & (kBlock - 1)) : used_[block];
    return {blocks_[block].get() + offset, end - offset};
  }
  // The string of `length` bytes at ref.
  std::string_view At(std::uint32_t ref, std::size_t length) const {
    if (length == 0) return {};
    return {blocks_[ref >> kShift].get() + (ref & (kBlock - 1)), length};
  }
  // Where the next string would start were it to fit: the end of the last one.
  std::uint32_t End() const {
    if (blocks_.empty()) return 0;
    return static_cast<std::uint32_t>(blocks_.size() - 1) << kShift | used_.back();
  }

  void clear() {
    blocks_.clear();
    blocks_.shrink_to_fit();
    used_.clear();
    used_.shrink_to_fit();
  }

  // Moves the blocks of `other` behind this store's and returns the number the
  // first of them has here: a reference (block, offset) into `other` becomes
  // (that number + block, offset). Strings added later go on in the last block.
  std::uint32_t Adopt(NameStore&& other) {
    const auto first = static_cast<std::uint32_t>(blocks_.size());
    if (blocks_.size() + other.blocks_.size() > (std::size_t{1} << (32 - kShift)))
      throw std::length_error("too many names");
    for (auto& block : other.blocks_) blocks_.push_back(std::move(block));
    used_.insert(used_.end(), other.used_.begin(), other.used_.end());
    other.clear();
    return first;
  }

  std::size_t UsedBytes() const {
    std::size_t bytes = 0;
    for (const std::uint32_t used : used_) bytes += used;
    return bytes;
  }
  std::size_t MemoryBytes() const { return blocks_.size() * kBlock; }

 private:
  std::vector<std::unique_ptr<char[]>> blocks_;
  std::vector<std::uint32_t> used_;
};

}  // namespace orvel::engine
