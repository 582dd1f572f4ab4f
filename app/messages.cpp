#include "app/messages.h"

#include "app/app_title.h"

#include <QApplication>
#include <QMessageBox>

namespace {
MessageSink& Sink() {
    static MessageSink sink;
    return sink;
}
} // namespace

void ShowMessage(const Message& message) {
    if (Sink()) {
        Sink()(message);
        return;
    }
    QMessageBox box(message.icon == MessageIcon::Warning ? QMessageBox::Warning
                                                         : QMessageBox::NoIcon,
                    message.title, message.text, QMessageBox::Ok, QApplication::activeWindow());
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

void ShowMessage(const QString& text) {
    ShowMessage(Message{text, ApplicationTitle()});
}

void SetMessageSink(MessageSink sink) {
    Sink() = std::move(sink);
}
