#pragma once

#include <QString>
#include <QStringList>

// Ready-made machine settings shipped in "<title>.cfg" in the program folder:
// one INI section per example, named as its "Alias=" line.
namespace ExampleSettings {

QString filePath();

// Every line holding "Alias=" gives the text after its first "=", in file
// order. Empty when the file cannot be read.
QStringList listNames(const QString& file);

// The 26 keys an example sets, in the order they are copied.
const QStringList& keys();

enum class Result { Imported, NoSection, WriteFailed };

// Copies the example's keys into `section` of the settings file in one write.
// An example with no section of that name changes nothing. Values come whole;
// a missing or empty text or code list empties the machine's key, while an
// empty list position, check box or alias leaves the machine's value alone.
Result import(const QString& name, const QString& file, const QString& section);

} // namespace ExampleSettings
