#include "Merge.h"

#include "CodeList.h"
#include "FileStuff.h"
#include "MachineRecord.h"
#include "MessageSeam.h"
#include "SafeFile.h"
#include "SendLines.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

constexpr qint64 kPiece = 1 << 20;

// The merge is read as the send reads one text: its lines run on from one
// file into the next, and CR LF, LF CR CR, LF CR, CR and LF are one line end
// each. A line that held only stripped "%"s goes with its line end: sent,
// it would be an empty block between the programs. That can bring two line
// ends together that the send reads as one (LF, then CR: LF CR); the blank
// line after the one gone then takes the line end before it, so no blank
// line goes with the "%".
class MergeLines {
public:
    // Takes the next character, a "%" to strip or not, and writes at `w`
    // what is then known to go out.
    void put(char c, bool strip, char*& w) {
        if (c == '\r' || c == '\n') {
            end_[endSize_++] = c;
            for (int size; endSize_ > 0 && (size = SendLines::lineEndSize(end_, endSize_, true)) > 0;) {
                endLine(end_, size, w);
                endSize_ -= size;
                std::memmove(end_, end_ + size, size_t(endSize_));
            }
            return;
        }
        finish(w);
        if (strip) {
            stripped_ = true;
            return;
        }
        *w++ = c;
        kept_ = true;
        lastSize_ = 0;
    }
    // The line end read last is whole: the text goes on with another line, or ends.
    void finish(char*& w) {
        if (endSize_ > 0)
            endLine(end_, endSize_, w);
        endSize_ = 0;
    }

private:
    void endLine(const char* end, int size, char*& w) {
        if (!kept_ && stripped_) {
            // The line goes whole.
        } else if (!kept_ && lastSize_ > 0 && joins(end, size)) {
            w = std::copy_n(last_, lastSize_, w);
        } else {
            w = std::copy_n(end, size, w);
            lastSize_ = int(std::copy_n(end, size, last_) - last_);
        }
        kept_ = stripped_ = false;
    }
    // Whether the last line end written, followed by `end`, reads as one.
    bool joins(const char* end, int size) const {
        char both[6];
        std::copy_n(end, size, std::copy_n(last_, lastSize_, both));
        return SendLines::lineEndSize(both, lastSize_ + size, false) > lastSize_;
    }

    char end_[3]; // a line end read, not yet known whole
    int endSize_ = 0;
    char last_[3]; // the line end written last, while nothing came after it
    int lastSize_ = 0;
    bool kept_ = false;     // the line so far has characters that go out
    bool stripped_ = false; // and "%"s that do not
};

// One file's bytes into `out`, a piece at a time: every character 26
// dropped and, with `trim`, every "%" of a half whose flag is set. The
// halves split what is left once the 26s are gone, so those are counted
// first. Which side failed, if one did, with the reason in *error.
enum class MergeStep { Done, ReadFailed, WriteFailed };
MergeStep mergeInto(QIODevice& in, QIODevice& out, MergeLines& lines, bool trim, bool stripFirst,
                    bool stripSecond, QString* error) {
    QByteArray piece(kPiece, Qt::Uninitialized);
    // A blank line may take a longer line end than its own: room for twice the piece.
    QByteArray kept(2 * kPiece + 8, Qt::Uninitialized);
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
    while ((n = in.read(piece.data(), kPiece)) > 0) {
        char* w = kept.data();
        for (const char c : QByteArrayView(piece.constData(), n)) {
            if (c == char(26))
                continue;
            lines.put(c, trim && c == '%' && (at < half ? stripFirst : stripSecond), w);
            ++at;
        }
        if (!writeAllBytes(out, kept.constData(), w - kept.constData(), error))
            return MergeStep::WriteFailed;
    }
    if (n == 0)
        return MergeStep::Done;
    *error = in.errorString();
    return MergeStep::ReadFailed;
}

// The line end read last, now known whole, into `out`.
bool finishLines(MergeLines& lines, QIODevice& out, QString* error) {
    char end[3];
    char* w = end;
    lines.finish(w);
    return writeAllBytes(out, end, w - end, error);
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
    MergeLines lines;
    mergeInto(in, out, lines, trim, first, second, &error);
    finishLines(lines, out, &error);
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
    const auto writeFailed = [&](const QString& error) {
        out.cancelWriting();
        msgBox(QStringLiteral("The Merge File ") + outPath + QStringLiteral(" Could Not Be Written\n") +
                   error,
               Msg::Ok, Msg::Critical);
        return MergeOutcome::Failed;
    };
    const int total = int(paths.size());
    QStringList joined;
    MergeLines lines;
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
            step = mergeInto(in, out, lines, trim, first, second, &error);
        else
            error = in.errorString();
        if (step == MergeStep::ReadFailed) {
            out.cancelWriting();
            msgBox(QStringLiteral("The File ") + path + QStringLiteral(" Could Not Be Read\n") + error +
                       QStringLiteral("\nNothing Was Merged"),
                   Msg::Ok, Msg::Critical);
            return MergeOutcome::Failed;
        }
        if (step == MergeStep::WriteFailed)
            return writeFailed(error);
        joined << path;
    }
    QString error;
    if (!finishLines(lines, out, &error))
        return writeFailed(error);
    if (!out.commit())
        return writeFailed(out.errorString());
    if (merged)
        *merged = joined;
    return MergeOutcome::Done;
}
