#include "Shortcut.h"
