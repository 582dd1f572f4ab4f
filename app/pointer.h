#pragma once

#include <QCursor>
#include <QObject>
#include <QString>

class QWidget;

// The pointer setting of one window: 0 the ordinary pointer, 11 busy, 99 the window's own
// hand. One setting governs the whole window; elements react to the pointer moving over
// them by changing it, but never while the window is busy.
class WindowPointer : public QObject {
public:
    static constexpr int Default = 0;
    static constexpr int Busy = 11;
    static constexpr int Hand = 99;

    explicit WindowPointer(QWidget* window);

    int Setting() const { return setting_; }
    void Set(int setting);

    // Loads a Windows cursor file as the window's hand; throws std::runtime_error when the
    // file cannot be read as a cursor. Without one, 99 shows the platform's pointing hand.
    void LoadHand(const QString& path);
    bool HasOwnHand() const { return hasOwnHand_; }

    // Moving over the element sets the window's setting to `setting` unless it is busy.
    void React(QWidget* element, int setting);
    // Moving over the element leaves the setting as it was.
    void Ignore(QWidget* element);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* window_;
    int setting_ = Default;
    QCursor hand_{Qt::PointingHandCursor};
    bool hasOwnHand_ = false;
};
