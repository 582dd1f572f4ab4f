#include "ui/form1.h"
#include "ui/flag_scope.h"

#include "app/app_title.h"
#include "app/blocking_call.h"
#include "app/error_report.h"
#include "app/files.h"
#include "app/look_and_feel.h"
#include "app/messages.h"
#include "app/settings_store.h"
#include "app/twips.h"
#include "app/window_system.h"
#include "db/oracle.h"
#include "ui/form2.h"
#include "ui/program_icon.h"
#include "ui/sid_help.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTimer>

namespace {

Steps Form1Steps(const char* procedure) {
    return ReportingSteps(QStringLiteral("Form1"), QLatin1String(procedure));
}

// How long the start-up check may take before the connection window shows, busy, instead of
// nothing being on screen.
constexpr int RevealAfterMs = 200;

void Remember(const char* key, const QString& value) {
    SaveSetting(QLatin1String(SettingsAppName), QLatin1String(SettingsSection), QLatin1String(key),
                value);
}

QString Remembered(const char* key) {
    return GetSetting(QLatin1String(SettingsAppName), QLatin1String(SettingsSection),
                      QLatin1String(key));
}

void SelectWholeText(QLineEdit* box) {
    box->selectAll();
    // A click that brought the focus places the cursor after this; select again after it.
    QMetaObject::invokeMethod(box, &QLineEdit::selectAll, Qt::QueuedConnection);
}

} // namespace

Form1::Form1() : pointer_(this) {
    BuildControls();
    ConnectControls();
    CentreOnScreen(this);
}

Form1::~Form1() {
    delete form2_;
}

void Form1::ConnectControls() {
    connect(Text1, &QLineEdit::textChanged, this, &Form1::Text1_Change);
    connect(Text2, &QLineEdit::textChanged, this, &Form1::Text2_Change);
    connect(Text3, &QLineEdit::textChanged, this, &Form1::Text3_Change);
    for (QLineEdit* box : {Text1, Text2, Text3})
        box->installEventFilter(this);
    connect(PushButton1, &QPushButton::clicked, this, &Form1::PushButton1_Click);
    connect(PushButton3, &QPushButton::clicked, this, &Form1::PushButton3_Click);
    connect(PushButton5, &QPushButton::clicked, this, &Form1::PushButton5_Click);
    connect(PushButton6, &QPushButton::clicked, this, &Form1::PushButton6_Click);
}

void Form1::Form_Load() {
    Steps steps = Form1Steps("Form_Load");
    steps.Run(100, [&] { ApplySkin(this); });
    steps.Run(104, [&] { setWindowTitle(QString::fromUtf8(ProductName)); });
    steps.Run(104, [&] { setWindowIcon(ProgramIcon()); });
    steps.Run(104, [&] { SetApplicationTitle(); });
    if (steps.Test(124, [&] { return FileExists(HandCursorPath()); }))
        steps.Run(126, [&] { pointer_.LoadHand(HandCursorPath()); });
    steps.Run(128, [&] { Text1->setText(Remembered(KeyOracleSid)); });
    steps.Run(130, [&] { Text2->setText(Remembered(KeyOracleUser)); });
    steps.Run(132, [&] { Text3->setText(Remembered(KeyOraclePassword)); });
    bool connects = false;
    steps.Run(134, [&] {
        // A slow or silent server: the connection window comes up busy while the check waits.
        QTimer reveal;
        reveal.setSingleShot(true);
        connect(&reveal, &QTimer::timeout, this, [this] {
            pointer_.Set(WindowPointer::Busy);
            show();
        });
        reveal.start(RevealAfterMs);
        const auto settle = qScopeGuard([&] {
            reveal.stop();
            if (pointer_.Setting() == WindowPointer::Busy)
                pointer_.Set(WindowPointer::Default);
        });
        connects = CanConnect();
    });
    if (!connects)
        return; // the connection window is the one shown
    steps.Run(136, [&] { ShowWorkWindow(); });
    steps.Run(138, [&] { hide(); });
}

