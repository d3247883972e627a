#include "IniDocument.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

using Pos = qint32; // byte offsets: the store refuses files of 2 GB and more

bool spaceOrTab(char c) { return c == ' ' || c == '\t'; }
bool isEol(char c) { return c == '\n' || c == '\r'; }

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; }
QChar lowerAscii(QChar c) { return c.unicode() >= 'A' && c.unicode() <= 'Z' ? QChar(c.unicode() + 32) : c; }

bool asciiOnly(const char* p, qsizetype n) {
    for (qsizetype i = 0; i < n; ++i)
        if (static_cast<unsigned char>(p[i]) >= 0x80)
            return false;
    return true;
}
bool asciiOnly(QStringView s) {
    for (QChar c : s)
        if (c.unicode() >= 0x80)
            return false;
    return true;
}

// FNV-1a over case-folded UTF-16 units, so that a name in the file's bytes
// and the same name asked for as text hash alike.
quint32 hashUnits(QStringView folded) {
    quint32 h = 2166136261u;
    for (QChar c : folded) {
        h ^= c.unicode();
        h *= 16777619u;
    }
    return h;
}
quint32 foldedHash(QStringView name) {
    quint32 h = 2166136261u;
    for (QChar c : name) {
        const char16_t u = c.unicode();
        if (u >= 0x80)
            return hashUnits(name.toString().toCaseFolded());
        h ^= u >= 'A' && u <= 'Z' ? u + 32 : u;
        h *= 16777619u;
    }
    return h;
}

// A name that reads back as itself from its own line.
bool plainKey(const QString& key) {
    if (key.isEmpty() || key.contains(QLatin1Char('=')) || key.front().isSpace() || key.back().isSpace())
        return false;
    const QChar f = key.front();
    return f != QLatin1Char(';') && f != QLatin1Char('[') && !key.contains(QLatin1Char('\n')) &&
           !key.contains(QLatin1Char('\r'));
}
bool plainSection(const QString& name) {
    return !name.contains(QLatin1Char(']')) && !name.contains(QLatin1Char('\n')) && !name.contains(QLatin1Char('\r')) &&
           (name.isEmpty() || (!name.front().isSpace() && !name.back().isSpace()));
}

bool quoted(const char* p, qsizetype n) {
    return n >= 2 && (p[0] == '"' || p[0] == '\'') && p[n - 1] == p[0];
}
QString unquote(const QString& v) {
    if (v.size() >= 2) {
        const QChar f = v.front(), l = v.back();
        if ((f == QLatin1Char('"') || f == QLatin1Char('\'')) && l == f)
            return v.mid(1, v.size() - 2);
    }
    return v;
}

// Open addressing over (hash, index + 1); 0 marks a free slot.
struct Table {
    QVector<quint64> cells;
    int used = 0;
    bool built = false;

    static quint64 pack(quint32 hash, int index) { return (quint64(hash) << 32) | quint32(index + 1); }
    void reserveFor(int n) {
        int cap = 8;
        while (cap < n * 2)
            cap *= 2;
        cells.fill(0, cap);
        used = 0;
    }
    template <typename Same> int find(quint32 hash, Same&& same) const {
        if (cells.isEmpty())
            return -1;
        const int mask = cells.size() - 1;
        for (int i = int(hash) & mask;; i = (i + 1) & mask) {
            const quint64 s = cells[i];
            if (s == 0)
                return -1;
            if (quint32(s >> 32) == hash && same(int(quint32(s)) - 1))
                return int(quint32(s)) - 1;
        }
    }
    // Adds `index` unless an equal name is there already (the first wins).
    template <typename Same> void insert(quint32 hash, int index, Same&& same) {
        if ((used + 1) * 2 > cells.size()) {
            const QVector<quint64> old = cells;
            reserveFor(qMax(used + 1, 4));
            for (quint64 s : old)
                if (s)
                    place(quint32(s >> 32), s);
        }
        if (find(hash, same) >= 0)
            return;
        place(hash, pack(hash, index));
    }

private:
    void place(quint32 hash, quint64 packed) {
        const int mask = cells.size() - 1;
        int i = int(hash) & mask;
        while (cells[i] != 0)
            i = (i + 1) & mask;
        cells[i] = packed;
        ++used;
    }
};

} // namespace

