#include "core/data/SqlDialect.h"
