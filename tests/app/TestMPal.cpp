#include "app/Artwork.h"
#include "app/DesktopRace.h"
#include "app/MPal.h"
#include "fakes/FakeBridge.h"
#include "fakes/RecordingServices.h"
#include "platform/posix/PosixFiles.h"
#include "storage/StorageTestSupport.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QtTest>

using namespace orvanel;
using namespace orvanel::test;

namespace {

struct FileDialogAnswer
{
    QString title;
    QString folder;   // where the dialog opened
    QString proposed; // the file the dialog offered
};
using FileDialogSeen = std::shared_ptr<FileDialogAnswer>;

// Answers the next file dialog as the user would, with path, or cancels it when path is empty.
FileDialogSeen answerNextFileDialog(const QString& path)
{
    auto seen = std::make_shared<FileDialogAnswer>();
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, seen, path] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        // Stopped at once: a nested dialog's event loop would not delete it in time.
        poll->stop();
        poll->deleteLater();
        seen->title = dialog->windowTitle();
        seen->folder = dialog->directory().absolutePath();
        auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
        seen->proposed = name && !name->text().isEmpty() ? dialog->directory().filePath(name->text()) : QString();
        if (path.isEmpty()) {
            dialog->reject();
            return;
        }
        // As typed into the name box: typing there drops the list's selection of the proposed file.
        dialog->findChild<QAbstractItemView*>("listView")->clearSelection();
        name->setText(path);
        QMetaObject::invokeMethod(dialog, "accept");
    });
    poll->start(10);
    return seen;
}

} // namespace

class TestMPal : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void firstShownState();
    void layoutInTwips_data();
    void layoutInTwips();
    void captionsFitTheirBoxes();
    void tabOrder();
    void menuTree();
    void menuCommandsChangeTheTableAndPostNothing();
    void typingChangesTheRowAtOnce();
    void statusClearsAfterItsDelay();
    void startAndStopSwitchTheControls();
    void passingTypesTheRowKey();
    void leavingThePortListReconnects();
    void readAndProgramButtons();
    void linkLostShowsCommunicationError();
    void resizingMovesNothing();
    void portKeptInItsFile();
    void idListsThroughTheDialogs_data();
    void anotherUsersPortFileIsNotUsed();
    void idListsThroughTheDialogs();
    void closingReleasesTheBridgeButNotOtherWindows();
    void artwork();

private:
    template <typename T> T* child(const char* name) const
    {
        T* w = m_window->findChild<T*>(QString::fromLatin1(name));
        if (!w)
            qFatal("no control %s", name);
        return w;
    }
    QLineEdit* box(const char* column, int i) const
    {
        return child<QLineEdit>((std::string(column) + "_" + std::to_string(i)).c_str());
    }
    QString status() const { return child<QLabel>("Label1")->text(); }
    void create(const RaceOptions& race = {}, const MPal::Options& window = {});

    FakeBridge* m_bridge = nullptr;
    RecordingKeyInjector m_keys;
    CountingBeeper m_beeper;
    PosixFiles m_files;
    std::unique_ptr<MPal> m_window;
    std::unique_ptr<FakeBridge> m_pendingBridge;
};

void TestMPal::init()
{
    m_pendingBridge = std::make_unique<FakeBridge>();
    m_bridge = m_pendingBridge.get();
    m_keys.sent.clear();
    m_beeper.beeps = 0;
}

void TestMPal::cleanup()
{
    m_window.reset();
}

