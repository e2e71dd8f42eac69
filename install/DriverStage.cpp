#include "DriverStage.h"
