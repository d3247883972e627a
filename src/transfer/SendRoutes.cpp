#include "SendRoutes.h"

#include "MessageSeam.h"

// These routes are not built yet: they say so and send nothing, so a machine
// set up for one of them never receives a program in another form.
namespace {
void refuse(const QString& route, const QString& fileName) {
    QString text = QStringLiteral("Can't Send - %1 Is Not Available In This Version").arg(route);
    if (!fileName.isEmpty())
        text += QLatin1Char('\n') + QStringLiteral("\"%1\" Has Not Been Sent").arg(fileName);
    msgBox(text, Msg::Ok, Msg::Exclamation);
}
} // namespace

void sendXmodem(const QString& fileName, bool) { refuse(QStringLiteral("XModem Sending"), fileName); }

void sendBinary(const QString& fileName, int, bool executiveTape) {
    refuse(executiveTape ? QStringLiteral("Executive Tape Sending") : QStringLiteral("Drip Feed Sending"), fileName);
}

void sendBinaryTurbo(const QString& fileName, int) { refuse(QStringLiteral("Turbo Drip Feed Sending"), fileName); }
