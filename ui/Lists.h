// Thin wrappers of the system's list box and combo box: rows as texts with an item value,
// the selected row, and the change notification as an event.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "ui/Control.h"

namespace ui {

class ListBox final : public Control {
 public:
  void Create(HWND parent, int id, DWORD style, const RECT& bounds, HFONT font);
  int Add(const std::string& text, LPARAM data = 0);
  void Clear();
  int Count() const;
  std::string ItemText(int index) const;
  LPARAM ItemData(int index) const;
  // -1 for none.
  int ItemIndex() const;
  void SetItemIndex(int index);
  void SetItemHeight(int height);

  std::function<void(ListBox& sender)> OnChange;
  std::function<void(ListBox& sender)> OnDblClick;
  void OnNotify(int code) override;
};

class ComboBox final : public Control {
 public:
  void Create(HWND parent, int id, DWORD style, const RECT& bounds, HFONT font);
  int Add(const std::string& text, LPARAM data = 0);
  void Clear();
  int Count() const;
  std::string ItemText(int index) const;
  LPARAM ItemData(int index) const;
  int ItemIndex() const;
  void SetItemIndex(int index);
  void SetItemHeight(int height);

  std::function<void(ComboBox& sender)> OnChange;
  void OnNotify(int code) override;
};

}  // namespace ui
