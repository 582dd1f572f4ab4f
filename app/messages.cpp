#include "app/messages.h"

#include "app/app_title.h"

#include <QApplication>
#include <QMessageBox>

namespace {
MessageSink& Sink() {
    static MessageSink sink;
    return sink;
}

QMessageBox::Icon BoxIcon(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Warning:
        return QMessageBox::Warning;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

// Shows the box, or hands it to the sink; true when Yes was chosen.
bool Present(const Message& message) {
    if (Sink())
        return Sink()(message);
    const bool question = message.buttons == MessageButtons::YesNo;
    QMessageBox box(BoxIcon(message.icon), message.title, message.text,
                    question ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok,
                    QApplication::activeWindow());
    if (question) {
        box.setDefaultButton(QMessageBox::No);
        box.setEscapeButton(QMessageBox::No);
    }
    box.setWindowModality(Qt::ApplicationModal);
    return box.exec() == QMessageBox::Yes;
}
} // namespace

void ShowMessage(const Message& message) {
    Present(message);
}

void ShowMessage(const QString& text) {
    ShowMessage(Message{text, ApplicationTitle()});
}

bool AskYesNo(const QString& text) {
    return Present(Message{text, ApplicationTitle(), MessageIcon::Question, MessageButtons::YesNo});
}

void SetMessageSink(MessageSink sink) {
    Sink() = std::move(sink);
}
