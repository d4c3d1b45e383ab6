#include "cli/Commands.h"
