// engine/guard.h: structured exception guard for the platform calls that may fault
#pragma once
#include <windows.h>

typedef int (*GuardedCall)(void *argument);

// Runs call(argument) and stores its result; returns 0, or -1 (result untouched) when a
// structured exception was raised inside the call. exceptionCode, when given, receives the
// exception's code.
int CallGuarded(GuardedCall call, void *argument, int *result, DWORD *exceptionCode);
