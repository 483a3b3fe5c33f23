#include "platform/ExceptionTranslator.h"

// A program that faults at once, after installing the translator.
int main()
{
    tw::InstallExceptionTranslator();
    volatile int* nowhere = nullptr;
    *nowhere = 1;
    return 0;
}
