#include "CommandLine.h"

namespace CommandLine {

namespace {
const QString kInvalid = QStringLiteral("Invalid Command String Received - ");

Parsed invalid(const QString& why) {
    Parsed p;
    p.kind = Kind::Invalid;
    p.error = kInvalid + why;
    return p;
}

// Only a plain number from 1 to 64 names a machine: a blank or a letter would
// pick a section that does not exist, and the send would go out with defaults.
int machineNumber(const QString& field) {
    if (field.isEmpty() || field.size() > 4)
        return 0;
    for (const QChar c : field)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return 0;
    const int n = field.toInt();
    return n >= 1 && n <= 64 ? n : 0;
}
} // namespace

Parsed parse(const QString& commandLine) {
    Parsed p;
    if (commandLine.trimmed().isEmpty())
        return p;

    const int first = commandLine.indexOf(QLatin1Char('?'));
    if (first < 0) {
        p.kind = Kind::OpenPath;
        p.path = commandLine;
        p.path.remove(QLatin1Char('"'));
        return p;
    }
    const int second = commandLine.indexOf(QLatin1Char('?'), first + 1);
    if (second < 0)
        return invalid(QStringLiteral("No Direction"));
    const int third = commandLine.indexOf(QLatin1Char('?'), second + 1);
    if (third < 0)
        return invalid(QStringLiteral("No File"));

    const QString machineField = commandLine.mid(first + 1, second - first - 1);
    const QString direction = commandLine.mid(second + 1, third - second - 1);
    const QString file = commandLine.mid(third + 1);

    const int machine = machineNumber(machineField);
    if (machine == 0)
        return invalid(QStringLiteral("CNC Number \"%1\" Is Not A Number From 1 To 64").arg(machineField));
    if (direction == QLatin1String("S"))
        p.kind = Kind::Send;
    else if (direction == QLatin1String("O"))
        p.kind = Kind::Open;
    else {
        p = invalid(QStringLiteral("Direction \"%1\" Is Neither S Nor O").arg(direction));
        p.kind = Kind::OtherDirection;
        return p;
    }
    if (file.isEmpty())
        return invalid(QStringLiteral("No File"));
    p.machine = machine;
    p.path = file;
    return p;
}

QString fromArguments(const QStringList& arguments) { return arguments.mid(1).join(QLatin1Char(' ')); }

} // namespace CommandLine
