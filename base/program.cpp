#include "base/program.h"

ProgramResources g_resources;
