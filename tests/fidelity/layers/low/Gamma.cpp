#include "Gamma.h"

void Gamma() {}
