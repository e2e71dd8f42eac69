#pragma once
#include "Window.h"

void Gamma();
