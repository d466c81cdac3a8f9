#include "core/Formula.h"
