#pragma once

#include <QByteArray>
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

// The start of a settings file that has been through its first run: a main
// window loading from it shows no first-run dialogs.
inline const QByteArray kSettledSettings = "[Settings]\nRunBefore=Yes\nUpdateDataSendMode=1-Jan-24\n";

// Reads or writes a whole file as bytes; an empty array when it cannot be read.
// The settings store sees a file written here at its next read.
QByteArray readAllBytes(const QString& path);
bool writeAllBytes(const QString& path, const QByteArray& bytes);
