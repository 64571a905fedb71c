#include "msLib.h"
