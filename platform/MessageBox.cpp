#include "Win32Api.h"
