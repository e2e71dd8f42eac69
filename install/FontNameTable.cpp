#include "FontNameTable.h"
