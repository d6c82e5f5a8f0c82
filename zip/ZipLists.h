// Object lists of the component: an indexed list with an ownership switch, a sorted list
// kept in order by a virtual compare, and the entry list with its sort keys.
#pragma once

#include <deque>
#include <vector>

#include "zip/ZipEntryInfo.h"

namespace zip {

class TObjectList {
 public:
  explicit TObjectList(bool ownsObjects = true) : OwnsObjects(ownsObjects) {}
  virtual ~TObjectList() { Clear(); }
  TObjectList(const TObjectList&) = delete;
  TObjectList& operator=(const TObjectList&) = delete;

  int Count() const { return static_cast<int>(items_.size()); }
  // EListError "Index %d is out of range" outside 0 .. Count - 1.
  TObject* Item(int index) const;
  // Adds at the end; returns the index, or -1 when the object was not taken.
  virtual int Add(TObject* object);
  // Replaces the object at index (an owning list frees the old one).
  virtual void Put(int index, TObject* object);
  void Insert(int index, TObject* object);
  void Delete(int index);
  void Clear();

  bool OwnsObjects;

 protected:
  void CheckIndex(int index) const;
  std::deque<TObject*> items_;  // sorted inserts at either end move nothing (a reversed directory)
};

// 0: an equal item is silently not added, 1: accepted, 2: refused with EListError.
enum DuplicatesMode { dupIgnore = 0, dupAccept = 1, dupError = 2 };

class TSortedObjectList : public TObjectList {
 public:
  TSortedObjectList(bool ownsObjects, int duplicates) : TObjectList(ownsObjects), Duplicates(duplicates) {}
  // Inserts where the search ends; -1 when an equal item made it stay out (mode 0).
  int Add(TObject* object) override;
  void Put(int index, TObject* object) override;
  // The same list as Add called on each object in turn, but in n log n for many objects:
  // one insert by binary search each would move the items behind it every time.
  void AddAll(const std::vector<TObject*>& objects);
  // Binary search: true when an equal item exists; index is where the item belongs.
  bool Find(const TObject* object, int& index) const;

  int Duplicates;

 protected:
  // Negative when a sorts before b, 0 when equal.
  virtual int Compare(const TObject* a, const TObject* b) const = 0;
};

enum TZipSortMode {
  ByName = 0,
  ByFileName = 1,
  ByDirectoryName = 2,
  ByDate = 3,
  ByCompressedSize = 4,
  ByUnCompressedSize = 5,
  ByRate = 6,
  ByNone = 7
};

class TSortedZipList : public TSortedObjectList {
 public:
  TSortedZipList(TZipSortMode key, bool ownsObjects, int duplicates)
      : TSortedObjectList(ownsObjects, duplicates), SortMode(key) {}
  TZipEntryInfo* Entry(int index) const { return static_cast<TZipEntryInfo*>(Item(index)); }

  TZipSortMode SortMode;

 protected:
  int Compare(const TObject* a, const TObject* b) const override;
};

}  // namespace zip
