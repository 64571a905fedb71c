#include "O_3do.h"
