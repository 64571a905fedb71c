#include "O_parser.h"
