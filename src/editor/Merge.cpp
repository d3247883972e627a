#include "Merge.h"

#include "CodeList.h"
#include "FileStuff.h"
#include "MachineRecord.h"
#include "MessageSeam.h"
#include "SafeFile.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

#include <algorithm>
#include <utility>

namespace {

constexpr qint64 kPiece = 1 << 20;

// One file's bytes into `out`, a piece at a time: every character 26
// dropped and, with `trim`, every "%" of a half whose flag is set. The
// halves split what is left once the 26s are gone, so those are counted
// first. Which side failed, if one did, with the reason in *error.
enum class MergeStep { Done, ReadFailed, WriteFailed };
MergeStep mergeInto(QIODevice& in, QIODevice& out, bool trim, bool stripFirst, bool stripSecond, QString* error) {
    QByteArray piece(kPiece, Qt::Uninitialized);
    QByteArray kept(kPiece, Qt::Uninitialized);
    qint64 half = 0;
    if (trim) {
        qint64 n, count = 0;
        while ((n = in.read(piece.data(), kPiece)) > 0)
            count += n - std::count(piece.constData(), piece.constData() + n, char(26));
        if (n < 0 || !in.seek(0)) {
            *error = in.errorString();
            return MergeStep::ReadFailed;
        }
        half = count / 2;
    }
    qint64 n, at = 0; // bytes kept or stripped so far, 26s left out
    // A line that held only a stripped "%" goes with its line end: sent, an
    // empty line would be an empty block between the programs.
    // The line end dropped is one as a send reads it: CR LF, LF CR CR, LF CR, CR or LF.
    bool lineStart = true;
    enum { Keep, DropLineEnd, DropLf, DropCr, DropSecondCr } drop = Keep;
    while ((n = in.read(piece.data(), kPiece)) > 0) {
        char* w = kept.data();
        for (const char c : QByteArrayView(piece.constData(), n)) {
            if (c == char(26))
                continue;
            const bool strip = trim && c == '%' && (at < half ? stripFirst : stripSecond);
            ++at;
            const bool lineEnd = c == '\r' || c == '\n';
            if ((drop == DropLineEnd && lineEnd) || (drop == DropLf && c == '\n') ||
                ((drop == DropCr || drop == DropSecondCr) && c == '\r')) {
                if (drop == DropLineEnd)
                    drop = c == '\r' ? DropLf : DropCr;
                else
                    drop = drop == DropCr ? DropSecondCr : Keep;
                continue;
            }
            drop = Keep;
            if (strip) {
                if (lineStart)
                    drop = DropLineEnd;
                continue;
            }
            *w++ = c;
            lineStart = lineEnd;
        }
        if (!writeAllBytes(out, kept.constData(), w - kept.constData(), error))
            return MergeStep::WriteFailed;
    }
    if (n == 0)
        return MergeStep::Done;
    *error = in.errorString();
    return MergeStep::ReadFailed;
}

// Which halves of file i of total lose their "%".
std::pair<bool, bool> percentStrips(int i, int total, bool headerHasPercent, bool trailerHasPercent) {
    if (i == 1)
        return {headerHasPercent, true};
    if (i < total)
        return {true, true};
    return {true, trailerHasPercent};
}

} // namespace

QByteArray mergePiece(QByteArray t, int i, int total, bool trim, bool headerHasPercent, bool trailerHasPercent) {
    QBuffer in(&t);
    in.open(QIODevice::ReadOnly);
    QByteArray merged;
    QBuffer out(&merged);
    out.open(QIODevice::WriteOnly);
    const auto [first, second] = percentStrips(i, total, headerHasPercent, trailerHasPercent);
    QString error;
    mergeInto(in, out, trim, first, second, &error);
    return merged;
}

QStringList mergeFileTypes() {
    QStringList types;
    for (const char* prefix : {"SendExtension", "ReceiveExtension"})
        for (int n = 1; n <= 6; ++n) {
            const QString type = MachineRecord::current(QLatin1String(prefix) + QString::number(n));
            if (!type.isEmpty() && !types.contains(type, Qt::CaseInsensitive))
                types << type;
        }
    types << QStringLiteral("{All Files}");
    return types;
}

bool hasFileType(const QString& fileName, const QString& type) {
    if (type == QLatin1String("{All Files}"))
        return true;
    const QRegularExpression pattern(QRegularExpression::wildcardToRegularExpression(QStringLiteral("*.") + type),
                                     QRegularExpression::CaseInsensitiveOption);
    return pattern.match(fileName).hasMatch();
}

QString mergeLogName(const QStringList& merged) {
    QStringList names;
    for (const QString& path : merged)
        names << getFileNameFromPath(path);
    return QStringLiteral("Merge Of ") + names.join(QStringLiteral(" + "));
}

MergeOutcome mergeFiles(const QStringList& paths, bool trim, const QString& outPath,
                        const std::function<void(int)>& progress, QStringList* merged) {
    const bool headerPercent = ParseIntoString(MachineRecord::current(QStringLiteral("HeaderSend"))).contains('%');
    const bool trailerPercent = ParseIntoString(MachineRecord::current(QStringLiteral("TrailerSend"))).contains('%');
    QSaveFile out(outPath);
    if (!out.open(QIODevice::WriteOnly)) {
        msgBox(QStringLiteral("The Merge File ") + outPath + QStringLiteral(" Could Not Be Written\n") + out.errorString(),
               Msg::Ok, Msg::Critical);
        return MergeOutcome::Failed;
    }
    const int total = int(paths.size());
    QStringList joined;
    for (int i = 1; i <= total; ++i) {
        if (progress)
            progress(qMin(100, i * 100 / total));
        const QString& path = paths[i - 1];
        if (!fileExists(path)) {
            const QString why = QFileInfo(path).isDir() ? QStringLiteral(" Is A Folder, Not A File")
                                                        : QStringLiteral(" No Longer Exists");
            if (msgBox(QStringLiteral("The File ") + path + why + QStringLiteral("\nMerge The Others Without It ?"),
                       Msg::YesNo, Msg::Question) == Msg::AnswerYes)
                continue;
            out.cancelWriting();
            return MergeOutcome::Stopped;
        }
        QFile in(path);
        QString error;
        const auto [first, second] = percentStrips(i, total, headerPercent, trailerPercent);
        MergeStep step = MergeStep::ReadFailed;
        if (in.open(QIODevice::ReadOnly))
            step = mergeInto(in, out, trim, first, second, &error);
        else
            error = in.errorString();
        if (step == MergeStep::ReadFailed) {
            out.cancelWriting();
            msgBox(QStringLiteral("The File ") + path + QStringLiteral(" Could Not Be Read\n") + error +
                       QStringLiteral("\nNothing Was Merged"),
                   Msg::Ok, Msg::Critical);
            return MergeOutcome::Failed;
        }
        if (step == MergeStep::WriteFailed) {
            out.cancelWriting();
            msgBox(QStringLiteral("The Merge File ") + outPath + QStringLiteral(" Could Not Be Written\n") + error,
                   Msg::Ok, Msg::Critical);
            return MergeOutcome::Failed;
        }
        joined << path;
    }
    if (!out.commit()) {
        msgBox(QStringLiteral("The Merge File ") + outPath + QStringLiteral(" Could Not Be Written\n") + out.errorString(),
               Msg::Ok, Msg::Critical);
        return MergeOutcome::Failed;
    }
    if (merged)
        *merged = joined;
    return MergeOutcome::Done;
}
