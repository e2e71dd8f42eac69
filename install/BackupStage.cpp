#include "BackupStage.h"
