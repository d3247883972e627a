#include "IniDocument.h"

#include <QStringDecoder>

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

QByteArray trimmed(const QByteArray& s) {
    int b = 0, e = s.size();
    while (b < e && isBlank(s[b]))
        ++b;
    while (e > b && (isBlank(s[e - 1]) || s[e - 1] == '\r'))
        --e;
    return s.mid(b, e - b);
}

bool validUtf8(const QByteArray& bytes) {
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80) {
            QStringDecoder dec(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
            QString s = dec.decode(bytes);
            return !dec.hasError();
        }
    return true;
}

// A key that reads back as itself from its own line.
bool plainKey(const QString& key) {
    if (key.isEmpty() || key.contains(QLatin1Char('=')) || key.front().isSpace() || key.back().isSpace())
        return false;
    const QChar f = key.front();
    return f != QLatin1Char(';') && f != QLatin1Char('#') && f != QLatin1Char('[') && !key.contains(QLatin1Char('\n')) &&
           !key.contains(QLatin1Char('\r'));
}

QString unquote(QString v) {
    if (v.size() >= 2) {
        const QChar f = v.front(), l = v.back();
        if ((f == QLatin1Char('"') && l == QLatin1Char('"')) || (f == QLatin1Char('\'') && l == QLatin1Char('\'')))
            return v.mid(1, v.size() - 2);
    }
    return v;
}

} // namespace

QString IniDocument::decode(const QByteArray& bytes) {
    return validUtf8(bytes) ? QString::fromUtf8(bytes) : QString::fromLatin1(bytes);
}

QByteArray IniDocument::encode(const QString& text) { return text.toUtf8(); }

QString IniDocument::quoteForWrite(const QString& value) {
    QString v = value;
    v.replace(QLatin1String("\r\n"), QLatin1String(" "));
    v.replace(QLatin1Char('\r'), QLatin1Char(' '));
    v.replace(QLatin1Char('\n'), QLatin1Char(' '));
    const bool edgeBlank = !v.isEmpty() && (v.front().isSpace() || v.back().isSpace());
    if (edgeBlank || unquote(v) != v)
        return QLatin1Char('"') + v + QLatin1Char('"');
    return v;
}

IniDocument IniDocument::parse(const QByteArray& bytes) {
    IniDocument doc;
    if (bytes.contains("\r\n"))
        doc.eol_ = "\r\n";
    doc.finalEol_ = bytes.isEmpty() || bytes.endsWith('\n');
    int start = 0;
    const int n = bytes.size();
    while (start < n) {
        int nl = bytes.indexOf('\n', start);
        if (nl < 0)
            nl = n;
        int end = nl;
        if (end > start && bytes[end - 1] == '\r')
            --end;
        doc.lines_.append(bytes.mid(start, end - start));
        start = nl + 1;
    }
    doc.reindex();
    return doc;
}

QByteArray IniDocument::serialize() const {
    QByteArray out;
    qsizetype total = 0;
    for (const QByteArray& l : lines_)
        total += l.size() + eol_.size();
    out.reserve(total);
    for (int i = 0; i < lines_.size(); ++i) {
        out += lines_[i];
        if (i + 1 < lines_.size() || finalEol_)
            out += eol_;
    }
    return out;
}

void IniDocument::reindex() {
    sections_.clear();
    sectionIndex_.clear();
    sections_.append(Section{}); // lines before the first header
    for (int i = 0; i < lines_.size(); ++i) {
        const QByteArray t = trimmed(lines_[i]);
        if (t.startsWith('[')) {
            int close = t.indexOf(']');
            QByteArray name = close < 0 ? t.mid(1) : t.mid(1, close - 1);
            Section s;
            s.name = decode(trimmed(name));
            s.header = i;
            sections_.append(s);
            const QString lower = sections_.back().name.toLower();
            if (!sectionIndex_.contains(lower))
                sectionIndex_.insert(lower, sections_.size() - 1);
            continue;
        }
        if (t.isEmpty() || t.startsWith(';') || t.startsWith('#'))
            continue;
        const int eq = t.indexOf('=');
        if (eq <= 0)
            continue;
        Section& s = sections_.back();
        Entry e;
        e.key = decode(trimmed(t.left(eq)));
        e.value = unquote(decode(trimmed(t.mid(eq + 1))));
        e.line = i;
        const QString lower = e.key.toLower();
        s.entries.append(e);
        if (!s.index.contains(lower))
            s.index.insert(lower, s.entries.size() - 1);
    }
}

int IniDocument::findSection(const QString& section) const {
    auto it = sectionIndex_.constFind(section.toLower());
    return it == sectionIndex_.constEnd() ? -1 : it.value();
}

const IniDocument::Entry* IniDocument::findEntry(const QString& section, const QString& key) const {
    const int s = findSection(section);
    if (s < 0)
        return nullptr;
    const Section& sec = sections_[s];
    auto it = sec.index.constFind(key.toLower());
    return it == sec.index.constEnd() ? nullptr : &sec.entries[it.value()];
}

std::optional<QString> IniDocument::value(const QString& section, const QString& key) const {
    if (const Entry* e = findEntry(section, key))
        return e->value;
    return std::nullopt;
}

bool IniDocument::hasSection(const QString& section) const { return findSection(section) >= 0; }

void IniDocument::setValue(const QString& section, const QString& key, const QString& value) {
    const QString written = quoteForWrite(value);
    const int found = findSection(section);
    if (found >= 0) {
        Section& sec = sections_[found];
        auto it = sec.index.constFind(key.toLower());
        if (it != sec.index.constEnd()) {
            Entry& e = sec.entries[it.value()];
            // Keep the key as the file spells it.
            lines_[e.line] = encode(e.key) + '=' + encode(written);
            e.value = unquote(written);
            return;
        }
    }
    const QByteArray line = encode(key) + '=' + encode(written);
    if (found < 0) {
        lines_.append('[' + encode(section) + ']');
        lines_.append(line);
        finalEol_ = true;
        reindex();
        return;
    }
    const Section& sec = sections_[found];
    int after = sec.header;
    for (const Entry& e : sec.entries)
        after = qMax(after, e.line);
    lines_.insert(after + 1, line);
    if (after + 1 == lines_.size() - 1)
        finalEol_ = true;
    if (!plainKey(key)) {
        reindex();
        return;
    }
    // Writing a whole record adds many keys: shift the line numbers that
    // follow rather than parse the file again for each one.
    for (int i = found + 1; i < sections_.size(); ++i) {
        ++sections_[i].header;
        for (Entry& e : sections_[i].entries)
            ++e.line;
    }
    Section& target = sections_[found];
    target.entries.append(Entry{key, unquote(written), after + 1});
    target.index.insert(key.toLower(), target.entries.size() - 1);
}

bool IniDocument::removeSection(const QString& section) {
    const int s = findSection(section);
    if (s < 0)
        return false;
    const int from = sections_[s].header;
    const int to = s + 1 < sections_.size() ? sections_[s + 1].header : lines_.size();
    lines_.remove(from, to - from);
    reindex();
    return true;
}

QStringList IniDocument::keys(const QString& section) const {
    QStringList out;
    const int s = findSection(section);
    if (s < 0)
        return out;
    const Section& sec = sections_[s];
    for (int i = 0; i < sec.entries.size(); ++i)
        if (sec.index.value(sec.entries[i].key.toLower()) == i)
            out << sec.entries[i].key;
    return out;
}

QStringList IniDocument::sections() const {
    QStringList out;
    for (int i = 1; i < sections_.size(); ++i)
        out << sections_[i].name;
    return out;
}
