// Helper of WholeFileWriterTest, started as a program of its own so that it
// sets up its signal handling as any program does: appends "partial" to the
// scratch file of the target argv[1], writes one byte to the descriptor
// argv[2] once it has, then waits to be stopped.
#include "WholeFileWriter.h"

#include <QIODevice>

#include <cstdlib>

#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    const int ready = std::atoi(argv[2]);
    files::writeWhole(QString::fromLocal8Bit(argv[1]), files::WriteMode::Append, [ready](QIODevice& out, QString&) {
        out.write("partial");
        const char byte = 'r';
        if (::write(ready, &byte, 1) != 1)
            ::_exit(3);
        for (;;)
            ::pause();
        return true;
    });
    return 2;
}
