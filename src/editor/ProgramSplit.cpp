#include "ProgramSplit.h"

#include "MachineRecord.h"
#include "MessageSeam.h"
#include "SafeFile.h"
#include "SendLines.h"
#include "TextPass.h"

#include <QFile>
#include <QFileInfo>

#include <cctype>

namespace ProgramSplit {

namespace {

bool isBlankChar(char c) { return c == ' ' || c == '\t'; }
bool isAlnum(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; }

QByteArrayView trimmed(QByteArrayView s) {
    while (!s.isEmpty() && isBlankChar(s.front()))
        s = s.sliced(1);
    while (!s.isEmpty() && isBlankChar(s.back()))
        s.chop(1);
    return s;
}
QByteArrayView leftTrimmed(QByteArrayView s) {
    while (!s.isEmpty() && isBlankChar(s.front()))
        s = s.sliced(1);
    return s;
}

// Where the line starting at `from` ends, as lineEnd finds it, but with the
// line ends a send reads as one (LF CR and LF CR CR too, as controls punch
// them): their CRs are no blank lines of their own, which blank-line
// stripping would drop.
qsizetype splitLineEnd(QByteArrayView text, qsizetype from, qsizetype* next) {
    const qsizetype at = lineEnd(text, from, next);
    if (at < text.size())
        *next = at + SendLines::lineEndSize(text.data() + at, text.size() - at, false);
    return at;
}

// The line end of the text's first line; CR LF when it has none.
QByteArray firstLineEnd(QByteArrayView text) {
    qsizetype next = 0;
    const qsizetype at = splitLineEnd(text, 0, &next);
    return at < text.size() ? text.sliced(at, next - at).toByteArray() : QByteArray("\r\n");
}

bool isPercentLine(QByteArrayView line) { return trimmed(line) == QByteArrayView("%"); }
bool isBlankLine(QByteArrayView line) { return trimmed(line).isEmpty(); }

bool startsWithWord(QByteArrayView s, QByteArrayView word) {
    return s.size() >= word.size() && qstrnicmp(s.data(), word.data(), size_t(word.size())) == 0;
}

// The text after the number must begin with the chosen after-word.
bool afterWordFollows(QByteArrayView rest, int after) {
    const QByteArrayView spaced = leftTrimmed(rest);
    switch (after) {
    case 1: return spaced.startsWith('(');
    case 2:
    case 3: {
        const QByteArrayView word(kAfterWords[after]);
        return spaced.size() < rest.size() && startsWithWord(spaced, word) &&
               (spaced.size() == word.size() || !isAlnum(spaced[word.size()]));
    }
    case 4: return startsWithWord(rest, ".MIN");
    case 5: return spaced.startsWith(',');
    default: return rest.isEmpty() || !isAlnum(rest.front());
    }
}

// The file name of the program that `line` starts; empty when it starts none.
QString programName(QByteArrayView line, const Options& o) {
    QByteArrayView s = leftTrimmed(line);
    const QByteArrayView before(kBeforeWords[o.before]);
    if (!startsWithWord(s, before))
        return QString();
    s = leftTrimmed(s.sliced(before.size()));
    // ":" and "O" number their programs; the other controls name them.
    const bool digitsOnly = o.before <= 1;
    qsizetype n = 0;
    while (n < s.size() && (digitsOnly ? std::isdigit(static_cast<unsigned char>(s[n])) != 0
                                       : isAlnum(s[n]) || s[n] == '_' || s[n] == '-'))
        ++n;
    if (n == 0 || !afterWordFollows(s.sliced(n), o.after))
        return QString();

    QString name;
    if (o.useComment) {
        const qsizetype open = line.indexOf('(');
        const qsizetype close = open < 0 ? -1 : line.indexOf(')', open);
        if (close > open)
            name = QString::fromLatin1(trimmed(line.sliced(open + 1, close - open - 1)));
    }
    if (name.isEmpty()) {
        name = QString::fromLatin1(s.first(n));
        if (o.prefixO && !name.startsWith(QLatin1Char('O'), Qt::CaseInsensitive))
            name.prepend(QLatin1Char('O'));
    }
    if (o.after == 2 || o.after == 3)
        name += QLatin1Char('.') + QLatin1String(kAfterWords[o.after]);
    else if (o.after == 4)
        name += QStringLiteral(".MIN");
    return name;
}

int listPosition(const char* key, int count) {
    const int i = MachineRecord::currentInt(QLatin1String(key));
    return i >= 0 && i < count ? i : 0;
}

} // namespace

Options Options::ofMachine() {
    Options o;
    o.before = listPosition("FanucBefore", int(std::size(kBeforeWords)));
    o.after = listPosition("FanucAfter", int(std::size(kAfterWords)));
    const auto ticked = [](const char* key) { return MachineRecord::currentInt(QLatin1String(key)) == 1; };
    o.stripPercent = ticked("FanucStripPercent");
    o.putBackPercent = ticked("FanucPutBackPercent");
    o.stripBlankLines = ticked("FanucStripBlankLines");
    o.useComment = ticked("FanucUseComment");
    o.prefixO = ticked("PrefixO");
    return o;
}

QVector<Piece> split(QByteArrayView text, const Options& o) {
    const QByteArray eol = firstLineEnd(text);
    QVector<Piece> pieces;
    Piece piece;
    piece.name = QLatin1String(kBeforeProgramsName);
    piece.line = 1;
    piece.beforePrograms = true;
    bool keepBefore = false; // more than "%" and blank lines before the first program
    bool endsInPercent = false;
    const auto finish = [&] {
        if (piece.beforePrograms) {
            if (keepBefore)
                pieces.append(piece);
            return;
        }
        if (o.putBackPercent && !endsInPercent) {
            if (!piece.bytes.endsWith('\n') && !piece.bytes.endsWith('\r'))
                piece.bytes += eol;
            piece.bytes += '%' + eol;
        }
        pieces.append(piece);
    };

    // Messages name a program by the line the editor shows it on.
    SendLines::EditorLineCount lines;
    for (qsizetype from = 0; from < text.size();) {
        qsizetype next = 0;
        const qsizetype at = splitLineEnd(text, from, &next);
        const QByteArrayView line = text.sliced(from, at - from), end = text.sliced(at, next - at);
        from = next;
        const qint64 lineNumber = lines.startOf(line.size(), end.data(), end.size());
        const QString name = programName(line, o);
        if (!name.isEmpty()) {
            finish();
            piece = Piece{name, QByteArray(), lineNumber, false};
            if (o.putBackPercent)
                piece.bytes += '%' + eol;
        } else {
            const bool percent = isPercentLine(line), blank = isBlankLine(line);
            if (piece.beforePrograms && !percent && !blank)
                keepBefore = true;
            if ((percent && o.stripPercent) || (blank && o.stripBlankLines))
                continue;
        }
        if (!isBlankLine(line))
            endsInPercent = isPercentLine(line);
        piece.bytes += line;
        piece.bytes += end;
    }
    const bool anyProgram = !piece.beforePrograms;
    finish();
    return anyProgram ? pieces : QVector<Piece>();
}

bool validFileName(const QString& name) {
    if (name.trimmed().isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    for (const QChar c : name)
        if (c.unicode() < 32 || c.unicode() == 127 || QStringLiteral("/\\:*?\"<>|").contains(c))
            return false;
    return QFile::encodeName(name).size() <= 255;
}

QString freeName(const QString& folder, const QString& name, const QStringList& taken) {
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString stem = dot > 0 ? name.left(dot) : name;
    const QString extension = dot > 0 ? name.mid(dot) : QString();
    for (int n = 2;; ++n) {
        const QString candidate = stem + QLatin1Char('_') + QString::number(n) + extension;
        if (!taken.contains(candidate) && !QFileInfo::exists(folder + candidate))
            return candidate;
    }
}

namespace {

bool sameFile(const QString& a, const QString& b) {
    const QString real = QFileInfo(a).canonicalFilePath();
    return !real.isEmpty() && real == QFileInfo(b).canonicalFilePath();
}

} // namespace

Written writePieces(const QVector<Piece>& pieces, const QString& folder, bool renameExisting,
                    const QString& source) {
    Written written;
    for (const Piece& p : pieces) {
        if (!validFileName(p.name)) {
            msgBox(QStringLiteral("The Program At Line %1 Would Be Named \"%2\"").arg(p.line).arg(p.name) +
                       QStringLiteral("\nThat Is Not A Valid File Name: Nothing Was Split"),
                   Msg::Ok, Msg::Critical);
            return written;
        }
    }
    QStringList taken; // names this split wrote
    bool replaceEvery = false;
    bool skipped = false;
    // The program that replaces the file being split is written last, so a
    // failure on the way never leaves the programs after it only in memory.
    const Piece* intoSource = nullptr;
    QString sourceName;
    qsizetype sourceAt = 0, sourceProgramAt = 0; // its place among the files, in the master's order
    const auto write = [&](const Piece& p, const QString& name) {
        QString error;
        if (!writeFileSafely(folder + name, p.bytes, &error)) {
            msgBox(QStringLiteral("Can't Write ") + folder + name + QLatin1Char('\n') + error +
                       QStringLiteral("\nThe Split Stopped"),
                   Msg::Ok, Msg::Critical);
            return false;
        }
        taken << name;
        written.paths << folder + name;
        if (!p.beforePrograms)
            written.programs << folder + name;
        return true;
    };
    for (const Piece& p : pieces) {
        QString name = p.name;
        if (taken.contains(name) || (intoSource && name == sourceName)) {
            name = freeName(folder, name, taken);
        } else if (!renameExisting && !source.isEmpty() && sameFile(folder + name, source)) {
            // Yes To All never covers it: the user must know the file goes.
            const Msg::Answer answer =
                msgBox(folder + name + QStringLiteral(" Is The File Being Split\n") +
                           QStringLiteral(
                               "Replace It With The Program At Line %1 Once Every Other File Is Written ?")
                               .arg(p.line),
                       Msg::YesNoCancel, Msg::Question, QString(), 1);
            if (answer == Msg::AnswerYes) {
                intoSource = &p;
                sourceName = name;
                sourceAt = written.paths.size();
                sourceProgramAt = written.programs.size();
            } else if (answer == Msg::AnswerNo) {
                skipped = true;
            } else {
                return written;
            }
            continue;
        } else if (QFileInfo::exists(folder + name)) {
            if (renameExisting) {
                name = freeName(folder, name, taken);
            } else if (!replaceEvery) {
                const Msg::Answer answer = msgBox(folder + name + QStringLiteral(" Already Exists\nReplace It ?"),
                                                  Msg::YesNoYesToAllCancel, Msg::Question, QString(), 1);
                if (answer == Msg::AnswerNo) {
                    skipped = true;
                    continue;
                }
                if (answer == Msg::AnswerYesToAll)
                    replaceEvery = true;
                else if (answer != Msg::AnswerYes)
                    return written;
            }
        }
        if (!write(p, name))
            return written;
    }
    if (intoSource) {
        if (!write(*intoSource, sourceName))
            return written;
        written.paths.move(written.paths.size() - 1, sourceAt);
        if (!intoSource->beforePrograms)
            written.programs.move(written.programs.size() - 1, sourceProgramAt);
        written.replacedSource = true;
    }
    written.complete = !skipped;
    return written;
}

} // namespace ProgramSplit
