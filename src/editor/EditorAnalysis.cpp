#include "EditorAnalysis.h"

#include "IniStorage.h"
#include "MachineRecord.h"
#include "MessageSeam.h"

namespace {
struct Convention {
    QByteArrayView ends;
    const char* name;
    int code;
};
const Convention kConventions[] = {
    {"\n\r\r", "LF\\CR\\CR", 1}, {"\r\n", "CR\\LF", 0}, {"\n\r", "LF\\CR", 4}, {"\r", "CR", 3}, {"\n", "LF", 2}};
constexpr int kCount = int(std::size(kConventions));
} // namespace

QString detectEOB(QByteArrayView received) {
    int counts[kCount] = {};
    for (qsizetype i = 0; i < received.size();) {
        if (received[i] != '\r' && received[i] != '\n') {
            ++i;
            continue;
        }
        for (int c = 0; c < kCount; ++c) {
            if (received.sliced(i).startsWith(kConventions[c].ends)) {
                ++counts[c];
                i += kConventions[c].ends.size();
                break;
            }
        }
    }
    int best = -1;
    for (int c = 0; c < kCount; ++c)
        if (counts[c] > (best < 0 ? 0 : counts[best]))
            best = c;
    if (best < 0)
        best = 1; // no line end at all
    return QStringLiteral("%1~%2").arg(QLatin1String(kConventions[best].name)).arg(kConventions[best].code);
}

void analyseEndOfBlock(QByteArrayView received) {
    if (received.isEmpty()) {
        msgBox(QStringLiteral("Nothing To Analyse"), Msg::Ok, Msg::Critical);
        return;
    }
    const QStringList found = detectEOB(received).split(QLatin1Char('~'));
    if (msgBox(QStringLiteral("The End Of Block Has Been Detected As <") + found[0] +
                   QStringLiteral(">\nDo You Want To Update Your Settings To This...?"),
               Msg::YesNo, Msg::Question) == Msg::AnswerYes)
        writeIni(gCurrentMachineSection, QStringLiteral("EOBSend"), found[1]);
}

QStringList readIntelliWords(const QByteArray& wordFile, const QString& key) {
    QStringList words;
    bool inSection = false;
    for (QByteArray line : wordFile.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        const QString text = QString::fromLatin1(line);
        const QString trimmed = text.trimmed();
        if (!inSection) {
            inSection = trimmed.compare(key, Qt::CaseInsensitive) == 0;
        } else if (trimmed == QLatin1String("!")) {
            break;
        } else if (!trimmed.isEmpty()) {
            words << text.mid(key.size());
        }
    }
    return words;
}
