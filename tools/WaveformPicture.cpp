#include "WaveformPicture.h"
