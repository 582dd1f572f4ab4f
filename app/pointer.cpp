#include "app/pointer.h"

#include <QAbstractScrollArea>
#include <QFile>
#include <QMouseEvent>
#include <QPixmap>
#include <QWidget>
#include <QtEndian>
#include <stdexcept>

namespace {

constexpr auto ReactionProperty = "pointerReaction";
constexpr auto PartProperty = "pointerPart";

// The hot spot of the first image of a .cur file (its directory entry keeps it where an
// icon keeps planes and bit count).
QPoint CursorHotSpot(const QByteArray& file) {
    if (file.size() < 22)
        return {};
    const auto* bytes = reinterpret_cast<const uchar*>(file.constData());
    return QPoint(qFromLittleEndian<quint16>(bytes + 10), qFromLittleEndian<quint16>(bytes + 12));
}

void Track(QWidget* element, QObject* filter, const QVariant& reaction) {
    element->setMouseTracking(true);
    element->setProperty(ReactionProperty, reaction);
    element->installEventFilter(filter);
}

} // namespace

WindowPointer::WindowPointer(QWidget* window) : QObject(window), window_(window) {}

void WindowPointer::Set(int setting) {
    setting_ = setting;
    switch (setting) {
    case Busy:
        window_->setCursor(Qt::WaitCursor);
        break;
    case Hand:
        window_->setCursor(hand_);
        break;
    default:
        window_->unsetCursor();
        break;
    }
}

void WindowPointer::LoadHand(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("File not found: " + path.toStdString());
    const QByteArray data = file.readAll();
    QPixmap image;
    if (!image.loadFromData(data, "CUR") && !image.loadFromData(data))
        throw std::runtime_error("Invalid picture");
    const QPoint hotSpot = CursorHotSpot(data);
    hand_ = QCursor(image, hotSpot.x(), hotSpot.y());
    hasOwnHand_ = true;
    if (setting_ == Hand)
        Set(Hand);
}

void WindowPointer::React(QWidget* element, int setting) {
    Track(element, this, setting);
    // A list's parts (items area, header, scroll bars) react as the list does, and keep their
    // own handling of the move, such as the header's resize pointer.
    if (qobject_cast<QAbstractScrollArea*>(element)) {
        for (QWidget* part : element->findChildren<QWidget*>()) {
            Track(part, this, setting);
            part->setProperty(PartProperty, true);
        }
    }
}

void WindowPointer::Ignore(QWidget* element) {
    // Without tracking the element swallows plain moves; they do not reach its container.
    element->setMouseTracking(false);
    element->setAttribute(Qt::WA_NoMousePropagation);
}

bool WindowPointer::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::MouseMove)
        return false;
    const QVariant reaction = watched->property(ReactionProperty);
    if (reaction.isValid() && setting_ != Busy && setting_ != reaction.toInt())
        Set(reaction.toInt());
    auto* move = static_cast<QMouseEvent*>(event);
    if (move->buttons() != Qt::NoButton || watched->property(PartProperty).toBool())
        return false; // a drag belongs to the element, and a part handles its own moves
    // The element's reaction is the whole answer: the move must not reach its container.
    move->accept();
    return true;
}
