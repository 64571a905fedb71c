#include "Lists.h"
