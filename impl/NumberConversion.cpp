#include "NumberConversion.h"
