#include "ScriptedMessages.h"

ScriptedMessages::ScriptedMessages() {
    previous_ = Msg::setHandler([this](const Msg::Request& r) {
        shown_ << r;
        return answers_.isEmpty() ? Msg::defaultAnswer(r) : answers_.dequeue();
    });
    previousInput_ = Msg::setInputHandler([this](const Msg::InputRequest& r, bool* ok) {
        Msg::Request asShown;
        asShown.text = r.prompt;
        asShown.title = r.title;
        shown_ << asShown;
        const auto next = inputs_.isEmpty() ? std::pair<QString, bool>() : inputs_.dequeue();
        *ok = next.second;
        return next.first;
    });
    previousFile_ = Msg::setFileHandler([this](const Msg::FileRequest& r) {
        fileRequests_ << r;
        return files_.isEmpty() ? QStringList() : files_.dequeue();
    });
    previousColour_ = Msg::setColourHandler([this](unsigned int* colour) { return take(colours_, colour); });
    previousFont_ = Msg::setFontHandler([this](Msg::FontChoice* font) { return take(fonts_, font); });
}

ScriptedMessages& ScriptedMessages::answerColour(unsigned int colour) {
    colours_.enqueue(colour);
    return *this;
}

ScriptedMessages& ScriptedMessages::answerFont(const Msg::FontChoice& font) {
    fonts_.enqueue(font);
    return *this;
}

ScriptedMessages::~ScriptedMessages() {
    Msg::setHandler(previous_);
    Msg::setInputHandler(previousInput_);
    Msg::setFileHandler(previousFile_);
    Msg::setColourHandler(previousColour_);
    Msg::setFontHandler(previousFont_);
}

ScriptedMessages& ScriptedMessages::answerFiles(const QStringList& paths) {
    files_.enqueue(paths);
    return *this;
}

ScriptedMessages& ScriptedMessages::answer(Msg::Answer a) {
    answers_.enqueue(a);
    return *this;
}

ScriptedMessages& ScriptedMessages::answerInput(const QString& text, bool accepted) {
    inputs_.enqueue({text, accepted});
    return *this;
}

QStringList ScriptedMessages::texts() const {
    QStringList out;
    for (const Msg::Request& r : shown_)
        out << r.text;
    return out;
}

bool ScriptedMessages::sawText(const QString& part) const {
    for (const Msg::Request& r : shown_)
        if (r.text.contains(part))
            return true;
    return false;
}

void ScriptedMessages::clear() {
    answers_.clear();
    inputs_.clear();
    files_.clear();
    colours_.clear();
    fonts_.clear();
    shown_.clear();
    fileRequests_.clear();
}
