#pragma once

#include <QString>

// Where the window program finds "trade_calendar.csv": the working folder
// first, then the folder of the program (the same order as kelvara-cli).
// Empty when neither holds the file.
QString locateCalendarFile();
