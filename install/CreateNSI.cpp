#include "CreateNSI.h"