void TestMPal::create(const RaceOptions& race, const MPal::Options& window)
{
    m_window =
        std::make_unique<MPal>(createDesktopRace(std::move(m_pendingBridge), m_keys, m_beeper, m_files, race), window);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void TestMPal::firstShownState()
{
    create();
    QCOMPARE(m_window->windowTitle(), QString("Orvanel"));
    for (int i = 0; i < 12; ++i) {
        QVERIFY(box("Text2", i)->text().isEmpty());
        QVERIFY(box("Text3", i)->text().isEmpty());
        QVERIFY(box("Text2", i)->isEnabled());
    }
    QVERIFY(child<QLineEdit>("Text1")->text().isEmpty());
    QVERIFY(!child<QCheckBox>("Check1")->isChecked());
    QVERIFY(!child<QPushButton>("Command2")->isEnabled());
    for (const char* name : {"Command1", "Command4", "Command5", "Check1", "Text1", "Ccom"})
        QVERIFY2(child<QWidget>(name)->isEnabled(), name);
    auto* ccom = child<QComboBox>("Ccom");
    QCOMPARE(ccom->count(), 6);
    QCOMPARE(ccom->currentIndex(), 0);
    for (int i = 0; i < 6; ++i) {
        QCOMPARE(ccom->itemText(i), QStringLiteral("COM %1").arg(i + 1));
        QCOMPARE(ccom->itemData(i).toInt(), i + 1);
    }
    // The load connected COM 1 and told the user.
    QCOMPARE(m_bridge->calls, (std::vector<std::string>{"ClosePort", "OpenPort 1", "ReadTransponder"}));
    QCOMPARE(status(), QString("Conexión Establecida"));
    QVERIFY(!child<QWidget>("Ccom")->hasFocus());
}

void TestMPal::layoutInTwips_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("twips");
    QTest::newRow("Frame1") << "Frame1" << QRect(240, 240, 2415, 1815);
    QTest::newRow("Label1") << "Label1" << QRect(3000, 840, 5295, 615);
    QTest::newRow("Ccom") << "Ccom" << QRect(8880, 840, 975, 315);
    QTest::newRow("Frame2") << "Frame2" << QRect(5880, 1920, 3615, 1815);
    QTest::newRow("Frame3") << "Frame3" << QRect(120, 2160, 5535, 4215);
    QTest::newRow("Picture1") << "Picture1" << QRect(6360, 3960, 3015, 2175);
    QTest::newRow("Command1") << "Command1" << QRect(240, 360, 1935, 495);
    QTest::newRow("Command2") << "Command2" << QRect(240, 1080, 1935, 495);
    QTest::newRow("Command4") << "Command4" << QRect(240, 360, 1695, 495);
    QTest::newRow("Text1") << "Text1" << QRect(2280, 360, 1095, 375);
    QTest::newRow("Command5") << "Command5" << QRect(240, 1080, 1695, 495);
    QTest::newRow("Text2_0") << "Text2_0" << QRect(480, 600, 495, 345);
    QTest::newRow("Text2_11") << "Text2_11" << QRect(3120, 600 + 480 * 5, 495, 345);
    QTest::newRow("Text3_5") << "Text3_5" << QRect(1440, 600 + 480 * 5, 975, 375);
    QTest::newRow("Text3_6") << "Text3_6" << QRect(4080, 600, 975, 375);
    QTest::newRow("Check1") << "Check1" << QRect(480, 3600, 1695, 375);
    QTest::newRow("Label6") << "Label6" << QRect(4080, 240, 975, 255);
}

void TestMPal::layoutInTwips()
{
    QFETCH(QString, name);
    QFETCH(QRect, twips);
    create();
    const QRect g = child<QWidget>(name.toLatin1().constData())->geometry();
    auto near = [](int pixels, int tw) { return std::abs(pixels * 15 - tw) <= 15; };
    QVERIFY2(
        near(g.x(), twips.x()) && near(g.y(), twips.y()) && near(g.width(), twips.width()) &&
            near(g.height(), twips.height()),
        qPrintable(
            QStringLiteral("%1 at %2,%3 %4x%5 px").arg(name).arg(g.x()).arg(g.y()).arg(g.width()).arg(g.height())));
    QCOMPARE(m_window->centralWidget()->size(), QSize(686, 429));
}

void TestMPal::captionsFitTheirBoxes()
{
    create();
    for (const char* name : {"Command1", "Command2", "Command4", "Command5"}) {
        auto* b = child<QPushButton>(name);
        QVERIFY2(b->fontMetrics().horizontalAdvance(b->text()) + 8 <= b->width(), name);
    }
    for (const char* name : {"Frame1", "Frame2", "Frame3"}) {
        auto* f = child<QGroupBox>(name);
        QVERIFY2(f->fontMetrics().horizontalAdvance(f->title()) + 16 <= f->width(), name);
    }
    for (const char* name : {"Label3", "Label4", "Label5", "Label6"}) {
        auto* l = child<QLabel>(name);
        QVERIFY(l->font().bold() && l->font().underline());
        QVERIFY2(l->fontMetrics().horizontalAdvance(l->text()) <= l->width(), name);
    }
    // The check box's caption wraps onto two lines inside its box.
    auto* check = child<QCheckBox>("Check1");
    const QRect needed =
        check->fontMetrics().boundingRect(QRect(0, 0, check->width() - 20, 1000), Qt::TextWordWrap, check->text());
    QVERIFY2(needed.height() <= check->height(),
             qPrintable(QStringLiteral("needs %1x%2").arg(needed.width()).arg(needed.height())));
    auto* label1 = child<QLabel>("Label1");
    QCOMPARE(label1->font().pointSizeF(), 13.5);
    for (const char* text : {"Sin comunicación con el puente", "Error en el registro de pasadas"})
        QVERIFY2(label1->fontMetrics().horizontalAdvance(QString::fromUtf8(text)) <= label1->width(), text);
    QVERIFY(child<QPushButton>("Command1")->font().bold());
    QCOMPARE(child<QPushButton>("Command1")->font().pointSizeF(), 12.0);
}

