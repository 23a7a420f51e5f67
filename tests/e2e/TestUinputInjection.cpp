#include "fakes/RecordingKeyDevice.h"
#include "mapping/KeyNotation.h"
#include "platform/keymap/XkbKeymap.h"
#include "platform/uinput/EvdevKeyDevice.h"
#include "platform/uinput/UinputKeyInjector.h"

#include <QtTest>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <libevdev/libevdev.h>
#include <poll.h>
#include <unistd.h>

using namespace orvanel;

// The virtual keyboard on the machine's own /dev/uinput: the key events the kernel's event device
// hands to the desktop, read back and put through the same keyboard map, give the text sent. (An X
// server of the tests' own reads no input devices, so the kernel's device is where the keys are seen.)
class TestUinputInjection : public QObject
{
    Q_OBJECT

private slots:
    void kernelDeviceCarriesTheText();
};

void TestUinputInjection::kernelDeviceCarriesTheText()
{
    std::string error;
    const auto keymap = XkbKeymap::compile({{}, "es", {}, {}}, error);
    QVERIFY2(keymap, error.c_str());
    KeyboardLayout layout = keymap->layout();
    EvdevKeyDevice::Opened opened =
        EvdevKeyDevice::open(EvdevKeyDevice::defaultPath, UinputKeyInjector::keyCodes(layout));
    if (!opened.device)
        QSKIP(qPrintable(
            QStringLiteral("no virtual keyboard on this machine: %1: %2")
                .arg(QLatin1String(EvdevKeyDevice::defaultPath), QString::fromLocal8Bit(std::strerror(opened.error)))));
    const QString node = QString::fromStdString(opened.device->eventDevice());
    QVERIFY(!node.isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(node), 5000);
    const int fd = ::open(node.toLocal8Bit().constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        QSKIP(qPrintable(QStringLiteral("cannot read %1: %2").arg(node, QString::fromLocal8Bit(std::strerror(errno)))));
    libevdev* reader = nullptr;
    QCOMPARE(libevdev_new_from_fd(fd, &reader), 0);
    // Held by the test alone, so the keys do not reach the desktop's focused window as well.
    QCOMPARE(libevdev_grab(reader, LIBEVDEV_GRAB), 0);

    UinputKeyInjector injector(std::move(layout), "es", std::move(opened.device), nullptr, 0, {});
    const KeyNotationResult keys = parseKeyNotation("+hola ñÑ€@{ENTER}");
    QVERIFY(keys.ok);
    injector.send(keys.keys);

    const QString expected = QStringLiteral("Hola ñÑ€@\r");
    std::vector<test::Written> events;
    QDeadlineTimer deadline(5000);
    while (test::typedText(*keymap, events) != expected && !deadline.hasExpired()) {
        pollfd ready{fd, POLLIN, 0};
        ::poll(&ready, 1, static_cast<int>(deadline.remainingTime()));
        input_event event{};
        while (libevdev_next_event(reader, LIBEVDEV_READ_FLAG_NORMAL, &event) == LIBEVDEV_READ_STATUS_SUCCESS) {
            if (event.type == EV_KEY && event.value != 2)
                events.push_back({event.code, event.value == 1});
        }
    }
    libevdev_free(reader);
    ::close(fd);
    QCOMPARE(test::typedText(*keymap, events), expected);
}

QTEST_GUILESS_MAIN(TestUinputInjection)
#include "TestUinputInjection.moc"
