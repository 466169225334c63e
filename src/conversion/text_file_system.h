#pragma once
// The system an XY text file names of itself: see named_system.h.
#include "conversion/named_system.h"
