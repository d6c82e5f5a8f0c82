// The select-directory dialog on the window system: owner-drawn lists over the model's
// rows, the path caption, the dialog's layout and its modal run.
#include "controls/win32/DirDialog.h"

#include <commctrl.h>

#include <algorithm>

#include "controls/ShadowLabel.h"
#include "sys/Files.h"
#include "sys/Folders.h"
#include "sys/UserInterface.h"
#include "ui/Application.h"
#include "ui/Dpi.h"
#include "ui/Gdi.h"
#include "ui/Modal.h"

namespace controls::win32 {
namespace {

// The captions of the four labels, each naming its control's accelerator.
constexpr char kDirEditCaption[] = "目录名[&N]:", kDriveListCaption[] = "磁盘驱动器[D&]:",
               kDirListCaption[] = "目录[&D]:", kFileListCaption[] = "文件[&F]: (*.*)";

constexpr int kIdDirList = 110, kIdDirEdit = 111, kIdDriveList = 112, kIdFileList = 113;
constexpr int kIdNetButton = 120, kIdHelpButton = 121;
// Rows a dropped-down drive list shows before it scrolls.
constexpr int kDropDownRows = 8;

int FontHeight(HFONT font) {
  ui::ScreenDc screen;
  ui::SelectedObject selected(screen.Dc(), font);
  TEXTMETRICA tm{};
  GetTextMetricsA(screen.Dc(), &tm);
  return tm.tmHeight;
}

// Fills an owner-drawn row and sets the colours its text takes.
void PrepareRow(const DRAWITEMSTRUCT& item, int textSysColor) {
  bool selected = (item.itemState & ODS_SELECTED) != 0;
  FillRect(item.hDC, &item.rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  SetBkMode(item.hDC, TRANSPARENT);
  SetTextColor(item.hDC, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : textSysColor));
}

void DrawRowImage(const DRAWITEMSTRUCT& item, const ResourceBitmap& image, int left) {
  if (!image.Get()) return;
  int rowHeight = item.rcItem.bottom - item.rcItem.top;
  ui::DrawTransparentBitmap(item.hDC, image.Get(), item.rcItem.left + left,
                            item.rcItem.top + (rowHeight - image.Size().cy) / 2);
}

void FinishRow(const DRAWITEMSTRUCT& item) {
  if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT)) DrawFocusRect(item.hDC, &item.rcItem);
}

// The main window's Song face, whole pixels as there.
HFONT MakeDialogFont(int dpi) {
  return CreateFontA(-ScaleToScreen(13, dpi), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                     "宋体");
}

}  // namespace

ResourceBitmap::ResourceBitmap(const char* name) {
  bitmap_.Reset(LoadBitmapA(GetModuleHandleA(nullptr), name));
  if (bitmap_) size_ = ui::BitmapSize(Get());
}

// --- Folder list ---------------------------------------------------------------------------

namespace {

// The list asks for Enter only when Enter has a row to open; otherwise Enter stays the
// dialog's, which closes with OK.
LRESULT CALLBACK DirListKeys(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
  auto* list = reinterpret_cast<TDirectoryListBox*>(data);
  if (msg == WM_GETDLGCODE) {
    LRESULT code = DefSubclassProc(hwnd, msg, wp, lp);
    const auto* key = reinterpret_cast<const MSG*>(lp);
    if (key && key->message == WM_KEYDOWN && key->wParam == VK_RETURN) {
      int selected = static_cast<int>(SendMessageA(hwnd, LB_GETCURSEL, 0, 0));
      LRESULT rows = SendMessageA(hwnd, LB_GETCOUNT, 0, 0);
      bool openable = selected >= 0 && selected < rows && selected != list->CurrentRowShown();
      if (openable) code |= DLGC_WANTMESSAGE;
    }
    return code;
  }
  if (msg == WM_KEYDOWN && wp == VK_RETURN) {
    list->OpenSelectedOnEnter();
    return 0;
  }
  if (msg == WM_NCDESTROY) RemoveWindowSubclass(hwnd, DirListKeys, 1);
  return DefSubclassProc(hwnd, msg, wp, lp);
}

}  // namespace

