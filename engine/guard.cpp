// engine/guard.cpp
#include "engine/guard.h"

// GCC has no __try/__except. A vectored handler sees every exception of the process first;
// when the faulting thread is inside a guard it jumps straight back into that guard's
// CallGuarded, which then reports the fault. Frames chain, so guards nest.
struct GuardFrame {
    void *jump[5];
    GuardFrame *previous;
    DWORD code;
#if defined(__i386__)
    // On x86 the frame-based handlers form a chain in the thread block; a jump out of a
    // fault leaves entries of dead frames there, so the chain is put back as it was.
    struct _EXCEPTION_REGISTRATION_RECORD *exceptionList;
#endif
};

#if defined(__i386__)
// The chain's head is the first word of the thread block, at fs:0.
static struct _EXCEPTION_REGISTRATION_RECORD *HandlerChain(void)
{
    struct _EXCEPTION_REGISTRATION_RECORD *head;
    __asm__ volatile("movl %%fs:0, %0" : "=r"(head));
    return head;
}

static void RestoreHandlerChain(struct _EXCEPTION_REGISTRATION_RECORD *head)
{
    __asm__ volatile("movl %0, %%fs:0" : : "r"(head) : "memory");
}
#endif

static INIT_ONCE GuardInstalled = INIT_ONCE_STATIC_INIT;
// Thread slot holding the innermost active frame; plain TLS, because the handler must
// not allocate (the fault may have struck inside the heap).
static DWORD GuardSlot = TLS_OUT_OF_INDEXES;

static LONG CALLBACK GuardHandler(EXCEPTION_POINTERS *info)
{
    DWORD code = info->ExceptionRecord->ExceptionCode;
    // Success and informational codes (debug output, thread naming, C++ throws of this
    // runtime) are notices for others, not faults.
    if ((code & 0x80000000u) == 0)
        return EXCEPTION_CONTINUE_SEARCH;
    DWORD lastError = GetLastError();
    GuardFrame *frame = (GuardFrame *)TlsGetValue(GuardSlot);
    SetLastError(lastError);
    if (!frame)
        return EXCEPTION_CONTINUE_SEARCH;
    frame->code = code;
    __builtin_longjmp(frame->jump, 1);
}

static BOOL CALLBACK InstallGuard(PINIT_ONCE, PVOID, PVOID *)
{
    GuardSlot = TlsAlloc();
    if (GuardSlot == TLS_OUT_OF_INDEXES)
        return FALSE;
    return AddVectoredExceptionHandler(1, GuardHandler) != NULL;
}

__attribute__((noinline)) int CallGuarded(GuardedCall call, void *argument, int *result, DWORD *exceptionCode)
{
    if (!InitOnceExecuteOnce(&GuardInstalled, InstallGuard, NULL, NULL))
        return -1;
    GuardFrame frame;
    frame.previous = (GuardFrame *)TlsGetValue(GuardSlot);
    frame.code = 0;
#if defined(__i386__)
    frame.exceptionList = HandlerChain();
#endif
    GuardFrame *volatile active = &frame;
    DWORD *volatile codeOut = exceptionCode;
    if (__builtin_setjmp(frame.jump)) {
#if defined(__i386__)
        RestoreHandlerChain(active->exceptionList);
#endif
        TlsSetValue(GuardSlot, active->previous);
        if (codeOut)
            *codeOut = active->code;
        return -1;
    }
    TlsSetValue(GuardSlot, &frame);
    int value = call(argument);
    TlsSetValue(GuardSlot, frame.previous);
    if (result)
        *result = value;
    return 0;
}
