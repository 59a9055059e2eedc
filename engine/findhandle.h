// engine/findhandle.h: a search handle closed by the walk that opened it, on every path
#pragma once
#include <windows.h>

class FindHandle {
public:
    explicit FindHandle(HANDLE handle) : Handle(handle) {}
    ~FindHandle()
    {
        if (Handle != INVALID_HANDLE_VALUE)
            FindClose(Handle);
    }
    FindHandle(const FindHandle &) = delete;
    FindHandle &operator=(const FindHandle &) = delete;
    HANDLE Handle;
};
