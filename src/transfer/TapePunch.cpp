#include "TapePunch.h"

#include "CodeList.h"
#include "FileStuff.h"
#include "IniStorage.h"
#include "MachineRecord.h"
#include "ProgramPaths.h"

namespace {
int count(const char* key) {
    return qMax(0, leadingInt(MachineRecord::current(QString::fromLatin1(key))));
}

QByteArray rows(const QString& codeList) {
    const CodeList::Parsed parsed = CodeList::parse(codeList);
    return parsed.ok ? parsed.bytesOnly() : QByteArray();
}
} // namespace

TapePunch::TapePunch(bool restart) {
    until_ = MachineRecord::current(QStringLiteral("IgnoreUntil")).toLatin1();
    on_ = count("PunchToTape") > 0 && !until_.isEmpty();
    titleOver_ = !on_ || restart;
    beforeMan_ = count("BeforeMan");
    afterMan_ = count("AfterMan");
    afterTape_ = count("AfterTape");
    const QString file = ProgramPaths::programFolder() + QStringLiteral("punch.man");
    if (on_ && fileExists(file)) {
        patternFile_ = file;
        gap_ = rows(readIniString(QStringLiteral("Settings"), QStringLiteral("gap"), file));
    }
}

QByteArray TapePunch::pattern(char c) {
    auto found = patterns_.constFind(c);
    if (found == patterns_.constEnd())
        found = patterns_.insert(c, rows(readIniString(QStringLiteral("Settings"), QString(QLatin1Char(c)), patternFile_)));
    return *found;
}

QByteArray TapePunch::beforeLine(QByteArray& line) {
    if (titleOver_)
        return QByteArray();
    if (line.contains(until_)) {
        titleOver_ = true;
        return QByteArray();
    }
    if (until_ == "?") {
        titleOver_ = true;
        return QByteArray(beforeMan_, '\0');
    }
    if (line.isEmpty())
        return QByteArray();
    line = line.toUpper();
    if (patternFile_.isEmpty())
        return QByteArray();
    QByteArray out(beforeMan_, '\0');
    bool first = true;
    for (const char c : line) {
        const QByteArray rowsOfC = pattern(c);
        if (rowsOfC.isEmpty())
            continue;
        if (!first)
            out += gap_;
        out += rowsOfC;
        first = false;
    }
    out += QByteArray(afterMan_, '\0');
    return out;
}

QByteArray TapePunch::afterTrailer() const {
    return on_ && !patternFile_.isEmpty() ? QByteArray(afterTape_, '\0') : QByteArray();
}
