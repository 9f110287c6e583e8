#include "services/core/TwipsPerPixel.h"

int32_t TwipsPerPixel = 15;
