#include "pMatrix.h"
