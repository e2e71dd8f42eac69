#include "Fonts.h"