struct IniDocument::Data {
    // An entry is located in `bytes`, or, once written, carries its change.
    struct Entry {
        Pos keyBegin = -1, keyEnd = -1; // -1: a key added since the file was read
        Pos valBegin = 0, valEnd = 0;
        Pos lineEnd = 0;                // before the line's end-of-line
        int change = -1;                // index into changes
        mutable int read = -1;          // index into readValues, once read
    };
    struct Change {
        QString key;     // for added keys
        QString written; // after "=", as written
        QString value;   // as it reads back
    };
    // Small: a file may hold millions of sections.
    struct Section {
        Pos nameBegin = -1, nameEnd = -1; // -1: a section added since the file was read
        Pos headerBegin = 0;              // start of the "[name]" line
        Pos insertAt = 0;                 // where new keys go: after the last key line, or the header
        int firstEntry = 0, entryCount = 0;
        int more = -1;                    // index into `mores`, once the section needs one
    };
    // What only a section that is looked into or written gets.
    struct More {
        QString addedName;
        QVector<int> added; // entries added since the file was read
        Table keys;         // built at the first look-up in the section
    };

    QByteArray bytes;
    bool utf8 = true;     // else the bytes are Latin-1
    bool toUtf8 = false;  // text only UTF-8 can hold was written into a Latin-1 file
    QByteArray eol = "\n";
    QVector<Entry> entries;
    QVector<Section> sections;
    QVector<More> mores;
    QVector<Change> changes;
    // Values as read, kept from their first read on: the same few hundred
    // are read again and again, and a copy of a kept text costs no allocation.
    mutable QVector<QString> readValues;
    Table sectionTable;

    More& more(int s) {
        if (sections[s].more < 0) {
            sections[s].more = mores.size();
            mores.append(More());
        }
        return mores[sections[s].more];
    }
    const QVector<int>& added(int s) const {
        static const QVector<int> none;
        return sections[s].more < 0 ? none : mores[sections[s].more].added;
    }
    const QString& addedName(int s) const { return mores[sections[s].more].addedName; }

    QString text(Pos b, Pos e) const {
        return utf8 ? QString::fromUtf8(bytes.constData() + b, e - b) : QString::fromLatin1(bytes.constData() + b, e - b);
    }
    QString sectionName(int s) const {
        const Section& sec = sections[s];
        return sec.nameBegin < 0 ? addedName(s) : text(sec.nameBegin, sec.nameEnd);
    }
    QString entryKey(int e) const {
        const Entry& en = entries[e];
        return en.keyBegin < 0 ? changes[en.change].key : text(en.keyBegin, en.keyEnd);
    }

    // Does the name stored at [b, e) equal `name` without regard to case?
    bool sameName(Pos b, Pos e, QStringView name) const {
        const char* p = bytes.constData() + b;
        const qsizetype n = e - b;
        if (asciiOnly(p, n) && asciiOnly(name)) {
            if (n != name.size())
                return false;
            for (qsizetype i = 0; i < n; ++i)
                if (lowerAscii(p[i]) != lowerAscii(name[i]).toLatin1())
                    return false;
            return true;
        }
        return QStringView(text(b, e)).compare(name, Qt::CaseInsensitive) == 0;
    }
    quint32 storedHash(Pos b, Pos e) const {
        const char* p = bytes.constData() + b;
        const qsizetype n = e - b;
        if (!asciiOnly(p, n))
            return hashUnits(text(b, e).toCaseFolded());
        quint32 h = 2166136261u;
        for (qsizetype i = 0; i < n; ++i) {
            h ^= uchar(lowerAscii(p[i]));
            h *= 16777619u;
        }
        return h;
    }
    bool sectionIs(int s, QStringView name) const {
        const Section& sec = sections[s];
        return sec.nameBegin < 0 ? QStringView(addedName(s)).compare(name, Qt::CaseInsensitive) == 0
                                 : sameName(sec.nameBegin, sec.nameEnd, name);
    }
    bool keyIs(int e, QStringView key) const {
        const Entry& en = entries[e];
        return en.keyBegin < 0 ? QStringView(changes[en.change].key).compare(key, Qt::CaseInsensitive) == 0
                               : sameName(en.keyBegin, en.keyEnd, key);
    }
    quint32 sectionHash(int s) const {
        const Section& sec = sections[s];
        return sec.nameBegin < 0 ? foldedHash(addedName(s)) : storedHash(sec.nameBegin, sec.nameEnd);
    }
    quint32 keyHash(int e) const {
        const Entry& en = entries[e];
        return en.keyBegin < 0 ? foldedHash(changes[en.change].key) : storedHash(en.keyBegin, en.keyEnd);
    }

