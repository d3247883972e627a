#include "MessageSeam.h"

#include "ProgramPaths.h"

#include <QDir>

#include <cstdio>

namespace Msg {

namespace {
// Without a window system the message goes to standard error and the box's
// default button answers it, so nothing ever waits for a user who isn't there.
Answer printAndDefault(const Request& r) {
    std::fprintf(stderr, "%s: %s\n", qPrintable(r.title), qPrintable(r.text));
    return defaultAnswer(r);
}

QString printInput(const InputRequest& r, bool* ok) {
    std::fprintf(stderr, "%s: %s\n", qPrintable(r.title), qPrintable(r.prompt));
    if (ok)
        *ok = false;
    return QString();
}

QStringList noFiles(const FileRequest& r) {
    std::fprintf(stderr, "%s: no file chooser without a window\n", qPrintable(r.title));
    return {};
}

bool noChooser(const char* what) {
    std::fprintf(stderr, "no %s chooser without a window\n", what);
    return false;
}

ColourHandler& colourHandler() {
    static ColourHandler h = [](unsigned int*) { return noChooser("colour"); };
    return h;
}

FontHandler& fontHandler() {
    static FontHandler h = [](FontChoice*) { return noChooser("font"); };
    return h;
}

FileHandler& fileHandler() {
    static FileHandler h = noFiles;
    return h;
}

Handler& handler() {
    static Handler h = printAndDefault;
    return h;
}
InputHandler& inputHandler() {
    static InputHandler h = printInput;
    return h;
}
} // namespace

Handler setHandler(Handler h) {
    Handler old = handler();
    handler() = h ? std::move(h) : Handler(printAndDefault);
    return old;
}

InputHandler setInputHandler(InputHandler h) {
    InputHandler old = inputHandler();
    inputHandler() = h ? std::move(h) : InputHandler(printInput);
    return old;
}

FileHandler setFileHandler(FileHandler h) {
    FileHandler old = fileHandler();
    fileHandler() = h ? std::move(h) : FileHandler(noFiles);
    return old;
}

ColourHandler setColourHandler(ColourHandler h) {
    ColourHandler old = colourHandler();
    colourHandler() = h ? std::move(h) : ColourHandler([](unsigned int*) { return noChooser("colour"); });
    return old;
}

FontHandler setFontHandler(FontHandler h) {
    FontHandler old = fontHandler();
    fontHandler() = h ? std::move(h) : FontHandler([](FontChoice*) { return noChooser("font"); });
    return old;
}

QList<Answer> answersOf(Buttons b) {
    switch (b) {
    case Ok: return {AnswerOk};
    case OkCancel: return {AnswerOk, AnswerCancel};
    case AbortRetryIgnore: return {AnswerAbort, AnswerRetry, AnswerIgnore};
    case YesNoCancel: return {AnswerYes, AnswerNo, AnswerCancel};
    case YesNo: return {AnswerYes, AnswerNo};
    case RetryCancel: return {AnswerRetry, AnswerCancel};
    case YesNoYesToAllCancel: return {AnswerYes, AnswerNo, AnswerYesToAll, AnswerCancel};
    }
    return {AnswerOk};
}

Answer defaultAnswer(const Request& r) {
    const QList<Answer> a = answersOf(r.buttons);
    return a.value(r.defaultButton, a.first());
}

QStringList buttonNames(Buttons b) {
    QStringList names;
    for (Answer a : answersOf(b)) {
        switch (a) {
        case AnswerOk: names << QStringLiteral("OK"); break;
        case AnswerCancel: names << QStringLiteral("Cancel"); break;
        case AnswerAbort: names << QStringLiteral("Abort"); break;
        case AnswerRetry: names << QStringLiteral("Retry"); break;
        case AnswerIgnore: names << QStringLiteral("Ignore"); break;
        case AnswerYes: names << QStringLiteral("Yes"); break;
        case AnswerNo: names << QStringLiteral("No"); break;
        case AnswerYesToAll: names << QStringLiteral("Yes To All"); break;
        case NoAnswer: break;
        }
    }
    return names;
}

} // namespace Msg

Msg::Answer msgBox(const QString& text, Msg::Buttons buttons, Msg::Icon icon, const QString& title,
                   int defaultButton) {
    Msg::Request r;
    r.text = text;
    r.title = title.isEmpty() ? ProgramPaths::appTitle() : title;
    r.buttons = buttons;
    r.icon = icon;
    r.defaultButton = defaultButton;
    return Msg::handler()(r);
}

QString inputBox(const QString& prompt, const QString& title, const QString& defaultText, bool* ok) {
    Msg::InputRequest r{prompt, title.isEmpty() ? ProgramPaths::appTitle() : title, defaultText};
    bool accepted = false;
    QString out = Msg::inputHandler()(r, &accepted);
    if (ok)
        *ok = accepted;
    return accepted ? out : QString();
}

QStringList fileDialog(const Msg::FileRequest& request) { return Msg::fileHandler()(request); }

QString Msg::FileRequest::startPath() const {
    if (fileName.isEmpty())
        return startFolder;
    if (startFolder.isEmpty() || QDir::isAbsolutePath(fileName))
        return fileName;
    return startFolder + QLatin1Char('/') + fileName;
}

bool chooseColour(unsigned int* colour) {
    unsigned int chosen = *colour;
    if (!Msg::colourHandler()(&chosen))
        return false;
    *colour = chosen;
    return true;
}

bool chooseFont(Msg::FontChoice* font) {
    Msg::FontChoice chosen = *font;
    if (!Msg::fontHandler()(&chosen))
        return false;
    *font = chosen;
    return true;
}
