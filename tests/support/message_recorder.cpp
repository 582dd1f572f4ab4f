#include "support/message_recorder.h"

#include <QtDebug>

namespace {

// Outside a recorder a message box would block the test forever: print it instead, so the
// test fails on what it did not expect rather than hanging.
bool PrintUnexpected(const Message& message) {
    qWarning().noquote() << "Unexpected message box:" << message.title << "|" << message.text;
    return false;
}

const bool installed = [] {
    SetMessageSink(PrintUnexpected);
    return true;
}();

} // namespace

MessageRecorder::MessageRecorder() {
    SetMessageSink([this](const Message& message) {
        messages_.append(message);
        return yes_;
    });
}

MessageRecorder::~MessageRecorder() {
    SetMessageSink(PrintUnexpected);
}

QStringList MessageRecorder::texts() const {
    QStringList result;
    for (const Message& message : messages_)
        result.append(message.text);
    return result;
}