    void indexSection(int s) {
        sectionTable.insert(sectionHash(s), s, [&](int other) { return sectionIs(other, sectionName(s)); });
    }
    // Reads come section by section: the last one found is asked for again
    // far more often than any other. Sections are only ever added, never
    // moved, so a found index stays right.
    mutable QString lastSectionAsked;
    mutable int lastSectionFound = -1;
    int findSection(QStringView name) const {
        if (lastSectionFound >= 0 && name == lastSectionAsked)
            return lastSectionFound;
        const int s = sectionTable.find(foldedHash(name), [&](int s) { return sectionIs(s, name); });
        if (s >= 0) {
            lastSectionAsked = name.toString();
            lastSectionFound = s;
        }
        return s;
    }
    void indexKey(More& m, int e) {
        m.keys.insert(keyHash(e), e, [&](int other) { return keyIs(other, entryKey(e)); });
    }
    int findKey(int s, QStringView key) {
        const Section& sec = sections[s];
        More& m = more(s);
        if (!m.keys.built) {
            m.keys.built = true;
            m.keys.reserveFor(sec.entryCount + m.added.size());
            for (int e = sec.firstEntry; e < sec.firstEntry + sec.entryCount; ++e)
                indexKey(m, e);
            for (int e : m.added)
                indexKey(m, e);
        }
        return m.keys.find(foldedHash(key), [&](int e) { return keyIs(e, key); });
    }

    QString entryValue(int e) const {
        const Entry& en = entries[e];
        if (en.change >= 0)
            return changes[en.change].value;
        if (en.read >= 0)
            return readValues[en.read];
        const char* p = bytes.constData() + en.valBegin;
        const qsizetype n = en.valEnd - en.valBegin;
        en.read = readValues.size();
        readValues.append(quoted(p, n) ? text(en.valBegin + 1, en.valEnd - 1) : text(en.valBegin, en.valEnd));
        return readValues.back();
    }

    bool endsWithEol() const { return bytes.isEmpty() || isEol(bytes.back()); }

    QByteArray encode(const QString& s) const { return utf8 || toUtf8 ? s.toUtf8() : s.toLatin1(); }
    void noteText(const QString& s) {
        if (utf8 || toUtf8)
            return;
        for (QChar c : s)
            if (c.unicode() > 0xFF) {
                toUtf8 = true;
                return;
            }
    }

    bool write(const std::function<bool(const char*, qsizetype)>& sink) const;
};

IniDocument::IniDocument() : d(std::make_unique<Data>()) {}
IniDocument::~IniDocument() = default;
IniDocument::IniDocument(IniDocument&&) noexcept = default;
IniDocument& IniDocument::operator=(IniDocument&&) noexcept = default;

QString IniDocument::decode(const QByteArray& bytes) {
    return bytes.isValidUtf8() ? QString::fromUtf8(bytes) : QString::fromLatin1(bytes);
}

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

