#pragma once

#include "app/pointer.h"
#include "db/connection_profile.h"

#include <QWidget>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class Form2;
class Steps;

// The connection window: entry, remembering and testing of the connection profile. Its
// three boxes are the program's one working copy of the profile.
class Form1 : public QWidget {
public:
    Form1();
    ~Form1() override;

    // The start-up: look, caption, icon, hand pointer, remembered profile, and the work
    // window when the profile connects.
    void Form_Load();

    void Text1_Change();
    void Text2_Change();
    void Text3_Change();
    void Text1_GotFocus();
    void Text2_GotFocus();
    void Text3_GotFocus();

    void PushButton1_Click(); // "?"
    void PushButton3_Click(); // "Next >"
    void PushButton5_Click(); // "Test Connection"
    void PushButton6_Click(); // "Help"

    // The profile as the boxes hold it now.
    ConnectionProfile Profile() const;
    // Asks off the window thread; the window keeps handling events meanwhile.
    bool CanConnect();
    // A connection check waits, or the work window is busy: the buttons start nothing.
    bool Busy() const;

    // The work window, created on first use.
    Form2* WorkWindow() const { return form2_; }
    WindowPointer& Pointer() { return pointer_; }

    QGroupBox* Frame1;
    QLineEdit* Text1;
    QPushButton* PushButton1;
    QLineEdit* Text2;
    QLineEdit* Text3;
    QPushButton* PushButton5;
    QPushButton* PushButton6;
    QPushButton* PushButton3;
    QLabel* Label4;
    QLabel* Label2;
    QLabel* Label1;

protected:
    void closeEvent(QCloseEvent* event) override; // Form_Unload
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void ConnectControls();
    // Shows the work window; the first showing creates it and runs its load.
    void ShowWorkWindow();
    // Steps of the SID help shared by "?" and "Help"; ends with the box at step 126.
    void ShowSidHelp(Steps& steps);

    WindowPointer pointer_;
    Form2* form2_ = nullptr;
    bool checking_ = false;
};
