// The least a Qt program can do for a one-line send: start, make the
// application object, open the port, write the line, end. Linked against
// the libraries the program itself loads, each of them used, so that the
// start loads what the program's start loads. "--core": only the core
// application object.
//   send_floor [--core] <device> <line>
#include "Qsci.h" // QScintilla with the signal keywords it needs

#include <QApplication>
#include <QPrinterInfo>
#include <QSerialPort>

#include <cstring>
#include <memory>

// Each library is really used, so none is dropped at link time: the linker
// leaves out a library nothing refers to, and an unused local would be
// optimised away.
extern const void* const volatile gUsedLibraries[];
const void* const volatile gUsedLibraries[] = {&QsciScintillaBase::staticMetaObject,
                                               reinterpret_cast<const void*>(&QPrinterInfo::defaultPrinterName)};

int main(int argc, char** argv) {
    const bool core = argc > 1 && std::strcmp(argv[1], "--core") == 0;
    const int first = core ? 2 : 1;
    if (argc < first + 2)
        return 2;
    std::unique_ptr<QCoreApplication> app;
    if (core)
        app = std::make_unique<QCoreApplication>(argc, argv);
    else
        app = std::make_unique<QApplication>(argc, argv);
    QSerialPort port(QString::fromLocal8Bit(argv[first]));
    port.setBaudRate(115200);
    if (!port.open(QIODevice::ReadWrite))
        return 1;
    port.write(QByteArray(argv[first + 1]) + "\r\n");
    port.waitForBytesWritten(10000);
    port.close();
    return 0;
}
