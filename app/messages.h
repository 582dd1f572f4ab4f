#pragma once

#include <QString>
#include <functional>

// The one seam through which every message box is shown. Tests install a sink and read
// what would have been shown instead of blocking on a modal box.

enum class MessageIcon { None, Warning };

struct Message {
    QString text;
    QString title;
    MessageIcon icon = MessageIcon::None;
};

// An application-modal box with one OK button; returns once it is dismissed.
void ShowMessage(const Message& message);

// A plain box titled with the application title, without icon.
void ShowMessage(const QString& text);

using MessageSink = std::function<void(const Message&)>;

// Replaces the message boxes by the sink (an empty sink brings the boxes back).
void SetMessageSink(MessageSink sink);
