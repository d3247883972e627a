#include "ReceiveSave.h"

#include "CodeList.h"
#include "DateStuff.h"
#include "FileStuff.h"
#include "MachineRecord.h"
#include "PortLayer.h"
#include "ProgramPaths.h"
#include "ReceiveFilter.h"
#include "SafeFile.h"
#include "StatusLine.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cmath>

namespace ReceiveSave {

namespace {

bool fail(QString* error, const QString& why) {
    if (error)
        *error = why;
    return false;
}

// 12.5 for 12.50, 100 for 100.00: two decimals at most, no trailing zeros.
QString percentText(double percent) {
    QString text = QString::number(std::round(percent * 100.0) / 100.0, 'f', 2);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text;
}

// Both ReceiveChunk settings filter as the file is read, a piece at a time
// (the result is the same): memory stays flat whatever the program's size.
// They differ only in what the status line says.
bool filterInto(QFile& in, QSaveFile& out, QString* error) {
    const ReceiveFilter::Settings settings = ReceiveFilter::currentMachineSettings();
    std::function<void(double)> progress;
    int shown = -1;
    if (MachineRecord::currentInt(QStringLiteral("ReceiveChunk")) > 0) {
        progress = [&shown](double percent) {
            // One status write (and yield) per whole percent is enough.
            if (int(percent) == shown)
                return;
            shown = int(percent);
            statusbar(QStringLiteral("Processing Chunk ") + percentText(percent) + QLatin1Char('%'));
        };
    } else {
        statusbar(QStringLiteral("Processing Received File..."));
    }
    return ReceiveFilter::filterPieces(in, out, settings, kPieceSize, progress, error);
}

} // namespace

bool writeReceivedFile(const QString& received, const QString& destination, bool binary, QString* error) {
    QFile in(received);
    if (!in.open(QIODevice::ReadOnly))
        return fail(error, in.errorString());
    QSaveFile out(destination);
    // A direct write would cut the old file down before the new one is whole.
    out.setDirectWriteFallback(false);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return fail(error, out.errorString());

    const QString before = lastStatusText();
    const bool ok = binary ? copyAllBytes(in, out, error) : filterInto(in, out, error);
    statusbar(before);
    if (!ok) {
        out.cancelWriting();
        return false;
    }
    if (!out.commit())
        return fail(error, out.errorString());
    return true;
}

QString auditFolder() {
    QString alias = MachineRecord::current(QStringLiteral("Alias"));
    // The alias names one folder, never a path.
    alias.replace(QLatin1Char('/'), QLatin1Char('_'));
    if (alias == QLatin1String(".") || alias == QLatin1String(".."))
        alias = QStringLiteral("_");
    return ProgramPaths::programFolder() + QStringLiteral("AuditTrail/") + alias + QLatin1Char('/');
}

QString auditCopyName(const QString& destination, const QDateTime& when, int attempt) {
    const QString name = getFileNameFromPath(destination);
    const QString title = getFileTitle(destination, false);
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    const QString extension = QLatin1Char('.') + (dot < 0 ? QString() : name.mid(dot + 1));
    QString stamp = dateFormats().locale.toString(when, QStringLiteral("dd-MMM-yyyy@hh-mm-ss AP"));
    if (attempt > 1)
        stamp += QLatin1Char('-') + QString::number(attempt);
    return auditFolder() + title + QLatin1Char('[') + stamp + QLatin1Char(']') + extension;
}

AuditResult AuditTrailFileName(const QString& destination, QString* copyPath, QString* error) {
    if (destination.right(4).toUpper() == QLatin1String(".TMP"))
        return AuditResult::NotNeeded;
    if (MachineRecord::currentInt(QStringLiteral("AuditTrail")) == 0)
        return AuditResult::NotNeeded;
    if (!anyFileExists(destination))
        return AuditResult::NotNeeded;

    const QString folder = auditFolder();
    if (!QDir().mkpath(folder)) {
        fail(error, QStringLiteral("Can't Create The Folder ") + folder);
        return AuditResult::Failed;
    }
    const QDateTime now = QDateTime::currentDateTime();
    QString name;
    // Two copies within one second must not meet in one name.
    for (int attempt = 1;; ++attempt) {
        name = auditCopyName(destination, now, attempt);
        if (!QFileInfo::exists(name))
            break;
    }
    // Copied by hand: QFile::copy says "Unknown error" for a full disk.
    QFile source(destination);
    QFile copy(name);
    QString why;
    bool copied = false;
    if (!source.open(QIODevice::ReadOnly))
        why = source.errorString();
    else if (!copy.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered))
        why = copy.errorString();
    else if (!(copied = copyAllBytes(source, copy, &why)))
        copy.remove();
    if (!copied) {
        fail(error, why);
        return AuditResult::Failed;
    }
    copy.setPermissions(source.permissions());
    if (copyPath)
        *copyPath = name;
    return AuditResult::Copied;
}

bool sendAfterReceiveTrailer() {
    const QString definition = MachineRecord::current(QStringLiteral("ReceiveTrailerSend"));
    if (definition.trimmed().isEmpty())
        return true;
    const CodeList::Parsed parsed = CodeList::parse(definition);
    // A faulty list has no characters to send.
    if (!parsed.ok)
        return true;
    for (const CodeList::Piece& piece : parsed.pieces) {
        if (piece.pause)
            waitOutsideSend(piece.pauseMs());
        else if (!piece.bytes.isEmpty() && sendToPortOutsideSend(piece.bytes) != PortResult::Ok)
            return false;
    }
    return true;
}

} // namespace ReceiveSave
