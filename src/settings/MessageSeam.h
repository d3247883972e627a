#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// Every modal question and message of the program goes through here, so that
// tests can answer prompts from a script and a hidden command-line run can
// print them instead of blocking.
namespace Msg {

enum Buttons { Ok, OkCancel, AbortRetryIgnore, YesNoCancel, YesNo, RetryCancel, YesNoYesToAllCancel };
enum Icon { NoIcon, Critical, Question, Exclamation, Information };
enum Answer { NoAnswer = 0, AnswerOk = 1, AnswerCancel, AnswerAbort, AnswerRetry, AnswerIgnore, AnswerYes, AnswerNo,
              AnswerYesToAll };

struct Request {
    QString text;
    QString title;
    Buttons buttons = Ok;
    Icon icon = NoIcon;
    int defaultButton = 0; // 0 first, 1 second, 2 third
};

struct InputRequest {
    QString prompt;
    QString title;
    QString defaultText;
};

// A file or folder chooser.
struct FileRequest {
    enum Kind { OpenFile, OpenFiles, SaveFile, Folder };
    Kind kind = OpenFile;
    QString title;
    QString filter;      // "CNC Files (*.nc *.txt);;All Files (*)"
    QString startFolder;
    QString fileName;    // proposed name, or a full path that stands on its own

    // Where the chooser opens: the proposed file in the start folder, or
    // where a full path puts it.
    QString startPath() const;
};

// A font as the font chooser shows it.
struct FontChoice {
    QString name;
    int pointSize = 0;
    bool bold = false;
};

using Handler = std::function<Answer(const Request&)>;
// Returns the chosen paths; empty when the user cancelled.
using FileHandler = std::function<QStringList(const FileRequest&)>;
// Returns false in *ok when the user cancelled.
using InputHandler = std::function<QString(const InputRequest&, bool* ok)>;
// Colour and font choosers: the value in is the preset, out the choice;
// false when the user cancelled. Colours are numbers, red in the lowest byte.
using ColourHandler = std::function<bool(unsigned int* colour)>;
using FontHandler = std::function<bool(FontChoice* font)>;

// Replaces the handler; returns the previous one.
Handler setHandler(Handler handler);
InputHandler setInputHandler(InputHandler handler);
FileHandler setFileHandler(FileHandler handler);
ColourHandler setColourHandler(ColourHandler handler);
FontHandler setFontHandler(FontHandler handler);

// The answer a box gives without a user: its default button.
Answer defaultAnswer(const Request& request);
QStringList buttonNames(Buttons buttons);
QList<Answer> answersOf(Buttons buttons); // in the order the box shows them

} // namespace Msg

// Shows a message box titled with the program's title unless a title is given.
Msg::Answer msgBox(const QString& text, Msg::Buttons buttons = Msg::Ok, Msg::Icon icon = Msg::NoIcon,
                   const QString& title = QString(), int defaultButton = 0);

// A one-line text prompt; returns the text, or an empty text with *ok false on cancel.
QString inputBox(const QString& prompt, const QString& title = QString(), const QString& defaultText = QString(),
                 bool* ok = nullptr);

// Shows a file or folder chooser; the chosen paths, empty when cancelled.
QStringList fileDialog(const Msg::FileRequest& request);

// The colour and font choosers; false (the value untouched) when cancelled.
bool chooseColour(unsigned int* colour);
bool chooseFont(Msg::FontChoice* font);
