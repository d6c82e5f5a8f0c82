// The list box and combo box wrappers.
#include "ui/Lists.h"

#include "ui/Application.h"

namespace ui {
namespace {

std::string ItemTextOf(HWND hwnd, UINT lengthMsg, UINT textMsg, int index) {
  LRESULT length = SendMessageA(hwnd, lengthMsg, index, 0);
  if (length < 0) return {};
  std::string text(static_cast<size_t>(length) + 1, '\0');
  length = SendMessageA(hwnd, textMsg, index, reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(length < 0 ? 0 : length));
  return text;
}

}  // namespace

void ListBox::Create(HWND parent, int id, DWORD style, const RECT& bounds, HFONT font) {
  Control::Create(parent, id, WS_EX_CLIENTEDGE, "LISTBOX", "", LBS_NOTIFY | WS_VSCROLL | WS_TABSTOP | style, bounds,
                  font);
}

int ListBox::Add(const std::string& text, LPARAM data) {
  auto index = static_cast<int>(SendMessageA(Handle(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
  if (index >= 0) SendMessageA(Handle(), LB_SETITEMDATA, index, data);
  return index;
}

void ListBox::Clear() { SendMessageA(Handle(), LB_RESETCONTENT, 0, 0); }
int ListBox::Count() const { return static_cast<int>(SendMessageA(Handle(), LB_GETCOUNT, 0, 0)); }
std::string ListBox::ItemText(int index) const { return ItemTextOf(Handle(), LB_GETTEXTLEN, LB_GETTEXT, index); }
LPARAM ListBox::ItemData(int index) const { return SendMessageA(Handle(), LB_GETITEMDATA, index, 0); }
int ListBox::ItemIndex() const { return static_cast<int>(SendMessageA(Handle(), LB_GETCURSEL, 0, 0)); }
void ListBox::SetItemIndex(int index) { SendMessageA(Handle(), LB_SETCURSEL, index, 0); }
void ListBox::SetItemHeight(int height) { SendMessageA(Handle(), LB_SETITEMHEIGHT, 0, height); }

void ListBox::OnNotify(int code) {
  if (code == LBN_SELCHANGE && OnChange) Guarded([this] { OnChange(*this); });
  if (code == LBN_DBLCLK && OnDblClick) Guarded([this] { OnDblClick(*this); });
}

void ComboBox::Create(HWND parent, int id, DWORD style, const RECT& bounds, HFONT font) {
  Control::Create(parent, id, 0, "COMBOBOX", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP | style, bounds, font);
}

int ComboBox::Add(const std::string& text, LPARAM data) {
  auto index = static_cast<int>(SendMessageA(Handle(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
  if (index >= 0) SendMessageA(Handle(), CB_SETITEMDATA, index, data);
  return index;
}

void ComboBox::Clear() { SendMessageA(Handle(), CB_RESETCONTENT, 0, 0); }
int ComboBox::Count() const { return static_cast<int>(SendMessageA(Handle(), CB_GETCOUNT, 0, 0)); }
std::string ComboBox::ItemText(int index) const { return ItemTextOf(Handle(), CB_GETLBTEXTLEN, CB_GETLBTEXT, index); }
LPARAM ComboBox::ItemData(int index) const { return SendMessageA(Handle(), CB_GETITEMDATA, index, 0); }
int ComboBox::ItemIndex() const { return static_cast<int>(SendMessageA(Handle(), CB_GETCURSEL, 0, 0)); }
void ComboBox::SetItemIndex(int index) { SendMessageA(Handle(), CB_SETCURSEL, index, 0); }
// The height of the list's rows, not of the closed box.
void ComboBox::SetItemHeight(int height) { SendMessageA(Handle(), CB_SETITEMHEIGHT, 0, height); }

void ComboBox::OnNotify(int code) {
  if (code == CBN_SELCHANGE && OnChange) Guarded([this] { OnChange(*this); });
}

}  // namespace ui
