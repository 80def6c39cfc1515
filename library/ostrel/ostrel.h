#pragma once
// Graphs, the thread scheduler and CPGraph.
#include "kora/kora.h"
#include "ostrel/cpgraph.h"
#include "ostrel/graph.h"
#include "ostrel/threadscheduler.h"
