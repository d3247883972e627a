#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>

#include <optional>

// One INI file held as its lines, so that a rewrite keeps order, comments,
// unknown keys and the file's own line ends. Sections and keys match without
// regard to letter case; the first of duplicate sections or keys wins, as the
// platform's profile functions behave.
class IniDocument {
public:
    static IniDocument parse(const QByteArray& bytes);
    QByteArray serialize() const;

    // The value as read: blanks around it dropped, one pair of enclosing
    // quotes removed. Empty optional when the section or key is missing.
    std::optional<QString> value(const QString& section, const QString& key) const;
    void setValue(const QString& section, const QString& key, const QString& value);
    bool removeSection(const QString& section);

    QStringList keys(const QString& section) const; // in file order, first of duplicates only
    QStringList sections() const;                   // in file order
    bool hasSection(const QString& section) const;

    // Bytes <-> text: UTF-8 when the bytes are valid UTF-8, else Latin-1, so
    // files written by older programs keep every byte's character.
    static QString decode(const QByteArray& bytes);
    static QByteArray encode(const QString& text);
    // What to write after "=" so that reading it back gives exactly `value`.
    static QString quoteForWrite(const QString& value);

private:
    struct Entry {
        QString key;
        QString value;
        int line = -1;
    };
    struct Section {
        QString name;
        int header = -1; // line of "[name]"; -1 for lines before any header
        QVector<Entry> entries;
        QHash<QString, int> index; // lower-case key -> entries position (first wins)
    };

    void reindex();
    int findSection(const QString& section) const;
    const Entry* findEntry(const QString& section, const QString& key) const;

    QVector<QByteArray> lines_;
    QByteArray eol_ = "\n";
    bool finalEol_ = true;
    QVector<Section> sections_;
    QHash<QString, int> sectionIndex_; // lower-case name -> sections_ position (first wins)
};