void TestMPal::tabOrder()
{
    create();
    QStringList expected;
    for (int i = 0; i < 12; ++i)
        expected << QStringLiteral("Text2_%1").arg(i);
    for (int i = 0; i < 12; ++i)
        expected << QStringLiteral("Text3_%1").arg(i);
    expected << "Command4"
             << "Text1"
             << "Command5"
             << "Command1"
             << "Command2"
             << "Ccom"
             << "Check1";
    // Stop takes the focus only while enabled.
    child<QPushButton>("Command2")->setEnabled(true);

    QWidget* w = box("Text2", 0);
    QStringList seen;
    for (int i = 0; i < expected.size(); ++i) {
        seen << w->objectName();
        w = w->nextInFocusChain();
        while (!(w->focusPolicy() & Qt::TabFocus) || !w->isEnabled() || !w->isVisible())
            w = w->nextInFocusChain();
    }
    QCOMPARE(seen, expected);
}

void TestMPal::menuTree()
{
    create();
    const QList<QAction*> bar = m_window->menuBar()->actions();
    QCOMPARE(bar.size(), 2);
    QCOMPARE(bar[0]->text(), QString("Menú"));
    QCOMPARE(bar[1]->text(), QString("?"));
    QVERIFY(bar[1]->menu() == nullptr);
    QStringList captions;
    QStringList names;
    for (QAction* a : bar[0]->menu()->actions()) {
        captions << a->text();
        names << a->objectName();
        QVERIFY(a->isEnabled());
        QVERIFY(!a->isSeparator());
        QVERIFY(a->shortcut().isEmpty());
    }
    QCOMPARE(captions,
             (QStringList{"Borrar IDs", "Key-S = 1-0", "Key-S = F1-F12", "Borrar Key-S", "Cargar IDs", "Guardar IDs"}));
    QCOMPARE(names, (QStringList{"MBorrarIds", "MKeyS10", "MKeySF1F12", "MBorrarKeyS", "MCargarIds", "MGuardarIds"}));
}

void TestMPal::menuCommandsChangeTheTableAndPostNothing()
{
    create();
    const QString before = status();
    QTest::keyClicks(box("Text2", 2), "44");
    const struct
    {
        const char* action;
        const char* column;
        int row;
        const char* shown;
    } steps[] = {{"MKeySF1F12", "Text3", 11, "{F12}"},
                 {"MKeyS10", "Text3", 9, "10"},
                 {"MBorrarIds", "Text2", 2, ""},
                 {"MBorrarKeyS", "Text3", 0, ""}};
    for (const auto& step : steps) {
        m_window->findChild<QAction*>(step.action)->trigger();
        QCOMPARE(box(step.column, step.row)->text(), QString(step.shown));
    }
    QCOMPARE(status(), before);
}

void TestMPal::typingChangesTheRowAtOnce()
{
    create();
    QTest::keyClicks(box("Text2", 7), "12");
    QTest::keyClicks(box("Text3", 7), "{F7}");
    QCOMPARE(m_window->race().table().row(7).IdText, std::string("12"));
    QCOMPARE(m_window->race().table().row(7).KeyText, std::string("{F7}"));
    // Every way of editing counts, undo included.
    box("Text3", 7)->undo();
    QCOMPARE(m_window->race().table().row(7).KeyText, box("Text3", 7)->text().toStdString());
    box("Text2", 7)->insert(QStringLiteral("ñ"));
    QCOMPARE(m_window->race().table().row(7).IdText, std::string("12ñ"));
}

void TestMPal::statusClearsAfterItsDelay()
{
    RaceOptions race;
    race.statusDelayMs = 150;
    create(race);
    QCOMPARE(status(), QString("Conexión Establecida"));
    QTRY_COMPARE_WITH_TIMEOUT(status(), QString(), 5000);
}

