#pragma once
// The plug-in runner.
#include "kora/kora.h"
