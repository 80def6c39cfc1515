#pragma once
// Graphs, the thread scheduler and CPGraph.
#include "kora/kora.h"