void Form1::Text1_Change() {
    Remember(KeyOracleSid, Text1->text());
}
void Form1::Text2_Change() {
    Remember(KeyOracleUser, Text2->text());
}
void Form1::Text3_Change() {
    Remember(KeyOraclePassword, Text3->text());
}
void Form1::Text1_GotFocus() {
    SelectWholeText(Text1);
}
void Form1::Text2_GotFocus() {
    SelectWholeText(Text2);
}
void Form1::Text3_GotFocus() {
    SelectWholeText(Text3);
}

void Form1::ShowSidHelp(Steps& steps) {
    QString text;
    steps.Run(100, [&] { text = SidHelp::Introduction(); });
    steps.Run(102, [&] { text += SidHelp::Break(); });
    const QStringList lines = SidHelp::SampleLines();
    QStringList sample;
    for (int i = 0; i < lines.size(); ++i)
        steps.Run(104 + 2 * i, [&] { sample.append(lines.at(i)); });
    steps.Run(122, [&] { text += SidHelp::JoinSample(sample) + SidHelp::Break(); });
    steps.Run(124, [&] { text += SidHelp::Conclusion(); });
    steps.Run(126, [&] { ShowMessage(text); });
}

void Form1::PushButton1_Click() {
    if (Busy())
        return;
    Steps steps = Form1Steps("PushButton1_Click");
    ShowSidHelp(steps);
}

void Form1::PushButton6_Click() {
    if (Busy())
        return;
    Steps steps = Form1Steps("PushButton6_Click");
    ShowSidHelp(steps);
    steps.Run(128, [&] { ShowMessage(SidHelp::ClobNote()); });
}

void Form1::PushButton3_Click() {
    if (Busy())
        return; // a check waits, or the work window is listing or running: no reload under it
    Steps steps = Form1Steps("PushButton3_Click");
    bool connects = false;
    steps.Run(100, [&] {
        pointer_.Set(WindowPointer::Busy);
        const auto settle = qScopeGuard([&] { pointer_.Set(WindowPointer::Default); });
        connects = CanConnect();
    });
    if (!connects)
        return; // no message: "Test Connection" is where the user learns why
    const bool created = form2_ == nullptr;
    steps.Run(102, [&] { ShowWorkWindow(); });
    steps.Run(104, [&] { hide(); });
    if (!created) // a new work window has just loaded its contents
        steps.Run(106, [&] { form2_->Form_Load(); });
}

void Form1::PushButton5_Click() {
    if (Busy())
        return;
    Steps steps = Form1Steps("PushButton5_Click");
    steps.Run(104, [&] { pointer_.Set(WindowPointer::Busy); });
    bool connected = false;
    steps.Run(108, [&] {
        FlagScope checking(checking_);
        const ConnectionProfile profile = Profile();
        WaitOffThread([&] { connected = Oracle::ConnectionTestSucceeds(profile); });
    });
    ShowMessage(connected
                    ? QStringLiteral("Connection successful.")
                    : QStringLiteral("Could not connect. Please check with your administrator."));
    pointer_.Set(WindowPointer::Default);
}

ConnectionProfile Form1::Profile() const {
    return ConnectionProfile{Text1->text(), Text2->text(), Text3->text()};
}

bool Form1::CanConnect() {
    FlagScope checking(checking_);
    const ConnectionProfile profile = Profile();
    bool connects = false;
    WaitOffThread([&] { connects = Oracle::CanConnect(profile); });
    return connects;
}

bool Form1::Busy() const {
    return checking_ || (form2_ && form2_->Busy());
}

void Form1::ShowWorkWindow() {
    if (!form2_) {
        form2_ = new Form2(this);
        form2_->Form_Load();
    }
    form2_->show();
}

void Form1::closeEvent(QCloseEvent* event) {
    event->accept();
    EndProgram();
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        if (watched == Text1)
            Text1_GotFocus();
        else if (watched == Text2)
            Text2_GotFocus();
        else if (watched == Text3)
            Text3_GotFocus();
    }
    return QWidget::eventFilter(watched, event);
}
