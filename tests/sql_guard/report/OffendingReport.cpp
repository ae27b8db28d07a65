#include "core/data/SqlDialect.h"

using namespace tavo;
