#include "EndOfBlock.h"

#include "CodeList.h"
#include "IniStorage.h"
#include "MachineRecord.h"
#include "MessageSeam.h"

namespace {
const QByteArray kCrLf("\r\n");
} // namespace

QByteArray getCustomEOB(int direction) {
    QString key;
    if (direction == EobSend)
        key = QStringLiteral("CustomEOBSend");
    else if (direction == EobReceive)
        key = QStringLiteral("CustomEOBReceive");
    const QString stored = key.isEmpty() ? QString() : MachineRecord::current(key);
    if (!stored.isEmpty()) {
        // An end of block cannot pause: only the characters count.
        const CodeList::Parsed parsed = CodeList::parse(stored);
        const QByteArray bytes = parsed.bytesOnly();
        if (parsed.ok && !bytes.isEmpty())
            return bytes;
        // Cleared for good, so the bad value is not tried again.
        writeIni(gCurrentMachineSection, key, QString());
    }
    msgBox(QStringLiteral("Bad or No End Of Block Defined = Defaulting To CR/LF"));
    return kCrLf;
}

QByteArray eobForSend(const QString& eobSend) {
    static const char* const table[] = {"\r\n", "\n\r\r", "\n", "\r", "\n\r"};
    if (eobSend == QLatin1String("5"))
        return getCustomEOB(EobSend);
    // Compared as text: "05" or " 1" is no convention and sends nothing.
    bool ok = false;
    const int i = eobSend.toInt(&ok);
    if (!ok || eobSend != QString::number(i) || i < 0 || i >= 5)
        return QByteArray();
    return QByteArray(table[i]);
}

QByteArray eobForReceive(int position, const QByteArray& sample, const QByteArray& custom) {
    static const char* const table[] = {nullptr, "\r\n", "\n\r\r", "\n", "\r", "\n\r"};
    if (position == 0)
        return CodeList::parse(getEOB(sample)).bytesOnly();
    if (position == 6)
        return custom;
    return position > 0 && position < 6 ? QByteArray(table[position]) : kCrLf;
}

QString getEOB(const QByteArray& text) {
    QByteArray sample = text.size() > 2048 ? text.left(1024) : text;
    auto isEnd = [](char c) { return c == '\r' || c == '\n'; };
    int end = sample.size();
    while (end > 0 && isEnd(sample[end - 1]))
        --end;
    if (end > 0) {
        int start = 0;
        while (start < end && isEnd(sample[start]))
            ++start;
        sample = sample.mid(start, end - start);
    }
    // Longer sequences first: CR LF lines also hold LF CR across each boundary.
    if (sample.contains("\n\r\r"))
        return QStringLiteral("10,13,13");
    if (sample.contains("\r\n"))
        return QStringLiteral("13,10");
    if (sample.contains("\n\r"))
        return QStringLiteral("10,13");
    if (sample.contains('\r'))
        return QStringLiteral("13");
    if (sample.contains('\n'))
        return QStringLiteral("10");
    return QStringLiteral("13,10");
}
