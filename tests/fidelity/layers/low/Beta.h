#pragma once
#include "Alpha.h"

void Beta();