// One pass over the bytes; only positions are kept, nothing is copied.
IniDocument IniDocument::parse(QByteArray bytes) {
    IniDocument doc;
    Data& d = *doc.d;
    d.bytes = std::move(bytes);
    d.utf8 = d.bytes.isValidUtf8();
    const char* p = d.bytes.constData();
    const Pos n = Pos(qMin<qsizetype>(d.bytes.size(), std::numeric_limits<Pos>::max()));
    Pos pos = d.bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;

    // The file's own line end, for the lines it gets.
    for (Pos i = pos; i < n; ++i)
        if (isEol(p[i])) {
            d.eol = p[i] == '\n' ? QByteArray("\n") : i + 1 < n && p[i + 1] == '\n' ? QByteArray("\r\n") : QByteArray("\r");
            break;
        }

    // Searching each line for both ends would rescan a CR-only file from
    // every line to its end: the next LF is remembered.
    Pos nextLf = -1;
    int current = -1; // keys before the first section belong to none
    while (pos < n) {
        if (nextLf < pos) {
            const void* lf = std::memchr(p + pos, '\n', size_t(n - pos));
            nextLf = lf ? Pos(static_cast<const char*>(lf) - p) : n;
        }
        const void* cr = std::memchr(p + pos, '\r', size_t(nextLf - pos));
        const Pos contentEnd = cr ? Pos(static_cast<const char*>(cr) - p) : nextLf;
        Pos next = contentEnd;
        if (next < n)
            next += (p[next] == '\r' && next + 1 < n && p[next + 1] == '\n') ? 2 : 1;

        Pos b = pos, e = contentEnd;
        while (b < e && spaceOrTab(p[b]))
            ++b;
        while (e > b && spaceOrTab(p[e - 1]))
            --e;
        if (b < e && p[b] == '[') {
            const void* close = std::memchr(p + b + 1, ']', size_t(e - b - 1));
            Pos nb = b + 1, ne = close ? Pos(static_cast<const char*>(close) - p) : e;
            while (nb < ne && spaceOrTab(p[nb]))
                ++nb;
            while (ne > nb && spaceOrTab(p[ne - 1]))
                --ne;
            Data::Section s;
            s.nameBegin = nb;
            s.nameEnd = ne;
            s.headerBegin = pos;
            s.insertAt = next;
            s.firstEntry = d.entries.size();
            d.sections.append(s);
            current = d.sections.size() - 1;
        } else if (b < e && p[b] != ';' && current >= 0) {
            const void* eq = std::memchr(p + b, '=', size_t(e - b));
            if (eq && eq != p + b) {
                Data::Entry en;
                en.keyBegin = b;
                en.keyEnd = Pos(static_cast<const char*>(eq) - p);
                while (spaceOrTab(p[en.keyEnd - 1]))
                    --en.keyEnd;
                en.valBegin = Pos(static_cast<const char*>(eq) - p) + 1;
                while (en.valBegin < e && spaceOrTab(p[en.valBegin]))
                    ++en.valBegin;
                en.valEnd = e;
                en.lineEnd = contentEnd;
                d.entries.append(en);
                Data::Section& s = d.sections[current];
                ++s.entryCount;
                s.insertAt = next;
            }
        }
        pos = next;
    }
    d.sectionTable.reserveFor(d.sections.size());
    for (int s = 0; s < d.sections.size(); ++s)
        d.indexSection(s);
    return doc;
}

bool IniDocument::Data::write(const std::function<bool(const char*, qsizetype)>& sink) const {
    auto out = [&](const char* p, qsizetype n) {
        if (n <= 0)
            return true;
        if (!toUtf8 || utf8 || asciiOnly(p, n))
            return sink(p, n);
        // A Latin-1 file that now holds text only UTF-8 can: it becomes UTF-8 whole.
        constexpr qsizetype kPiece = 1 << 20;
        for (qsizetype i = 0; i < n; i += kPiece) {
            const QByteArray piece = QString::fromLatin1(p + i, qMin(kPiece, n - i)).toUtf8();
            if (!sink(piece.constData(), piece.size()))
                return false;
        }
        return true;
    };
    auto outText = [&](const QByteArray& b) { return sink(b.constData(), b.size()); };

    // Changes to the file's own lines, in file order: values rewritten in
    // place, added keys after their section's last key.
    struct Splice {
        Pos at, end;
        int order; // added keys keep the order they were added in
        int entry;
    };
    QVector<Splice> splices;
    for (int s = 0; s < sections.size(); ++s) {
        const Section& sec = sections[s];
        if (sec.nameBegin < 0)
            continue;
        for (int e = sec.firstEntry; e < sec.firstEntry + sec.entryCount; ++e)
            if (entries[e].change >= 0)
                splices.append({entries[e].keyEnd, entries[e].lineEnd, 0, e});
        for (int e : added(s))
            splices.append({sec.insertAt, sec.insertAt, entries[e].change + 1, e});
    }
    std::sort(splices.begin(), splices.end(),
              [](const Splice& a, const Splice& b) { return a.at != b.at ? a.at < b.at : a.order < b.order; });

    const char* p = bytes.constData();
    const Pos n = Pos(bytes.size());
    Pos pos = 0;
    bool eolAdded = false;
    for (const Splice& s : splices) {
        if (!out(p + pos, s.at - pos))
            return false;
        const Change& c = changes[entries[s.entry].change];
        if (s.at != s.end) {
            if (!outText('=' + encode(c.written)))
                return false;
        } else {
            // A last line without its line end gets one before the new line.
            if (s.at == n && !endsWithEol() && !eolAdded) {
                eolAdded = true;
                if (!outText(eol))
                    return false;
            }
            if (!outText(encode(c.key) + '=' + encode(c.written) + eol))
                return false;
        }
        pos = s.end;
    }
    if (!out(p + pos, n - pos))
        return false;

    bool first = true;
    for (int s = 0; s < sections.size(); ++s) {
        if (sections[s].nameBegin >= 0)
            continue;
        if (first && !eolAdded && !endsWithEol() && !outText(eol))
            return false;
        first = false;
        QByteArray block = '[' + encode(addedName(s)) + ']' + eol;
        for (int e : added(s)) {
            const Change& c = changes[entries[e].change];
            block += encode(c.key) + '=' + encode(c.written) + eol;
        }
        if (!outText(block))
            return false;
    }
    return true;
}

