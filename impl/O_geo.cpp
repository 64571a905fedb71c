#include "O_geo.h"