void TestMPal::startAndStopSwitchTheControls()
{
    create();
    m_bridge->readResult = kNoTransponder;
    QTest::mouseClick(child<QPushButton>("Command1"), Qt::LeftButton);
    QCOMPARE(m_bridge->calls.back(), std::string("StartDetection"));
    for (const char* name : {"Frame3", "Frame2", "Command1", "Ccom"})
        QVERIFY2(!child<QWidget>(name)->isEnabled(), name);
    QVERIFY(child<QWidget>("Command2")->isEnabled());
    QVERIFY(child<QWidget>("Frame1")->isEnabled());
    // The table's own flags are untouched: the frame blocks them.
    QVERIFY(child<QWidget>("Check1")->isEnabledTo(child<QWidget>("Frame3")));
    // Menus still act while running.
    m_window->findChild<QAction*>("MKeySF1F12")->trigger();
    QCOMPARE(box("Text3", 3)->text(), QString("{F4}"));

    QTest::mouseClick(child<QPushButton>("Command2"), Qt::LeftButton);
    QCOMPARE(m_bridge->calls.back(), std::string("StopDetection"));
    for (const char* name : {"Frame3", "Frame2", "Command1", "Ccom"})
        QVERIFY2(child<QWidget>(name)->isEnabled(), name);
    QVERIFY(!child<QWidget>("Command2")->isEnabled());
    QVERIFY(!child<QWidget>("Ccom")->hasFocus());
}

void TestMPal::passingTypesTheRowKey()
{
    create();
    m_window->findChild<QAction*>("MKeySF1F12")->trigger();
    QTest::keyClicks(box("Text2", 4), "21");
    QTest::mouseClick(child<QPushButton>("Command1"), Qt::LeftButton);
    // With the focus still on Orvanel the key would press its own buttons: it is kept back.
    QTRY_COMPARE(QApplication::activeWindow(), m_window.get());
    m_bridge->pass(21);
    QVERIFY(m_keys.sent.empty());
    QCOMPARE(status(), QString("Transponder ID =  21"));
    QVERIFY(child<QLabel>("Label1")->toolTip().contains("foco"));
    // The user puts the focus in the lap counter, another program.
    QApplication::setActiveWindow(nullptr);
    QTRY_COMPARE(QApplication::activeWindow(), nullptr);
    m_bridge->pass(21);
    QCOMPARE(m_keys.sent.size(), std::size_t(1));
    QCOMPARE(toString(m_keys.sent[0]), std::string("F5"));
    QCOMPARE(m_beeper.beeps, 2);
    // The auto-assign box as it was when Start was pressed.
    QTest::mouseClick(child<QPushButton>("Command2"), Qt::LeftButton);
    child<QCheckBox>("Check1")->setChecked(true);
    QTest::mouseClick(child<QPushButton>("Command1"), Qt::LeftButton);
    m_bridge->pass(99);
    QCOMPARE(box("Text2", 0)->text(), QString("99"));
    QCOMPARE(toString(m_keys.sent.back()), std::string("F1"));
}

void TestMPal::leavingThePortListReconnects()
{
    create();
    auto* ccom = child<QComboBox>("Ccom");
    ccom->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(ccom->hasFocus());
    ccom->setCurrentIndex(2);
    m_bridge->calls.clear();
    m_window->race().showStatus("x");
    // A click on Start takes the focus first: the list reconnects before Start runs.
    QTest::mouseClick(child<QPushButton>("Command1"), Qt::LeftButton);
    QCOMPARE(m_bridge->calls, (std::vector<std::string>{"ClosePort", "OpenPort 3", "ReadTransponder", "ReadTransponder",
                                                        "StartDetection"}));
    QCOMPARE(status(), QString("Conexión Establecida"));
}

void TestMPal::readAndProgramButtons()
{
    create();
    m_bridge->readResult = 123;
    QTest::mouseClick(child<QPushButton>("Command5"), Qt::LeftButton);
    QCOMPARE(status(), QString("Transponder ID =  123"));
    QTest::keyClicks(child<QLineEdit>("Text1"), "1 2x");
    QTest::mouseClick(child<QPushButton>("Command4"), Qt::LeftButton);
    QCOMPARE(m_bridge->written, std::vector<double>{12.0});
    QCOMPARE(status(), QString("Grabación Correcta"));
}

