#include "Alpha.h"

#include "Beta.h"

void Alpha() { Beta(); }
