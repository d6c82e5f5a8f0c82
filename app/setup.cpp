// Program entry: the application, its title, the main window and the message loop.
#include <windows.h>
#include <commctrl.h>

#include "app/Layout.h"
#include "app/Unit1.h"
#include "sys/win32/LibrarySearch.h"
#include "ui/Application.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // Before anything can load a library: none may come from the folder setup.exe runs in.
  /* result not examined: an old system offers less, and the install works all the same */
  sys::win32::SearchSystemFolderOnly();
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  ui::Application application;
  application.SetTitle(app::layout::kTitle);
  app::TForm1 form1(application);
  application.SetMainWindow(form1.Handle());
  form1.Show();
  return application.Run();
}
