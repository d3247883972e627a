#pragma once

#include <QString>
#include <QTemporaryDir>

#include <memory>

// A fresh, empty program folder: sets FEEDLINE_HOME, points the settings file
// at it and empties the settings cache. The folder goes when the object does.
class TestHome {
public:
    TestHome();
    ~TestHome();
    QString path() const;                  // with a trailing "/"
    QString file(const QString& name) const; // path() + name
    QString iniPath() const;

    // Writes the settings file by hand.
    void writeIni(const QByteArray& contents) const;
    QByteArray readIniBytes() const;

private:
    std::unique_ptr<QTemporaryDir> dir_;
};

// Reads or writes a whole file as bytes; an empty array when it cannot be read.
QByteArray readAllBytes(const QString& path);
bool writeAllBytes(const QString& path, const QByteArray& bytes);
