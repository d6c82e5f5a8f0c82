// The decoders' memory for a whole extraction run: one byte area big enough for the largest
// decoder's window and state, and the prefix tables, made once and lent to each entry in
// turn, so a run over thousands of small files allocates nothing per file.
#pragma once

#include "zip/codec/PrefixTable.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <utility>

namespace zip::codec {

class WorkArea {
 public:
  // Covers every decoder; each one checks its own need against it at compile time.
  static constexpr size_t kBytes = 129 * 1024;
  static constexpr unsigned kTables = 3;

  WorkArea() : bytes_(new uint8_t[kBytes]), capacity_(kBytes) {}
  WorkArea(const WorkArea&) = delete;
  WorkArea& operator=(const WorkArea&) = delete;

  // At least `size` bytes, aligned for any object; contents left by the previous entry.
  uint8_t* Bytes(size_t size) {
    if (size > capacity_) {
      bytes_.reset(new uint8_t[size]);
      capacity_ = size;
    }
    return bytes_.get();
  }
  size_t Capacity() const { return capacity_; }

  PrefixTable& Table(unsigned i) { return tables_[i]; }

  // Lets tests play a machine whose memory is used up: a table that would need more
  // entries than this fails exactly as a failed allocation does.
  void LimitTableEntries(size_t entries) {
    for (PrefixTable& t : tables_) t.SetLimit(entries);
  }

 private:
  std::unique_ptr<uint8_t[]> bytes_;
  size_t capacity_;
  PrefixTable tables_[kTables];
};

// A decoder's state object built inside the work area for one entry and destroyed with the
// scope, however it is left.
template <class T>
class InWorkArea {
 public:
  template <class... Args>
  explicit InWorkArea(WorkArea& area, Args&&... args) : p_(new (area.Bytes(sizeof(T))) T(std::forward<Args>(args)...)) {
    static_assert(sizeof(T) <= WorkArea::kBytes, "the work area must cover every decoder");
    static_assert(alignof(T) <= __STDCPP_DEFAULT_NEW_ALIGNMENT__);
  }
  InWorkArea(const InWorkArea&) = delete;
  InWorkArea& operator=(const InWorkArea&) = delete;
  ~InWorkArea() { p_->~T(); }
  T* operator->() const { return p_; }
  T& operator*() const { return *p_; }

 private:
  T* p_;
};

}  // namespace zip::codec
