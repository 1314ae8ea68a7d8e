#include "ClapProcessorWrapper.h"
