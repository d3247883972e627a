#include "TransferLog.h"

#include "DateStuff.h"
#include "MachineRecord.h"
#include "ProgramPaths.h"
#include "RecentFiles.h"
#include "TransferGlobals.h"

#include <QDateTime>
#include <QFile>

namespace {
const QString kJoin = QStringLiteral(" - ");
}

QString transferLogPath() { return ProgramPaths::programFolder() + ProgramPaths::appTitle() + QStringLiteral(".log"); }

QString logLine(const QString& alias, const QString& action, const QString& fileName, const QString& when) {
    QString cnc = alias;
    cnc.replace(QLatin1Char('-'), QLatin1Char(' '));
    return cnc + kJoin + action + kJoin + fileName + kJoin + when;
}

bool isTemporaryName(const QString& path) {
    const QString tail = path.right(4).toUpper();
    return tail == QLatin1String(".TMP") || tail == QLatin1String(".$$$");
}

void writeLogFile(const QString& fileName, const QString& loggedAs) {
    // A repeat of a temporary file would send whatever it holds by then.
    const bool temporary = isTemporaryName(fileName);
    if (temporary && loggedAs.isEmpty())
        return;
    const bool sending = gPortState == PortSending;
    if (!temporary)
        addRecentFile(fileName, sending ? QStringLiteral("send") : QStringLiteral("receive"));
    const QString line = logLine(MachineRecord::current(QStringLiteral("Alias")),
                                 QLatin1String(sending ? kActionSend : kActionReceive),
                                 loggedAs.isEmpty() ? fileName : loggedAs, formatDateTime(QDateTime::currentDateTime()));
    QFile log(transferLogPath());
    if (log.open(QIODevice::WriteOnly | QIODevice::Append))
        log.write(line.toUtf8() + "\r\n");
}

bool parseLogLine(const QString& line, LogEntry* entry) {
    QString text = line;
    while (text.endsWith(QLatin1Char('\r')) || text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    const int first = text.indexOf(kJoin);
    const int last = text.lastIndexOf(kJoin);
    if (first < 0 || last <= first)
        return false;
    const int second = text.indexOf(kJoin, first + kJoin.size());
    if (second < 0 || second >= last)
        return false;
    LogEntry e;
    e.cnc = text.left(first).trimmed();
    e.action = text.mid(first + kJoin.size(), second - first - kJoin.size());
    e.fileName = text.mid(second + kJoin.size(), last - second - kJoin.size());
    e.date = text.mid(last + kJoin.size());
    if (e.action.isEmpty() || e.fileName.isEmpty())
        return false;
    if (entry)
        *entry = e;
    return true;
}
