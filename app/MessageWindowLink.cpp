#include "Main.h"

TShowMessageWindowFn MessageWindow = &ShowMessageWindow;
