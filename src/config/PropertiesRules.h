#pragma once

#include <QString>

// What the machine settings dialog accepts and how it stores numbers; no
// widgets, so the rules can be tested alone.
namespace PropertiesRules {

// A header, trailer or end-of-block list is accepted when it is empty, or
// when it parses, gives at least one character or pause, and every pause
// names whole milliseconds ("!250!"; "!abc" is refused).
bool codeListAcceptable(const QString& text);

// The send time-out: a whole number of seconds, 1 or more.
bool timeOutAcceptable(const QString& text);

// A stored list position: the text as a whole number, -1 when it is not one.
int listPosition(const QString& stored);

// A number field as stored: its leading number in the shortest decimal form
// ("12ab" -> "12", "" -> "0").
QString numberForm(const QString& text);

} // namespace PropertiesRules