TDirectoryListBox::TDirectoryListBox(DirectoryList& model) : model_(model) {}

void TDirectoryListBox::Create(HWND parent, int id, const RECT& bounds, HFONT font, int itemHeight) {
  Control::Create(parent, id, WS_EX_CLIENTEDGE, "LISTBOX", "",
                  LBS_NOTIFY | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | WS_VSCROLL | WS_TABSTOP, bounds, font);
  SendMessageA(Handle(), LB_SETITEMHEIGHT, 0, itemHeight);
  SetWindowSubclass(Handle(), DirListKeys, 1, reinterpret_cast<DWORD_PTR>(this));
}

void TDirectoryListBox::Refresh() {
  if (!Handle()) return;
  SendMessageA(Handle(), WM_SETREDRAW, FALSE, 0);
  SendMessageA(Handle(), LB_RESETCONTENT, 0, 0);
  for (const FolderRow& row : model_.Rows())
    SendMessageA(Handle(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row.text.c_str()));
  SendMessageA(Handle(), LB_SETCURSEL, model_.CurrentRow(), 0);
  SendMessageA(Handle(), WM_SETREDRAW, TRUE, 0);
  InvalidateRect(Handle(), nullptr, TRUE);
}

bool TDirectoryListBox::OpenSelectedOnEnter() {
  int row = static_cast<int>(SendMessageA(Handle(), LB_GETCURSEL, 0, 0));
  if (row < 0 || row == model_.CurrentRow()) return false;
  ui::Guarded([&] { model_.OpenRow(row); });
  return true;
}

void TDirectoryListBox::OnNotify(int code) {
  if (code != LBN_DBLCLK) return;
  int row = static_cast<int>(SendMessageA(Handle(), LB_GETCURSEL, 0, 0));
  if (row >= 0) ui::Guarded([&] { model_.OpenRow(row); });
}

void TDirectoryListBox::OnDrawItem(const DRAWITEMSTRUCT& item) {
  PrepareRow(item, COLOR_WINDOWTEXT);
  int row = static_cast<int>(item.itemID);
  if (item.itemID != static_cast<UINT>(-1) && row < static_cast<int>(model_.Rows().size())) {
    const ResourceBitmap* image = &closed_;
    switch (model_.Rows()[static_cast<std::size_t>(row)].image) {
      case FolderImage::open: image = &open_; break;
      case FolderImage::current: image = &current_; break;
      case FolderImage::closed: break;
    }
    int indent = model_.ImageIndent(row);
    DrawRowImage(item, *image, indent);
    std::string text = model_.DisplayText(row);
    int left = DirectoryList::TextLeft(indent, image->Size().cx);
    TextOutA(item.hDC, item.rcItem.left + left, item.rcItem.top, text.c_str(), static_cast<int>(text.size()));
  }
  FinishRow(item);
}

// --- Drive list ----------------------------------------------------------------------------

TDriveComboBox::TDriveComboBox(DriveList& model) : model_(model) {}

void TDriveComboBox::Create(HWND parent, int id, const RECT& bounds, HFONT font, int itemHeight) {
  RECT dropped = bounds;
  dropped.bottom += itemHeight * kDropDownRows;
  Control::Create(parent, id, 0, "COMBOBOX", "",
                  CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS | WS_VSCROLL | WS_TABSTOP, dropped, font);
  SendMessageA(Handle(), CB_SETITEMHEIGHT, 0, itemHeight);
  // The closed box keeps the height it was given: its field is that less the frame.
  int field = (bounds.bottom - bounds.top) - 2 * GetSystemMetrics(SM_CYEDGE) - 2;
  SendMessageA(Handle(), CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), std::max(field, 1));
}

