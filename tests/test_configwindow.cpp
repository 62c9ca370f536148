// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Form1.h"
#include "ui/FrmAbout.h"
#include "ui/FrmSet.h"
#include "ui/Theme.h"

#include "config/ConfigSender.h"

#include "support/Frames.h"
#include "support/PseudoTerminal.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <QTextDocumentFragment>

namespace {

struct Rig {
    PseudoTerminal pty;
    PortTable table{[] { return QList<SystemSerialDevice>{}; }};
    Form1 form{table};

    Rig()
    {
        table.setMapping(7, pty.path());
        form.startUp();
        form.show();
    }
    void connect()
    {
        form.findChild<QComboBox*>("Combo1")->lineEdit()->setText(QStringLiteral("COM7"));
        form.findChild<QPushButton*>("Command1")->click();
    }
    FrmSet* openSet()
    {
        form.findChild<QPushButton*>("Command2")->click();
        return form.configWindow();
    }
    QByteArray sent;
    QByteArray drain()
    {
        sent += pty.readAvailable();
        return sent;
    }
};

template <typename T = QLineEdit> T* control(QWidget* window, const char* name)
{
    T* widget = window->findChild<T*>(QLatin1String(name));
    if (!widget)
        qFatal("no control %s", name);
    return widget;
}

} // namespace

class ConfigWindowTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { installClassicLook(); }

    void opensEmptyBesideTheMainWindow()
    {
        Rig rig;
        FrmSet* set = rig.openSet();
        QVERIFY(set);
        QCOMPARE(set->windowTitle(), QStringLiteral("FormSet"));
        // At its place, or moved just enough onto a screen too narrow for it.
        const QRect screen = set->screen()->availableGeometry();
        QCOMPARE(set->geometry(), screen.width() >= 883 ? QRect(501, 64, 382, 322) : QRect(screen.right() - 381, 64, 382, 322));
        // One surface: "Send", a group and a label inside it show the button face.
        const QColor buttonFace = systemColour(15);
        const QImage send = control<QPushButton>(set, "Command1")->grab().toImage();
        QCOMPARE(QColor(send.pixel(send.width() - 3, send.height() / 2)), buttonFace);
        const QImage relay = control<QWidget>(set, "Frame3")->grab().toImage();
        QCOMPARE(QColor(relay.pixel(30, 55)), buttonFace);
        QCOMPARE(QColor(relay.pixel(50, 20)), buttonFace);
        QCOMPARE(set->focusWidget(), control<QPushButton>(set, "Command1"));
        for (QLineEdit* input : set->findChildren<QLineEdit*>())
            QVERIFY(input->text().isEmpty());
        for (QRadioButton* option : set->findChildren<QRadioButton*>())
            QVERIFY(!option->isChecked());
        QCOMPARE(set->findChildren<QLineEdit*>().size(), 8);
        QCOMPARE(set->findChildren<QRadioButton*>().size(), 8);
        QCOMPARE(control<QLabel>(set, "Label18")->text(), QString::fromUtf8("จุดอุณหภูมิต่ำ="));

        QStringList order;
        QWidget* w = control<QPushButton>(set, "Command1");
        for (int i = 0; i < 16; ++i) {
            w = w->nextInFocusChain();
            while (w->focusPolicy() == Qt::NoFocus || w->objectName().isEmpty() || w->objectName().startsWith(u"qt_"))
                w = w->nextInFocusChain();
            order.append(w->objectName());
        }
        QCOMPARE(order, (QStringList{"Option5", "Option6", "Option7", "Option8", "Option9", "Option10", "Text1", "Text2",
                                     "Text3", "Text5", "Text6", "Text7", "Text8", "Option11", "Option12", "Text4"}));
    }

    // Half a number may stand while typing, but Send takes nothing to the line while one
    // stands: the result line names the input and why, in red.
    void sendRefusesHalfNumbers()
    {
        Rig rig;
        rig.connect();
        FrmSet* set = rig.openSet();
        auto* status = control<QLabel>(set, "lblCommandStatus");
        const std::initializer_list<std::tuple<const char*, const char*, const char*>> rows{
            {"Text5", "-", "Not sent: จุดอุณหภูมิต่ำ (low temperature point) \"-\" is not a complete number"},
            {"Text6", ".", "Not sent: จุดอุณหภูมิสูง (high temperature point) \".\" is not a complete number"},
            {"Text7", "-.", "Not sent: จุดความชื้นต่ำ (low humidity point) \"-.\" is not a complete number"},
            {"Text8", "2.", "Not sent: จุดความชื้นสูง (high humidity point) \"2.\" is not a complete number"},
            {"Text3", "-", "Not sent: PWM (PWM) \"-\" is not a complete number"},
            {"Text1", "-", "Not sent: Sensor No. (node number) \"-\" is not a complete number"},
        };
        for (const auto& [input, text, reason] : rows) {
            control(set, input)->setText(QLatin1String(text));
            control<QPushButton>(set, "Command1")->click();
            QCOMPARE(status->toolTip(), QString::fromUtf8(reason));
            QCOMPARE(status->palette().color(QPalette::WindowText), QColor(0xFF, 0x00, 0x00));
            QCOMPARE(rig.form.configSender().pending(), 0);
            control(set, input)->clear();
        }
        // Complete, the same numbers go: a sign and a point as typed.
        control(set, "Text5")->setText(QStringLiteral("-5"));
        control(set, "Text8")->setText(QStringLiteral("2.5"));
        control<QPushButton>(set, "Command1")->click();
        QCOMPARE(rig.form.configSender().pending(), 1);
        QVERIFY(rig.pty.write(typicalFrame()));
        QTRY_VERIFY(rig.drain().contains("@,,,-5,,,2.5,,,,,,1,1,\r\n"));
        QCOMPARE(rig.drain().count('@'), 1);
    }

    // A command the node did not take shows every difference on the result line, each
    // whole within the line's room.
    void theResultLineShowsEveryDifference()
    {
        Rig rig;
        rig.connect();
        FrmSet* set = rig.openSet();
        for (const auto& [input, value] : {std::pair{"Text5", "21"}, {"Text6", "31"}, {"Text7", "41"}, {"Text8", "81"}})
            control(set, input)->setText(QLatin1String(value));
        control<QPushButton>(set, "Command1")->click();
        for (int frame = 0; frame < 4; ++frame) {
            QVERIFY(rig.pty.write(typicalFrame())); // shows 20.0, 30.0, 40.0, 80.0
            QTest::qWait(350);
        }
        auto* status = control<QLabel>(set, "lblCommandStatus");
        QTRY_VERIFY(status->toolTip().contains(QStringLiteral("Not applied")));
        const QString shown = QTextDocumentFragment::fromHtml(status->text()).toPlainText();
        for (const char* difference : {"Low temperature point 20.0, not 21", "High temperature point 30.0, not 31",
                                       "Low humidity point 40.0, not 41", "High humidity point 80.0, not 81"})
            QVERIFY2(shown.contains(QLatin1String(difference)), qPrintable(shown));
        QVERIFY(status->fontMetrics().boundingRect(status->contentsRect(), Qt::TextWordWrap, shown).height() <= status->contentsRect().height());
        QCOMPARE(status->palette().color(QPalette::WindowText), QColor(0xFF, 0x00, 0x00));
    }

    // As a screen reader finds them: each input by its caption (Thai where the caption
    // is), described in English and labelled by the caption; options by group and caption;
    // the window a dialog; the one-pixel label out of sight.
    void screenReadersFindEachInputByItsCaption()
    {
        Rig rig;
        FrmSet* set = rig.openSet();
        const auto face = [](QObject* object) { return QAccessible::queryAccessibleInterface(object); };
        const std::initializer_list<std::tuple<const char*, const char*, const char*, const char*>> inputs{
            {"Text1", "Label14", "Sensor No.", "node number"},     {"Text2", "Label15", "Mode", "mode"},
            {"Text3", "Label16", "PWM", "PWM"},                    {"Text4", "Label1", "Max Sensor", "max sensor"},
            {"Text5", "Label18", "จุดอุณหภูมิต่ำ", "low temperature point"}, {"Text6", "Label19", "จุดอุณหภูมิสูง", "high temperature point"},
            {"Text7", "Label20", "จุดความชื้นต่ำ", "low humidity point"},  {"Text8", "Label21", "จุดความชื้นสูง", "high humidity point"},
        };
        for (const auto& [input, caption, name, description] : inputs) {
            QAccessibleInterface* field = face(control(set, input));
            QCOMPARE(field->role(), QAccessible::EditableText);
            QCOMPARE(field->text(QAccessible::Name), QString::fromUtf8(name));
            QVERIFY(field->text(QAccessible::Description).startsWith(QLatin1String(description)));
            const auto labels = field->relations(QAccessible::Label);
            QVERIFY2(std::any_of(labels.begin(), labels.end(), [&](const auto& relation) { return relation.first->object() == control<QLabel>(set, caption); }),
                     input);
        }
        QCOMPARE(face(control<QRadioButton>(set, "Option5"))->text(QAccessible::Name), QStringLiteral("Relay1 ON-1"));
        QCOMPARE(face(control<QRadioButton>(set, "Option12"))->text(QAccessible::Name), QStringLiteral("Temp-Hum Hot/Cold CC-00"));
        QCOMPARE(face(set)->role(), QAccessible::Dialog);
        QVERIFY(face(control<QLabel>(set, "Label23"))->state().invisible);
        rig.form.showAbout();
        QCOMPARE(face(rig.form.aboutWindow())->role(), QAccessible::Dialog);
    }

    void waitingCommandsCanBeCancelled()
    {
        Rig rig;
        FrmSet* set = rig.openSet();
        auto* status = control<QLabel>(set, "lblCommandStatus");
        control(set, "Text1")->setText(QStringLiteral("12"));
        control<QPushButton>(set, "Command1")->click();
        QCOMPARE(status->toolTip(), QStringLiteral("Waiting: the port is not open (1 queued)"));
        rig.connect();
        QTRY_COMPARE_WITH_TIMEOUT(status->toolTip(), QStringLiteral("Waiting for the node's next frame (1 queued)"), 1500);
        QVERIFY(status->text().contains(QStringLiteral("href")));
        Q_EMIT status->linkActivated(QStringLiteral("cancel"));
        QCOMPARE(rig.form.configSender().pending(), 0);
        QCOMPARE(status->toolTip(), QStringLiteral("Cancelled: nothing was sent"));
        QVERIFY(rig.pty.write(typicalFrame()));
        QTRY_COMPARE(rig.form.findChild<QLabel*>("Label1")->text(), QStringLiteral("25.3"));
        QTest::qWait(100);
        QCOMPARE(rig.drain(), QByteArray());
        // Its sequence number stays used: the next command is #2.
        control<QPushButton>(set, "Command1")->click();
        QVERIFY(rig.pty.write(typicalFrame()));
        QTRY_VERIFY(rig.drain().endsWith(",1,2,\r\n"));
    }

    void showingAgainKeepsOneWindowAndReopeningStartsEmpty()
    {
        Rig rig;
        FrmSet* set = rig.openSet();
        control(set, "Text1")->setText(QStringLiteral("12"));
        control<QRadioButton>(set, "Option6")->setChecked(true);
        QCOMPARE(rig.openSet(), set);
        QCOMPARE(control(set, "Text1")->text(), QStringLiteral("12"));
        const auto windows = QApplication::topLevelWidgets();
        QCOMPARE(std::count_if(windows.begin(), windows.end(), [](QWidget* w) { return qobject_cast<FrmSet*>(w) != nullptr; }), 1);
        set->close();
        QTRY_VERIFY(!rig.form.configWindow());
        FrmSet* again = rig.openSet();
        QVERIFY(control(again, "Text1")->text().isEmpty());
        QVERIFY(!control<QRadioButton>(again, "Option6")->isChecked());
    }

    void optionGroupsAreOneSelectionPerFrame()
    {
        Rig rig;
        FrmSet* set = rig.openSet();
        QTest::mouseClick(control<QRadioButton>(set, "Option5"), Qt::LeftButton, {}, QPoint(6, 6));
        QTest::mouseClick(control<QRadioButton>(set, "Option8"), Qt::LeftButton, {}, QPoint(6, 6));
        QTest::mouseClick(control<QRadioButton>(set, "Option11"), Qt::LeftButton, {}, QPoint(6, 6));
        QTest::mouseClick(control<QRadioButton>(set, "Option6"), Qt::LeftButton, {}, QPoint(6, 6));
        QVERIFY(!control<QRadioButton>(set, "Option5")->isChecked());
        QVERIFY(control<QRadioButton>(set, "Option6")->isChecked());
        QVERIFY(control<QRadioButton>(set, "Option8")->isChecked());
        QVERIFY(control<QRadioButton>(set, "Option11")->isChecked());
        // Clicking the selected one again does not return the group to none.
        QTest::mouseClick(control<QRadioButton>(set, "Option6"), Qt::LeftButton, {}, QPoint(6, 6));
        QVERIFY(control<QRadioButton>(set, "Option6")->isChecked());
    }

    void inputsAreCheckedAsTheUserTypes()
    {
        Rig rig;
        FrmSet* set = rig.openSet();
        QLineEdit* text1 = control(set, "Text1");
        QTest::keyClicks(text1, QStringLiteral("123"));
        QCOMPARE(text1->text(), QStringLiteral("123"));
        QTest::keyClicks(text1, QStringLiteral("4"));
        QCOMPARE(text1->text(), QString());
        QLineEdit* text5 = control(set, "Text5");
        QTest::keyClicks(text5, QStringLiteral("-9.5"));
        QCOMPARE(text5->text(), QStringLiteral("-9.5"));
        text5->setText(QStringLiteral("1.25"));
        text5->setCursorPosition(2);
        QTest::keyClick(text5, Qt::Key_Backspace);
        QCOMPARE(text5->text(), QString());
        QTest::keyClicks(text5, QStringLiteral("x"));
        QCOMPARE(text5->text(), QString());
        // A long paste into every input is emptied at once.
        QGuiApplication::clipboard()->setText(QString(10000, u'7'));
        for (QLineEdit* input : set->findChildren<QLineEdit*>()) {
            input->setFocus();
            input->paste();
            QVERIFY2(input->text().isEmpty(), qPrintable(input->objectName()));
        }
    }

    void sendWaitsForTheNextFrameAndClearsTheWindow()
    {
        Rig rig;
        rig.connect();
        FrmSet* set = rig.openSet();
        control(set, "Text1")->setText(QStringLiteral("5"));
        control(set, "Text4")->setText(QStringLiteral("8"));
        control(set, "Text5")->setText(QStringLiteral("20"));
        control(set, "Text6")->setText(QStringLiteral("30.5"));
        control(set, "Text7")->setText(QStringLiteral("40"));
        control(set, "Text8")->setText(QStringLiteral("80"));
        control(set, "Text3")->setText(QStringLiteral("128"));
        control(set, "Text2")->setText(QStringLiteral("2"));
        control<QRadioButton>(set, "Option9")->setChecked(true);
        control<QRadioButton>(set, "Option5")->setChecked(true);
        control<QRadioButton>(set, "Option8")->setChecked(true);
        QCOMPARE(rig.form.flagRxByte(), 0);
        control<QPushButton>(set, "Command1")->click();
        QTest::qWait(200);
        QCOMPARE(rig.drain(), QByteArray());
        QCOMPARE(control(set, "Text1")->text(), QStringLiteral("5")); // still waiting

        QElapsedTimer sinceFrame;
        QVERIFY(rig.pty.write(typicalFrame()));
        sinceFrame.start();
        QTRY_COMPARE(rig.drain(), QByteArray("@,5,8,20,30.5,40,80,11,1,0,128,2,1,1,\r\n"));
        QVERIFY(sinceFrame.elapsed() < 300);
        for (QLineEdit* input : set->findChildren<QLineEdit*>())
            QVERIFY(input->text().isEmpty());
        for (QRadioButton* option : set->findChildren<QRadioButton*>())
            QVERIFY(!option->isChecked());
        QVERIFY(set->isVisible());

        // While the window is open a press goes out at once.
        QCOMPARE(rig.form.flagRxByte(), 2);
        control<QPushButton>(set, "Command1")->click();
        QCOMPARE(rig.drain().mid(39), QByteArray("@,,,,,,,,,,,,1,2,\r\n"));
    }

    void waitingCommandsGoOutOnceEachInPressOrder()
    {
        Rig rig;
        FrmSet* set = rig.openSet();
        // Port closed: three presses wait.
        for (const char* node : {"1", "2", "3"}) {
            control(set, "Text1")->setText(QLatin1String(node));
            control<QPushButton>(set, "Command1")->click();
        }
        QCOMPARE(rig.form.configSender().pending(), 3);
        // Closing the window keeps them queued.
        set->close();
        QTRY_VERIFY(!rig.form.configWindow());
        rig.connect();
        QVERIFY(rig.pty.write(typicalFrame()));
        const QByteArray expected = "@,1,,,,,,,,,,,1,1,\r\n@,2,,,,,,,,,,,1,2,\r\n@,3,,,,,,,,,,,1,3,\r\n";
        QTRY_COMPARE(rig.drain(), expected);
        QVERIFY(rig.pty.write(typicalFrame()));
        QTest::qWait(100);
        QCOMPARE(rig.drain(), expected);
        // The sequence goes on after reopening.
        FrmSet* again = rig.openSet();
        QTRY_COMPARE(rig.form.flagRxByte(), 2);
        control<QPushButton>(again, "Command1")->click();
        QCOMPARE(rig.drain().mid(expected.size()), QByteArray("@,,,,,,,,,,,,1,4,\r\n"));
    }

    void allThreeWindowsStayUsable()
    {
        Rig rig;
        rig.connect();
        rig.openSet();
        rig.form.findChild<QAction*>("mnAbout")->trigger();
        FrmAbout* about = rig.form.aboutWindow();
        QVERIFY(about);
        QCOMPARE(about->windowTitle(), QStringLiteral("About"));
        QCOMPARE(about->size(), QSize(310, 130));
        QVERIFY(control<QLabel>(about, "Label1")->text().contains(QLatin1String(ZEQ_VERSION)));
        QVERIFY(!about->isModal() && !rig.form.configWindow()->isModal());
        rig.form.findChild<QAction*>("mnAbout")->trigger();
        QCOMPARE(rig.form.aboutWindow(), about);
        QVERIFY(rig.pty.write(typicalFrame()));
        QTRY_COMPARE(rig.form.findChild<QLabel*>("Label1")->text(), QStringLiteral("25.3"));
        QVERIFY(rig.form.isVisible() && about->isVisible() && rig.form.configWindow()->isVisible());
    }

    void exitWithManyQueuedCommandsEndsAtOnce()
    {
        auto rig = std::make_unique<Rig>();
        FrmSet* set = rig->openSet();
        for (int i = 0; i < 100; ++i)
            control<QPushButton>(set, "Command1")->click();
        QCOMPARE(rig->form.configSender().pending(), 100);
        QElapsedTimer elapsed;
        elapsed.start();
        control<QPushButton>(&rig->form, "Command3")->click();
        QVERIFY(!rig->form.isVisible());
        rig.reset();
        QVERIFY(elapsed.elapsed() < 1000);
    }
};

QTEST_MAIN(ConfigWindowTest)
#include "test_configwindow.moc"
