#include "common/options.h"

Options options;
