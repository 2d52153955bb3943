#include "app/app.h"

AppState g_app;