void TestMPal::linkLostShowsCommunicationError()
{
    create();
    auto* linkDot = child<QLabel>("linkDot");
    const auto dot = [linkDot] { return QColor(linkDot->pixmap().toImage().pixel(5, 5)); };
    QVERIFY(dot().green() > dot().red());
    QTest::mouseClick(child<QPushButton>("Command1"), Qt::LeftButton);
    m_bridge->loseLink();
    QCOMPARE(status(), QString("Error de Comunicación"));
    QVERIFY(dot().red() > dot().blue());
    // Still running: the link is being recovered, and Stop is what ends that.
    QVERIFY(child<QWidget>("Command2")->isEnabled());
    m_bridge->losePassings(2);
    QVERIFY(child<QLabel>("Label1")->toolTip().endsWith("2 pasadas perdidas"));
    QCOMPARE(linkDot->toolTip(), child<QLabel>("Label1")->toolTip());
    m_bridge->restoreLink();
    QCOMPARE(status(), QString("Conexión Establecida"));
    QVERIFY(dot().green() > dot().red());
    QCOMPARE(child<QLabel>("Label1")->toolTip(), QString("2 pasadas perdidas"));
    // On Wayland the way the keys go stays under whatever reason comes and goes.
    m_window->setKeysRoute("Teclas: teclado virtual");
    QCOMPARE(child<QLabel>("Label1")->toolTip(), QString("2 pasadas perdidas\n\nTeclas: teclado virtual"));
    static_cast<RaceView&>(*m_window).showReason({});
    QCOMPARE(child<QLabel>("Label1")->toolTip(), QString("Teclas: teclado virtual"));
}

void TestMPal::resizingMovesNothing()
{
    create();
    QVERIFY(!(m_window->windowFlags() & Qt::WindowMaximizeButtonHint));
    const QRect before = child<QWidget>("Frame2")->geometry();
    m_window->resize(m_window->width() + 200, m_window->height() + 100);
    QTRY_COMPARE(m_window->width(), 686 + 200);
    QCOMPARE(child<QWidget>("Frame2")->geometry(), before);
}

void TestMPal::portKeptInItsFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("config.cfg");
    QVERIFY(putFile(path, " 2 \r\n"));
    RaceOptions race;
    race.portSettingFile = local(path);
    MPal::Options window;
    window.ports.setDevice(3, "/dev/serial/by-id/usb-Maker_A-if00-port0");
    create(race, window);
    // Read before the first connection, which is made on the stored port.
    QCOMPARE(child<QComboBox>("Ccom")->currentIndex(), 2);
    // Each entry shows the device it opens, and so does the closed list.
    for (int i = 0; i < 6; ++i)
        QCOMPARE(child<QComboBox>("Ccom")->itemData(i, Qt::ToolTipRole).toString(),
                 i == 2 ? "/dev/serial/by-id/usb-Maker_A-if00-port0" : QStringLiteral("/dev/ttyS%1").arg(i));
    QCOMPARE(child<QComboBox>("Ccom")->toolTip(), "/dev/serial/by-id/usb-Maker_A-if00-port0");
    QCOMPARE(m_bridge->calls, (std::vector<std::string>{"ClosePort", "OpenPort 3", "ReadTransponder"}));
    child<QComboBox>("Ccom")->setCurrentIndex(4);
    QCOMPARE(child<QComboBox>("Ccom")->toolTip(), "/dev/ttyS4");
    m_window->close();
    QCOMPARE(contentsOf(path), QByteArray(" 4 \r\n"));
    // Neither Stop nor a port close runs on the way out.
    QCOMPARE(m_bridge->calls.back(), std::string("ReadTransponder"));
}

void TestMPal::idListsThroughTheDialogs_data()
{
    QTest::addColumn<bool>("fromTheMenu");
    QTest::newRow("terminal start") << false;
    QTest::newRow("desktop start") << true;
}

