#pragma once

#include <QString>
#include <functional>

// The one seam through which every message box is shown. Tests install a sink and read
// what would have been shown instead of blocking on a modal box.

enum class MessageIcon { None, Warning, Question };

enum class MessageButtons { Ok, YesNo };

struct Message {
    QString text;
    QString title;
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;
};

// An application-modal box with one OK button; returns once it is dismissed.
void ShowMessage(const Message& message);

// A plain box titled with the application title, without icon.
void ShowMessage(const QString& text);

// An application-modal question titled with the application title, with Yes and No (No is
// the default button and Esc answers it); true for Yes.
bool AskYesNo(const QString& text);

// Takes a box instead of showing it; for a question, returns the answer (true for Yes).
using MessageSink = std::function<bool(const Message&)>;

// Replaces the message boxes by the sink (an empty sink brings the boxes back).
void SetMessageSink(MessageSink sink);
