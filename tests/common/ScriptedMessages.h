#pragma once

#include "MessageSeam.h"

#include <QList>
#include <QQueue>
#include <QStringList>

#include <utility>

// Answers message boxes and input prompts from a script while it lives, and
// records every one shown. A prompt with no scripted answer gets its
// default button; a chooser without one is cancelled.
class ScriptedMessages {
public:
    ScriptedMessages();
    ~ScriptedMessages();

    ScriptedMessages& answer(Msg::Answer a);
    ScriptedMessages& answerInput(const QString& text, bool accepted = true);
    // The next file chooser returns these paths (none: cancelled).
    ScriptedMessages& answerFiles(const QStringList& paths);
    const QList<Msg::FileRequest>& fileRequests() const { return fileRequests_; }
    // The next colour or font chooser picks this; without one it is cancelled.
    ScriptedMessages& answerColour(unsigned int colour);
    ScriptedMessages& answerFont(const Msg::FontChoice& font);

    const QList<Msg::Request>& shown() const { return shown_; }
    QStringList texts() const;
    bool sawText(const QString& part) const; // some message contained `part`
    void clear();

private:
    template <typename T> static bool take(QQueue<T>& queue, T* into) {
        if (queue.isEmpty())
            return false;
        *into = queue.dequeue();
        return true;
    }

    QQueue<Msg::Answer> answers_;
    QQueue<std::pair<QString, bool>> inputs_;
    QQueue<QStringList> files_;
    QQueue<unsigned int> colours_;
    QQueue<Msg::FontChoice> fonts_;
    Msg::ColourHandler previousColour_;
    Msg::FontHandler previousFont_;
    QList<Msg::Request> shown_;
    QList<Msg::FileRequest> fileRequests_;
    Msg::FileHandler previousFile_;
    Msg::Handler previous_;
    Msg::InputHandler previousInput_;
};
