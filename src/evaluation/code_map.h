// A hash map from a father code (the bytes of KODBYK, at most 20) to what the scan decided
// for it: the slot of an admitted sire or "refused". Open addressing over fixed-size keys, so
// looking a code up allocates nothing; it grows as codes are added.
#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

namespace korvel::evaluation {

class CodeMap {
 public:
  static constexpr int kMaxKey = 20;
  static constexpr int32_t kAbsent = -2;
  static constexpr int32_t kRefused = -1;

  // A code made ready for the map once: its bytes in fixed words and its hash, for a prefetch
  // now and a search a few rows later.
  struct Key {
    uint64_t w[3] = {0, 0, 0};
    uint32_t len = 0;
    uint64_t hash = 0;  // not stored in a slot
    std::string_view code() const { return {reinterpret_cast<const char*>(w), len}; }
  };
  // The key of a code; bytes past kMaxKey are left out.
  static Key keyOf(std::string_view code) {
    Key k;
    code = code.substr(0, kMaxKey);
    k.len = uint32_t(code.size());
    std::memcpy(k.w, code.data(), code.size());
    uint64_t h = k.len * 0x9E3779B97F4A7C15ULL;
    for (uint64_t w : k.w) {
      h ^= w;
      h *= 0xBF58476D1CE4E5B9ULL;
      h ^= h >> 31;
    }
    k.hash = h;
    return k;
  }

  CodeMap() : slots_(1024) {}

  // The value stored for the code, or kAbsent.
  int32_t find(const Key& k) const {
    for (size_t i = k.hash & (slots_.size() - 1);; i = (i + 1) & (slots_.size() - 1)) {
      const Slot& s = slots_[i];
      if (!s.used) return kAbsent;
      if (s.holds(k)) return s.value;
    }
  }

  // Asks the memory for the slot where the code's search starts.
  void prefetch(const Key& k) const { __builtin_prefetch(&slots_[k.hash & (slots_.size() - 1)]); }

  void insert(const Key& k, int32_t value) {
    if ((count_ + 1) * 2 > slots_.size()) grow();
    put(k, value);
    ++count_;
  }

  size_t size() const { return count_; }

 private:
  // 32 bytes: two slots a cache line.
  struct Slot {
    uint64_t w[3] = {0, 0, 0};
    int32_t value = 0;
    uint8_t len = 0;
    bool used = false;
    bool holds(const Key& k) const { return len == k.len && w[0] == k.w[0] && w[1] == k.w[1] && w[2] == k.w[2]; }
  };

  void put(const Key& k, int32_t value) {
    size_t i = k.hash & (slots_.size() - 1);
    while (slots_[i].used) i = (i + 1) & (slots_.size() - 1);
    slots_[i] = Slot{{k.w[0], k.w[1], k.w[2]}, value, uint8_t(k.len), true};
  }

  void grow() {
    std::vector<Slot> old(slots_.size() * 2);
    old.swap(slots_);
    for (const Slot& s : old)
      if (s.used) put(keyOf(std::string_view(reinterpret_cast<const char*>(s.w), s.len)), s.value);
  }

  static_assert(sizeof(Slot) == 32);
  std::vector<Slot> slots_;
  size_t count_ = 0;
};

}  // namespace korvel::evaluation
