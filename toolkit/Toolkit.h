#pragma once
// The window toolkit in one include.
#include "Bitmap32.h"
#include "Controls.h"
#include "Dialogs.h"
#include "Error.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "Graphics.h"
#include "StdCtrls.h"
