#include "FileOps.h"
