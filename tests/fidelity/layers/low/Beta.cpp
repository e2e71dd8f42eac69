#include "Beta.h"

void Beta() {}
