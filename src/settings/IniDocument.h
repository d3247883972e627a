#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <QVector>

#include <functional>
#include <memory>
#include <optional>

class QIODevice;

// One INI file: the bytes as read, located once, plus the changes made since.
// Reads decode only the value asked for; a rewrite copies the untouched bytes
// and splices the changes in, so order, comments, unknown keys, a byte-order
// mark and the file's own line ends (CR LF, LF or CR) are kept. Sections and
// keys match without regard to letter case; the first of duplicate sections
// or keys wins, as the platform's profile functions behave. Only ";" starts
// a comment.
class IniDocument {
public:
    IniDocument();
    ~IniDocument();
    IniDocument(IniDocument&&) noexcept;
    IniDocument& operator=(IniDocument&&) noexcept;

    static IniDocument parse(QByteArray bytes);
    QByteArray serialize() const;
    // The same bytes, handed to `sink` piece by piece; stops at the first false.
    bool write(const std::function<bool(const char*, qsizetype)>& sink) const;

    // The value as read: blanks around it dropped, one pair of enclosing
    // quotes removed. Empty optional when the section or key is missing.
    std::optional<QString> value(const QString& section, const QString& key) const;
    void setValue(const QString& section, const QString& key, const QString& value);
    bool removeSection(const QString& section);

    QStringList keys(const QString& section) const; // in file order, first of duplicates only
    QStringList sections() const;                   // in file order
    bool hasSection(const QString& section) const;
    // Nothing but blanks and line ends (an empty or new file).
    bool isBlank() const;

    // Bytes <-> text: UTF-8 when the bytes are valid UTF-8, else Latin-1, so
    // files written by older programs keep every byte's character.
    static QString decode(const QByteArray& bytes);
    // What to write after "=" so that reading it back gives exactly `value`.
    static QString quoteForWrite(const QString& value);

private:
    struct Data;
    std::unique_ptr<Data> d;
};
