#include "Merge.h"

#include "CodeList.h"
#include "FileStuff.h"
#include "MachineRecord.h"
#include "MessageSeam.h"
#include "SafeFile.h"

#include <QRegularExpression>
#include <QSaveFile>

QByteArray mergePiece(QByteArray t, int i, int total, bool trim, bool headerHasPercent, bool trailerHasPercent) {
    t.replace(char(26), QByteArray());
    if (!trim)
        return t;
    const qsizetype h = t.size() / 2;
    QByteArray first = t.left(h), second = t.mid(h);
    const auto strip = [](QByteArray& part) { part.replace('%', QByteArray()); };
    if (i == 1) {
        if (headerHasPercent)
            strip(first);
        strip(second);
    } else if (i < total) {
        strip(first);
        strip(second);
    } else {
        strip(first);
        if (trailerHasPercent)
            strip(second);
    }
    return first + second;
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

MergeOutcome mergeFiles(const QStringList& paths, bool trim, const QString& outPath,
                        const std::function<void(int)>& progress) {
    const bool headerPercent = ParseIntoString(MachineRecord::current(QStringLiteral("HeaderSend"))).contains('%');
    const bool trailerPercent = ParseIntoString(MachineRecord::current(QStringLiteral("TrailerSend"))).contains('%');
    QSaveFile out(outPath);
    if (!out.open(QIODevice::WriteOnly)) {
        msgBox(QStringLiteral("The Merge File ") + outPath + QStringLiteral(" Could Not Be Written\n") + out.errorString(),
               Msg::Ok, Msg::Critical);
        return MergeOutcome::Failed;
    }
    const int total = int(paths.size());
    for (int i = 1; i <= total; ++i) {
        if (progress)
            progress(qMin(100, i * 100 / total));
        const QString& path = paths[i - 1];
        if (!fileExists(path)) {
            if (msgBox(QStringLiteral("The File ") + path + QStringLiteral(" No Longer Exists\nMerge The Others Without It ?"),
                       Msg::YesNo, Msg::Question) == Msg::AnswerYes)
                continue;
            out.cancelWriting();
            return MergeOutcome::Stopped;
        }
        QByteArray text;
        QString error;
        if (!readWholeFile(path, &text, &error)) {
            out.cancelWriting();
            msgBox(QStringLiteral("The File ") + path + QStringLiteral(" Could Not Be Read\n") + error +
                       QStringLiteral("\nNothing Was Merged"),
                   Msg::Ok, Msg::Critical);
            return MergeOutcome::Failed;
        }
        if (!writeAllBytes(out, mergePiece(text, i, total, trim, headerPercent, trailerPercent), &error)) {
            out.cancelWriting();
            msgBox(QStringLiteral("The Merge File ") + outPath + QStringLiteral(" Could Not Be Written\n") + error,
                   Msg::Ok, Msg::Critical);
            return MergeOutcome::Failed;
        }
    }
    if (!out.commit()) {
        msgBox(QStringLiteral("The Merge File ") + outPath + QStringLiteral(" Could Not Be Written\n") + out.errorString(),
               Msg::Ok, Msg::Critical);
        return MergeOutcome::Failed;
    }
    return MergeOutcome::Done;
}
