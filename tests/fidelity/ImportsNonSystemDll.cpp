// Imports a DLL that is not one of Windows' known DLLs statically, as the setup program once did with
// the version library: the planted-DLL check must catch the one planted beside it.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  // Only there to make the import: a blend onto no device context does nothing.
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, 0};
  return AlphaBlend(nullptr, 0, 0, 1, 1, nullptr, 0, 0, 1, 1, blend) ? 0 : 1;
}
