// app/cmdline.cpp: the command line split into arguments
#include "app/cmdline.h"
#include <stdlib.h>
#include <string.h>

char *Arguments[MAX_ARGUMENTS];
int ArgumentCount;

// Every byte is read as signed: 0x80-0xFF count as blanks like the controls and the space.
static int IsBlank(char c)
{
    return c != 0 && (signed char)c <= 32;
}

static char *SkipOption(char *p)
{
    p++;
    while (*p != 0 && !IsBlank(*p))
        p++;
    return p;
}

// Ends the argument that starts at p and strips one pair of enclosing quotes; returns the
// byte that ended it (now 0) so the caller can tell a blank from the terminator.
static char *TakeArgument(char *p, char *ended)
{
    int quoted = 0;
    char *end = p;
    while (*end != 0 && (quoted || !IsBlank(*end))) {
        if (*end == '"')
            quoted = !quoted;
        end++;
    }
    *ended = *end;
    *end = 0;
    if (end - p >= 1 && p[0] == '"' && end[-1] == '"') {
        end[-1] = 0;
        Arguments[ArgumentCount - 1] = p + 1;
    }
    return end;
}

int SplitCommandLine(const char *commandLine)
{
    ArgumentCount = 0;
    size_t length = strlen(commandLine);
    char *copy = (char *)malloc(length + 1);
    if (copy == NULL)
        return 0;
    memcpy(copy, commandLine, length + 1);

    char *p = copy;
    while (*p != 0) {
        char ended = 0;
        if (*p == '-') {
            p = SkipOption(p);
            ended = *p;
        } else {
            Arguments[ArgumentCount++] = p;
            if (ArgumentCount == MAX_ARGUMENTS)
                return ArgumentCount;
            p = TakeArgument(p, &ended);
        }
        if (ended == 0)
            break;
        p++;
        while (IsBlank(*p))
            p++;
    }
    return ArgumentCount;
}