bool IniDocument::write(const std::function<bool(const char*, qsizetype)>& sink) const { return d->write(sink); }

QByteArray IniDocument::serialize() const {
    QByteArray out;
    out.reserve(d->bytes.size() + 64 * d->changes.size() + 16);
    d->write([&out](const char* p, qsizetype n) {
        out.append(p, n);
        return true;
    });
    return out;
}

std::optional<QString> IniDocument::value(const QString& section, const QString& key) const {
    const int s = d->findSection(section);
    if (s < 0)
        return std::nullopt;
    const int e = d->findKey(s, key);
    if (e < 0)
        return std::nullopt;
    return d->entryValue(e);
}

bool IniDocument::hasSection(const QString& section) const { return d->findSection(section) >= 0; }

bool IniDocument::isBlank() const {
    for (char c : d->bytes)
        if (!spaceOrTab(c) && !isEol(c))
            return false;
    return true;
}

void IniDocument::setValue(const QString& section, const QString& key, const QString& value) {
    const QString written = quoteForWrite(value);
    Data& x = *d;
    x.noteText(written);
    int s = x.findSection(section);
    if (s >= 0) {
        const int e = x.findKey(s, key);
        if (e >= 0) {
            Data::Entry& en = x.entries[e];
            if (en.change < 0) {
                en.change = x.changes.size();
                x.changes.append({QString(), written, unquote(written)});
            } else {
                x.changes[en.change].written = written;
                x.changes[en.change].value = unquote(written);
            }
            return;
        }
    }
    x.noteText(key);
    if (s < 0) {
        x.noteText(section);
        Data::Section sec;
        sec.firstEntry = x.entries.size();
        x.sections.append(sec);
        s = x.sections.size() - 1;
        x.more(s).addedName = section;
        x.indexSection(s);
    }
    Data::Entry en;
    en.change = x.changes.size();
    x.changes.append({key, written, unquote(written)});
    x.entries.append(en);
    Data::More& m = x.more(s);
    m.added.append(x.entries.size() - 1);
    if (m.keys.built)
        x.indexKey(m, x.entries.size() - 1);
    // A name that would read back otherwise: the file as it will be written decides.
    if (!plainKey(key) || !plainSection(section))
        *this = parse(serialize());
}

bool IniDocument::removeSection(const QString& section) {
    if (d->findSection(section) < 0)
        return false;
    // Rare: the file as it would be written now, less the header and
    // everything up to the next header (comments between included), read
    // again. A later section of the same name then comes first.
    if (!d->changes.isEmpty() || d->toUtf8)
        *this = parse(serialize());
    Data& x = *d;
    const int s = x.findSection(section);
    const Pos from = x.sections[s].headerBegin;
    const Pos to = s + 1 < x.sections.size() ? x.sections[s + 1].headerBegin : Pos(x.bytes.size());
    QByteArray bytes = std::move(x.bytes);
    bytes.remove(from, to - from);
    *this = parse(std::move(bytes));
    return true;
}

QStringList IniDocument::keys(const QString& section) const {
    QStringList out;
    const int s = d->findSection(section);
    if (s < 0)
        return out;
    const Data::Section& sec = d->sections[s];
    auto add = [&](int e) {
        const QString k = d->entryKey(e);
        if (d->findKey(s, k) == e)
            out << k;
    };
    for (int e = sec.firstEntry; e < sec.firstEntry + sec.entryCount; ++e)
        add(e);
    for (int e : d->added(s))
        add(e);
    return out;
}

QStringList IniDocument::sections() const {
    QStringList out;
    for (int s = 0; s < d->sections.size(); ++s)
        out << d->sectionName(s);
    return out;
}
