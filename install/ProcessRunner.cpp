#include "ProcessRunner.h"
