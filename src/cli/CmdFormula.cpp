#include "cli/CliCommands.h"
