#include "AppLogger.h"

#include <cstdio>

int main()
{
    AppLogger::instance().init("log/Kelvara");
    std::puts("Kelvara: the calculator window is not built yet.");
    return 0;
}
