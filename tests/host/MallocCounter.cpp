#include "MallocCounter.h"
