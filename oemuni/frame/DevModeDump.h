// The start-of-document diagnostic dump: the job's DEVMODE and the printer's level-2 information.
#pragma once

#include "oemuni/frame/UnidrvTypes.h"

void PrintDevModeInformation(PDEVOBJ pdevobj);
