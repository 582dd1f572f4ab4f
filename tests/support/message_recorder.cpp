#include "support/message_recorder.h"

MessageRecorder::MessageRecorder() {
    SetMessageSink([this](const Message& message) { messages_.append(message); });
}

MessageRecorder::~MessageRecorder() {
    SetMessageSink({});
}

QStringList MessageRecorder::texts() const {
    QStringList result;
    for (const Message& message : messages_)
        result.append(message.text);
    return result;
}