void TDriveComboBox::Refresh() {
  if (!Handle()) return;
  SendMessageA(Handle(), CB_RESETCONTENT, 0, 0);
  for (const DriveRow& row : model_.Rows())
    SendMessageA(Handle(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row.text.c_str()));
  ShowSelection();
}

void TDriveComboBox::ShowSelection() {
  if (Handle()) SendMessageA(Handle(), CB_SETCURSEL, model_.ItemIndex(), 0);
}

void TDriveComboBox::OnNotify(int code) {
  if (code != CBN_SELCHANGE) return;
  int row = static_cast<int>(SendMessageA(Handle(), CB_GETCURSEL, 0, 0));
  ui::Guarded([&] { model_.ChooseRow(row); });
  ShowSelection();
}

void TDriveComboBox::OnDrawItem(const DRAWITEMSTRUCT& item) {
  PrepareRow(item, COLOR_WINDOWTEXT);
  int row = static_cast<int>(item.itemID);
  if (item.itemID != static_cast<UINT>(-1) && row < static_cast<int>(model_.Rows().size())) {
    const DriveRow& drive = model_.Rows()[static_cast<std::size_t>(row)];
    const ResourceBitmap* image = &hard_;
    switch (drive.image) {
      case DriveImage::floppy: image = &floppy_; break;
      case DriveImage::network: image = &network_; break;
      case DriveImage::cdrom: image = &cdrom_; break;
      case DriveImage::ram: image = &ram_; break;
      case DriveImage::hard: break;
    }
    DrawRowImage(item, *image, DriveList::ImageLeft());
    RECT text = item.rcItem;
    text.left += DriveList::TextLeft(image->Size().cx);
    DrawTextA(item.hDC, drive.text.c_str(), static_cast<int>(drive.text.size()), &text,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  }
  FinishRow(item);
}

// --- File list -----------------------------------------------------------------------------

TFileListBox::TFileListBox(FileList& model) : model_(model) {}

void TFileListBox::Create(HWND parent, int id, const RECT& bounds, HFONT font, int itemHeight) {
  Control::Create(parent, id, WS_EX_CLIENTEDGE, "LISTBOX", "",
                  LBS_NOTIFY | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | WS_VSCROLL | WS_TABSTOP, bounds, font);
  SendMessageA(Handle(), LB_SETITEMHEIGHT, 0, itemHeight);
}

void TFileListBox::Refresh() {
  if (!Handle()) return;
  SendMessageA(Handle(), WM_SETREDRAW, FALSE, 0);
  SendMessageA(Handle(), LB_RESETCONTENT, 0, 0);
  for (const FileRow& row : model_.Rows())
    SendMessageA(Handle(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row.text.c_str()));
  SendMessageA(Handle(), LB_SETCURSEL, model_.ItemIndex(), 0);
  SendMessageA(Handle(), WM_SETREDRAW, TRUE, 0);
  InvalidateRect(Handle(), nullptr, TRUE);
}

void TFileListBox::OnDrawItem(const DRAWITEMSTRUCT& item) {
  PrepareRow(item, textColor_);
  int row = static_cast<int>(item.itemID);
  if (item.itemID != static_cast<UINT>(-1) && row < static_cast<int>(model_.Rows().size())) {
    const FileRow& file = model_.Rows()[static_cast<std::size_t>(row)];
    int imageWidth = 0;
    if (model_.ShowGlyphs() && file.image != FileImage::none) {
      const ResourceBitmap& image = file.image == FileImage::executable     ? executable_
                                    : file.image == FileImage::closedFolder ? closedFolder_
                                                                            : unknown_;
      DrawRowImage(item, image, 2);
      imageWidth = image.Size().cx;
    }
    int left = FileList::TextLeft(model_.ShowGlyphs(), imageWidth);
    TextOutA(item.hDC, item.rcItem.left + left, item.rcItem.top, file.text.c_str(), static_cast<int>(file.text.size()));
  }
  FinishRow(item);
}

// --- Path caption --------------------------------------------------------------------------

void TPathLabel::Create(HWND parent, const RECT& bounds, HFONT font) {
  font_ = font;
  WindowBase::Create({"TPathLabel", nullptr}, 0, "", WS_CHILD | WS_VISIBLE, bounds, parent);
}

void TPathLabel::SetCaption(const std::string& caption) {
  caption_ = caption;
  if (!Handle()) return;
  SetWindowTextA(Handle(), caption_.c_str());
  InvalidateRect(Handle(), nullptr, FALSE);
}

void TPathLabel::SetBounds(const RECT& bounds) {
  MoveWindow(Handle(), bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top, TRUE);
}

void TPathLabel::SetVisible(bool visible) { ShowWindow(Handle(), visible ? SW_SHOWNA : SW_HIDE); }

void TPathLabel::OnPaint(HDC dc, const RECT&) {
  RECT r;
  GetClientRect(Handle(), &r);
  FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
  ui::SelectedObject font(dc, font_);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  std::string shown = MinimizePath(caption_, r.right - r.left, [dc](const std::string& text) {
    SIZE size{};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
    return static_cast<int>(size.cx);
  });
  DrawTextA(dc, shown.c_str(), static_cast<int>(shown.size()), &r, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX);
}

// --- Buttons and edit ----------------------------------------------------------------------

void TEditBox::OnNotify(int code) {
  if (code == EN_CHANGE && OnChange) OnChange();
}

void TPushButton::Create(HWND parent, int id, const char* caption, DWORD style, const RECT& bounds, HFONT font) {
  Control::Create(parent, id, 0, "BUTTON", caption, WS_TABSTOP | style, bounds, font);
}

void TPushButton::OnNotify(int code) {
  if (code == BN_CLICKED && OnClick) ui::Guarded([this] { OnClick(); });
}

// --- The dialog ----------------------------------------------------------------------------

TSelectDirDlg::TSelectDirDlg(HWND owner, int helpContext)
    : owner_(owner),
      helpContext_(helpContext),
      dpi_(ui::ScreenDpi()),
      layout_(SelectDirDialogLayout(helpContext)),
      model_(sys::RealFileSystem(), sys::RealFolders(),
             [](sys::Cursor cursor) { return sys::RealUserInterface().SetCursor(cursor); }) {
  font_.Reset(MakeDialogFont(dpi_));
  // The windows follow every change of the model.
  model_.dirList.OnChange = [this] {
    model_.DirListChange();
    ShowFolderChange();
  };
  model_.driveList.OnChange = [this] {
    try {
      model_.DriveListChange();
    } catch (...) {
      DriveList.ShowSelection();
      throw;
    }
    DriveList.ShowSelection();
  };
  model_.fileList.OnChange = [this] { FileList.Refresh(); };

  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN, exStyle = WS_EX_DLGMODALFRAME;
  RECT frame{0, 0, ScaleToScreen(layout_.clientWidth, dpi_), ScaleToScreen(layout_.clientHeight, dpi_)};
  AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  int width = frame.right - frame.left, height = frame.bottom - frame.top;
  int left = CentredOrigin(GetSystemMetrics(SM_CXSCREEN), width);
  int top = CentredOrigin(GetSystemMetrics(SM_CYSCREEN), height);
  Create({"TSelectDirDlg", reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1)}, exStyle, "选择目录", style,
         RECT{left, top, left + width, top + height}, owner);
  CreateControls();
  FormCreate();
}

