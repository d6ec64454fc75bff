// The one application object, built before the entry point runs.
#include "app/FolderTrayApp.h"

CFolderTrayApp theApp;
