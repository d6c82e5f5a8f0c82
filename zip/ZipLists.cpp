// List behaviour: ownership, the sorted insert by binary search, and the entry sort keys
// (names ignore ASCII case; dates and sizes put the newer or larger first).
#include "zip/ZipLists.h"

#include <algorithm>

#include "base/Ansi.h"
#include "base/Exceptions.h"
#include "zip/Percent.h"
#include "zip/ZipErrors.h"

namespace zip {

void TObjectList::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) throw base::EListError(base::Format(text::kIndexOutOfRange, index));
}

TObject* TObjectList::Item(int index) const {
  CheckIndex(index);
  return items_[static_cast<size_t>(index)];
}

int TObjectList::Add(TObject* object) {
  items_.push_back(object);
  return Count() - 1;
}

void TObjectList::Put(int index, TObject* object) {
  CheckIndex(index);
  TObject*& slot = items_[static_cast<size_t>(index)];
  if (OwnsObjects && slot != object) delete slot;
  slot = object;
}

void TObjectList::Insert(int index, TObject* object) {
  if (index < 0 || index > Count()) throw base::EListError(base::Format(text::kIndexOutOfRange, index));
  items_.insert(items_.begin() + index, object);
}

void TObjectList::Delete(int index) {
  CheckIndex(index);
  if (OwnsObjects) delete items_[static_cast<size_t>(index)];
  items_.erase(items_.begin() + index);
}

void TObjectList::Clear() {
  if (OwnsObjects)
    for (TObject* o : items_) delete o;
  items_.clear();
}

bool TSortedObjectList::Find(const TObject* object, int& index) const {
  int low = 0, high = Count() - 1;
  bool found = false;
  while (low <= high) {
    int mid = low + (high - low) / 2;
    int c = Compare(items_[static_cast<size_t>(mid)], object);
    if (c < 0) {
      low = mid + 1;
    } else {
      high = mid - 1;
      if (c == 0) found = true;
    }
  }
  index = low;
  return found;
}

int TSortedObjectList::Add(TObject* object) {
  int index = 0;
  if (Find(object, index)) {
    if (Duplicates == dupIgnore) return -1;
    if (Duplicates == dupError) throw base::EListError(text::kDuplicateObject);
  }
  Insert(index, object);
  return index;
}

void TSortedObjectList::AddAll(const std::vector<TObject*>& objects) {
  // Add puts a new item before the equal ones already there, so equal items end in the
  // reverse of their adding order, before those the list held: a stable sort of the
  // reversed objects, merged in front of equal old items, gives the same list.
  std::vector<TObject*> incoming(objects.rbegin(), objects.rend());
  auto less = [this](const TObject* a, const TObject* b) { return Compare(a, b) < 0; };
  std::stable_sort(incoming.begin(), incoming.end(), less);
  if (Duplicates != dupAccept) {
    // Where an object would be refused or ignored, one Add at a time gives that exactly
    // (an error after the objects before it were taken); lists without equals are the rule.
    int index = 0;
    bool equals = false;
    for (size_t i = 0; i < incoming.size() && !equals; ++i)
      equals = (i > 0 && Compare(incoming[i - 1], incoming[i]) == 0) || Find(incoming[i], index);
    if (equals) {
      for (TObject* o : objects) Add(o);
      return;
    }
  }
  std::deque<TObject*> merged;
  std::merge(incoming.begin(), incoming.end(), items_.begin(), items_.end(), std::back_inserter(merged), less);
  items_.swap(merged);
}

void TSortedObjectList::Put(int, TObject*) { throw base::EListError(text::kPutInSortedList); }

namespace {

int CompareText(const std::string& a, const std::string& b) {
  std::string ua = base::UpperAscii(a), ub = base::UpperAscii(b);
  return ua < ub ? -1 : ua > ub ? 1 : 0;
}

// Newest or largest first; a tie sorts the item already in the list first, so equal items
// keep the order in which they were added.
template <typename T>
int Descending(T a, T b) {
  return a > b ? -1 : a < b ? 1 : -1;
}

uint32_t DateKey(const TZipEntryInfo& e) {
  sys::LocalTime t;
  return DosDateTimeToLocal(e.FileDateTime, t) ? e.FileDateTime : 0;
}

// Rounded as every percentage of the component is: halves to even.
int Rate(const TZipEntryInfo& e) { return PercentOf(e.CompressedSize, e.UncompressedSize); }

}  // namespace

int TSortedZipList::Compare(const TObject* oa, const TObject* ob) const {
  const auto& a = *static_cast<const TZipEntryInfo*>(oa);
  const auto& b = *static_cast<const TZipEntryInfo*>(ob);
  switch (SortMode) {
    case ByName: return CompareText(a.Directory() + a.FileName(), b.Directory() + b.FileName());
    case ByFileName: return CompareText(a.FileName(), b.FileName());
    case ByDirectoryName: return CompareText(a.Directory(), b.Directory());
    case ByDate: return Descending(DateKey(a), DateKey(b));
    case ByCompressedSize: return Descending(a.CompressedSize, b.CompressedSize);
    case ByUnCompressedSize: return Descending(a.UncompressedSize, b.UncompressedSize);
    case ByRate: {
      int ra = Rate(a), rb = Rate(b);
      return ra > rb ? -1 : ra < rb ? 1 : 0;
    }
    case ByNone:
    default:
      if (a.DiskNumberStart != b.DiskNumberStart) return a.DiskNumberStart < b.DiskNumberStart ? -1 : 1;
      return a.RelativeOffset < b.RelativeOffset ? -1 : a.RelativeOffset > b.RelativeOffset ? 1 : 0;
  }
}

}  // namespace zip
