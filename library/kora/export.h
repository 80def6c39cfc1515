#pragma once
// Symbols of the base library that programs and plug-ins may use.
#define KORA_API __attribute__((visibility("default")))
