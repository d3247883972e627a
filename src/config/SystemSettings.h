#pragma once

#include <QHash>
#include <QString>
#include <QVector>

// The program-wide settings of [Settings] that the system settings dialog
// edits. This table is the one place that knows their stored forms and
// defaults; the dialog loads and saves through it.
namespace SystemSettings {

enum class Form {
    Text,     // as typed
    FontSize, // a whole number of points above 0
    TrueFalse,// "True" / "False"
    ZeroOne,  // "0" / "1"
    List,     // a position in a list of `choices` entries
    Colour    // red + 256 * green + 65536 * blue, in decimal
};

struct KeyDef {
    QString key;
    Form form;
    QString def;
    int choices = 0; // Form::List only
};

const QVector<KeyDef>& table();

using Values = QHash<QString, QString>; // key -> stored form

// Every key, stored or defaulted, in its stored form. A position outside its
// list reads as the first choice; an unreadable colour as 0.
Values load();

// The stored form of a typed font size: the part before the first "." or ",";
// empty when that is not a whole number above 0.
QString fontSizeForm(const QString& typed);

// Writes every key of the table in one change of the settings file, all or
// none. False with the reason in *error: a refused font size (nothing is
// written) or a file that could not be written (left as it was).
bool save(const Values& values, QString* error);

} // namespace SystemSettings