// Planted in a shared folder by another user: COM 1 as on a first run, the status line's tooltip
// says why for the whole run, and the file is left as it is.
void TestMPal::anotherUsersPortFileIsNotUsed()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("config.cfg");
    QVERIFY(putFile(path, " 3 \r\n"));
    if (const QString skip = giveToAnotherUser(path); !skip.isEmpty())
        QSKIP(qPrintable(skip));
    RaceOptions options;
    options.portSettingFile = local(path);
    options.untrustedSettings = "orvanel.conf: es de otro usuario (ana); no se tiene en cuenta";
    create(options);
    QCOMPARE(child<QComboBox>("Ccom")->currentIndex(), 0);
    const QStringList tooltip = child<QLabel>("Label1")->toolTip().split('\n');
    QCOMPARE(tooltip.size(), 2);
    QCOMPARE(tooltip[0], QString::fromStdString(options.untrustedSettings));
    QVERIFY2(tooltip[1].startsWith(path + ": es de otro usuario ("), qPrintable(tooltip[1]));
    m_window->close();
    QCOMPARE(contentsOf(path), QByteArray(" 3 \r\n"));
}

void TestMPal::idListsThroughTheDialogs()
{
    QFETCH(bool, fromTheMenu);
    QTemporaryDir dir;
    const QString documents = dir.filePath("Documentos");
    QVERIFY(QDir().mkdir(documents));
    MPal::Options window;
    if (fromTheMenu)
        window.fileDialogFolder = local(documents);
    create({}, window);
    const QString path = dir.filePath("coches.txt");
    box("Text2", 3)->setText("1,2");
    const auto menu = [this](const char* name) { child<QAction>(name)->trigger(); };

    FileDialogSeen seen = answerNextFileDialog(path);
    menu("MGuardarIds");
    QCOMPARE(seen->title, QString("Guardar IDs"));
    // A desktop start works in the hidden settings folder, which is no place for the user's files.
    QCOMPARE(seen->folder, fromTheMenu ? documents : QDir::currentPath());
    QCOMPARE(seen->proposed, QString());

    menu("MBorrarIds");
    seen = answerNextFileDialog(path);
    menu("MCargarIds");
    QCOMPARE(seen->title, QString("Cargar IDs"));
    QCOMPARE(seen->proposed, path);
    QCOMPARE(box("Text2", 3)->text(), QString("1,2"));
    // Cancelling changes nothing.
    box("Text2", 3)->setText("8");
    answerNextFileDialog(QString());
    menu("MCargarIds");
    QCOMPARE(box("Text2", 3)->text(), QString("8"));

    // The longest ID a file may hold fits its box whole, and is saved whole.
    const QByteArray longest(32767, '9');
    const QString longList = dir.filePath("largo.txt");
    QVERIFY(putFile(longList, longest));
    answerNextFileDialog(longList);
    menu("MCargarIds");
    QCOMPARE(box("Text2", 0)->text().size(), longest.size());
    const QString saved = dir.filePath("guardado.txt");
    answerNextFileDialog(saved);
    menu("MGuardarIds");
    QVERIFY(contentsOf(saved).startsWith(longest + "\r\n\r\n"));
}

void TestMPal::closingReleasesTheBridgeButNotOtherWindows()
{
    // As the program runs it: the window deletes itself on close, and with it the bridge control,
    // while another top-level window (the About window) keeps the program going.
    bool released = false;
    m_pendingBridge->destroyed = &released;
    auto* window = new MPal(createDesktopRace(std::move(m_pendingBridge), m_keys, m_beeper, m_files));
    window->setAttribute(Qt::WA_DeleteOnClose);
    QPointer<MPal> alive(window);
    QWidget other;
    other.show();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QSignalSpy quitting(qApp, &QCoreApplication::aboutToQuit);
    window->close();
    QTRY_VERIFY(alive.isNull());
    QVERIFY(released);
    QVERIFY(other.isVisible());
    QCOMPARE(quitting.count(), 0);
}

void TestMPal::artwork()
{
    const QImage picture = bridgePicture();
    QCOMPARE(picture.size(), QSize(200, 141));
    QCOMPARE(picture.format(), QImage::Format_Indexed8);
    QCOMPARE(picture.colorCount(), 216);
    const QList<QSize> sizes = orvanelIcon().availableSizes();
    QVERIFY(sizes.contains(QSize(16, 16)));
    QVERIFY(sizes.contains(QSize(32, 32)));
    // Drawn, not blank: the small icon still shows several colours.
    const QImage small = orvanelIconImage(16);
    QSet<QRgb> colours;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            colours.insert(small.pixel(x, y));
    QVERIFY(colours.size() >= 4);

    create();
    QVERIFY(!m_window->windowIcon().isNull());
    QCOMPARE(child<QLabel>("Picture1")->pixmap().size(), QSize(200, 141));
}

QTEST_MAIN(TestMPal)
#include "TestMPal.moc"
