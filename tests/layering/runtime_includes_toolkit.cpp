// Must not compile: a target on the runtime alone sees no toolkit header.
#include "orv00006/platform/controls.h"
