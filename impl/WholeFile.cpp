#include "WholeFile.h"
