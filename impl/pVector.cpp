#include "pVector.h"
