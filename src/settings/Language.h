#pragma once

#include <QString>
#include <QStringList>

class QCheckBox;
class QMainWindow;
class QObject;
class QTabWidget;
class QWidget;

// Caption translation from the [Language-*] sections of the settings file.
// Controls are found by object name: "name" for a single control, "name(i)"
// for member i of a control array, whose key is then "name-i".

// The settings key of a control's caption: "lblCaption(4)" -> "lblCaption-4".
QString captionKey(const QObject* control);

// Applies [Language-<form>] to a dialog's captions and title, shows its
// cmdLanguageSelect button while translation is on, and lets the user edit its
// captions in place (LanguageEditor.h). Call at the end of loading.
void applyLanguage(QWidget* form);

// [Language-Buttons] onto the tool-bar buttons btnToolBar(i) and btnToolBar2(i)
// (buttons or actions); sets gReceiveCaption.
void applyButtonLanguage(QWidget* mainWindow);

// [Language-Menus] onto the main window's menu actions; "-" never replaces a caption.
void applyMenuLanguage(QWidget* mainWindow);

// Flips a check box between cleared and ticked (a greyed box becomes cleared)
// and signals it as a click would, so the box's own handler runs.
void toggleCheck(QCheckBox* box);

// Tab captions are keyed by their built-in texts; a tab widget may carry them
// as a comma-separated "tag" property, otherwise they are taken at first use.
extern const char* const kTabTagProperty;
// The keys of a tab widget's tabs, taking its built-in captions as the tag at first use.
QStringList tabCaptionKeys(QTabWidget* tabs);

extern QWidget* gLanguageForm; // the last form whose captions were applied
