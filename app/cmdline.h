// app/cmdline.h: the command line split into arguments
#pragma once

int const MAX_ARGUMENTS = 256;

extern char *Arguments[MAX_ARGUMENTS];
extern int ArgumentCount;

int SplitCommandLine(const char *commandLine);
