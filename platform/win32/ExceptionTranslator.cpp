#include "platform/ExceptionTranslator.h"

#include <windows.h>

#include <cstring>

namespace tw {
namespace {

const char* NameOf(DWORD code)
{
    switch (code) {
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_IN_PAGE_ERROR:
    case EXCEPTION_DATATYPE_MISALIGNMENT:
        return "bad memory access";
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_INT_OVERFLOW:
    case EXCEPTION_FLT_DIVIDE_BY_ZERO:
    case EXCEPTION_FLT_INVALID_OPERATION:
        return "arithmetic fault";
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_PRIV_INSTRUCTION:
        return "illegal instruction";
    case EXCEPTION_STACK_OVERFLOW:
        return "stack overflow";
    default:
        return "fault";
    }
}

// Runs for a structured exception that nothing handled, possibly on a broken
// stack: it only writes, then lets the system end the program as it would
// have.
LONG WINAPI OnFault(EXCEPTION_POINTERS* fault)
{
    const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    if (error && error != INVALID_HANDLE_VALUE) {
        const char* name = NameOf(fault->ExceptionRecord->ExceptionCode);
        DWORD written = 0;
        const char prefix[] = "Tumblewick ended after a fault: ";
        WriteFile(error, prefix, sizeof prefix - 1, &written, nullptr);
        WriteFile(error, name, static_cast<DWORD>(std::strlen(name)), &written, nullptr);
        WriteFile(error, "\n", 1, &written, nullptr);
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

} // namespace

void InstallExceptionTranslator() { SetUnhandledExceptionFilter(OnFault); }

} // namespace tw
