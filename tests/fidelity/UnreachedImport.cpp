// Calls the common controls through a delay-import library made by dlltool: GNU ld links its names and
// slots into the import section but writes no descriptor that reaches them, so the loader never fills
// the slot. The import check must catch such an image.
#include <windows.h>
#include <commctrl.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
  return InitCommonControlsEx(&controls) ? 0 : 1;
}
