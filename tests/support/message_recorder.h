#pragma once

#include "app/messages.h"

#include <QList>
#include <QStringList>

// Catches every message box for its lifetime instead of showing it; answers questions No
// unless told otherwise.
class MessageRecorder {
public:
    MessageRecorder();
    ~MessageRecorder();
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    const QList<Message>& messages() const { return messages_; }
    QStringList texts() const;
    void clear() { messages_.clear(); }
    // The answer to every later question.
    void answerYes(bool yes) { yes_ = yes; }

private:
    QList<Message> messages_;
    bool yes_ = false;
};