TSelectDirDlg::~TSelectDirDlg() { Destroy(); }

RECT TSelectDirDlg::Place(const Bounds& b) const {
  Bounds s = ScaleToScreen(b, dpi_);
  return {s.left, s.top, s.left + s.width, s.top + s.height};
}

void TSelectDirDlg::CreateControls() {
  HWND self = Handle();
  auto font = static_cast<HFONT>(font_.Get());
  int fontHeight = FontHeight(font);
  // A caption sized to its text, as the dialog's labels are.
  auto label = [&](const char* caption, const Bounds& at) {
    RECT r = Place(at);
    HDC dc = GetDC(self);
    {
      ui::SelectedObject selected(dc, font);
      RECT text{};
      DrawTextA(dc, caption, -1, &text, DT_CALCRECT | DT_SINGLELINE);
      r.right = r.left + text.right;
      r.bottom = r.top + std::max<LONG>(text.bottom, r.bottom - r.top);
    }
    ReleaseDC(self, dc);
    HWND h = CreateWindowExA(0, "STATIC", caption, WS_CHILD | WS_VISIBLE | SS_LEFT, r.left, r.top, r.right - r.left,
                             r.bottom - r.top, self, nullptr, GetModuleHandleA(nullptr), nullptr);
    SendMessageA(h, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  };

  // Each label comes just before its control, so its accelerator reaches that control; the
  // controls come in their tab order.
  label(kDirListCaption, layout_.dirListLabel);
  DirList.Create(self, kIdDirList, Place(layout_.dirList), font, ScaleToScreen(layout_.dirListItemHeight, dpi_));
  label(kDirEditCaption, layout_.dirEditLabel);
  DirEdit.Create(self, kIdDirEdit, WS_EX_CLIENTEDGE, "EDIT", "", WS_TABSTOP | ES_AUTOHSCROLL, Place(layout_.dirEdit),
                 font);
  DirEdit.OnChange = [this] { model_.dirEditText = DirEdit.Text(); };
  label(kDriveListCaption, layout_.driveLabel);
  DriveList.Create(self, kIdDriveList, Place(layout_.driveList), font,
                   DriveList::ItemHeight(fontHeight, ResourceBitmap("FLOPPY").Size().cy));
  NetButton.Create(self, kIdNetButton, "网络[&t]...", BS_PUSHBUTTON, Place(layout_.netButton), font);
  NetButton.OnClick = [this] { NetClick(); };
  OKButton.Create(self, IDOK, "确定", BS_DEFPUSHBUTTON, Place(layout_.okButton), font);
  OKButton.OnClick = [this] { OKClick(); };
  CancelButton.Create(self, IDCANCEL, "取消", BS_PUSHBUTTON, Place(layout_.cancelButton), font);
  CancelButton.OnClick = [this] {
    accepted_ = false;
    ended_ = true;
  };
  label(kFileListCaption, layout_.fileListLabel);
  FileList.Create(self, kIdFileList, Place(layout_.fileList), font, ScaleToScreen(layout_.fileListItemHeight, dpi_));
  FileList.SetTextColor(COLOR_GRAYTEXT);
  HelpButton.Create(self, kIdHelpButton, "帮助[&H]", BS_PUSHBUTTON, Place(layout_.helpButton), font);
  HelpButton.OnClick = [this] { HelpButtonClick(); };
  if (!layout_.helpVisible) ShowWindow(HelpButton.Handle(), SW_HIDE);
  ShowWindow(NetButton.Handle(), SW_HIDE);
  ShowWindow(DirEdit.Handle(), SW_HIDE);
  DirLabel.Create(self, Place({120, 8, 213, 13}), font);
  accelerators_ = {{kDirEditCaption, DirEdit.Handle()},
                   {kDriveListCaption, DriveList.Handle()},
                   {kDirListCaption, DirList.Handle()},
                   {kFileListCaption, FileList.Handle()}};
}

void TSelectDirDlg::FormCreate() {
  // Only a system that still offers the old network driver entry has a connect dialog.
  using GetCaps = WORD(WINAPI*)(WORD);
  if (HMODULE user = GetModuleHandleA("user32.dll")) {
    if (auto getCaps = reinterpret_cast<GetCaps>(reinterpret_cast<void*>(GetProcAddress(user, "WNETGETCAPS")))) {
      if (WORD driver = getCaps(0xFFFF)) {
        auto module = reinterpret_cast<HMODULE>(static_cast<ULONG_PTR>(driver));
        connectDialog_ =
            reinterpret_cast<ConnectDialog>(reinterpret_cast<void*>(GetProcAddress(module, "WNETCONNECTDIALOG")));
        if (connectDialog_) ShowWindow(NetButton.Handle(), SW_SHOWNA);
      }
    }
  }
  model_.FormCreate();
  SetAllowCreate(false);
  DirLabel.SetBounds(Place(layout_.dirEdit));
  DriveList.Refresh();
  ShowFolderChange();
  SetActiveControl(DirList.Handle());
}

void TSelectDirDlg::SetAllowCreate(bool on) {
  model_.SetAllowCreate(on);
  ShowWindow(DirEdit.Handle(), on ? SW_SHOWNA : SW_HIDE);
  DirLabel.SetVisible(!on);
}

void TSelectDirDlg::ShowFolderChange() {
  DirList.Refresh();
  DirLabel.SetCaption(model_.DirLabelCaption());
  std::string text = model_.dirEditText;
  SetWindowTextA(DirEdit.Handle(), text.c_str());
  model_.dirEditText = text;  // the edit's change notification has already copied it back
  SendMessageA(DirEdit.Handle(), EM_SETSEL, 0, -1);
}

void TSelectDirDlg::OKClick() {
  bool mayClose = model_.OKClick([this](const std::string& question) {
    return MessageBoxA(Handle(), question.c_str(), "确认", MB_YESNO | MB_ICONQUESTION);
  });
  if (!mayClose) return;
  accepted_ = true;
  ended_ = true;
}

void TSelectDirDlg::NetClick() {
  if (connectDialog_) /* result not examined */
    connectDialog_(Handle(), 1);
}

void TSelectDirDlg::HelpButtonClick() {
  // The program ships no help file: the topic is asked of the window that owns the dialog.
  HELPINFO info{sizeof info, HELPINFO_WINDOW, 0, Handle(), static_cast<DWORD_PTR>(helpContext_), {}};
  SendMessageA(owner_, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
}

bool TSelectDirDlg::OnClose() {
  accepted_ = false;
  ended_ = true;
  return false;  // the dialog is freed by its caller, not by its close box
}

LRESULT TSelectDirDlg::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case DM_GETDEFID: return MAKELRESULT(IDOK, DC_HASDEFID);
    case ui::kDialogChar: return DialogChar(static_cast<char>(wp)) ? 1 : 0;
  }
  return Form::OnMessage(msg, wp, lp);
}

// A caption's accelerator focuses its own control, and only one that can take the focus:
// the caption of the hidden folder edit does nothing.
bool TSelectDirDlg::DialogChar(char key) {
  for (const Accelerator& a : accelerators_) {
    if (!IsAccel(key, a.caption)) continue;
    if (!IsWindowVisible(a.control) || !IsWindowEnabled(a.control)) continue;
    SetFocus(a.control);
    return true;
  }
  return false;
}

bool TSelectDirDlg::ShowModal() {
  ended_ = false;
  accepted_ = false;
  ui::RunModal(Handle(), owner_, ended_);
  return accepted_;
}

bool RunSelectDirDialog(std::string& path, TSelectDirOpts options, int helpContext, HWND owner) {
  if (!owner) owner = GetActiveWindow();
  TSelectDirDlg dialog(owner, helpContext);
  dialog.Model().SetStartFolder(path);
  dialog.Model().SetPrompt((options & sdPrompt) != 0);
  dialog.SetAllowCreate((options & sdAllowCreate) != 0);
  if (!dialog.ShowModal()) return false;
  path = dialog.Model().AcceptedFolder(options);
  return true;
}

}  // namespace controls::win32
