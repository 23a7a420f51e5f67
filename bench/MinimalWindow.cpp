// The least a Qt Widgets program does to show a window: a main window with a label. The start-up
// benchmark measures Orvanel against it.
#include <QApplication>
#include <QLabel>
#include <QMainWindow>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Minimal"));
    window.setCentralWidget(new QLabel(QStringLiteral("A window and a label")));
    window.show();
    return QApplication::exec();
}
