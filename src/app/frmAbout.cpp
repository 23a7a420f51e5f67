#include "app/frmAbout.h"

#include "about/AboutCaptions.h"
#include "app/Artwork.h"
#include "app/ClassicLayout.h"
#include "platform/x11/TaskbarHint.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>

namespace orvanel {

namespace {

QLabel* textLabel(QWidget* parent, const char* name, const QRect& geometry, const QString& text = {})
{
    auto* label = place(new QLabel(text, parent), name, geometry);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(true);
    return label;
}

void paintBlack(QLabel* label)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::black);
    label->setPalette(palette);
}

// One stroke of the etched separator.
void line(QWidget* parent, const char* name, const QRect& geometry, const QColor& colour)
{
    auto* stroke = place(new QWidget(parent), name, geometry);
    QPalette palette = stroke->palette();
    palette.setColor(QPalette::Window, colour);
    stroke->setPalette(palette);
    stroke->setAutoFillBackground(true);
}

} // namespace

frmAbout::frmAbout(SystemInfoServices& services)
    : m_messages(this, QString::fromStdString(orvanelIdentity().title)),
      m_systemInfo(*services.registry, *services.files, *services.launcher, m_messages)
{
    substituteDialogFont();
    setObjectName(QStringLiteral("frmAbout"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFont(dialogFont(8.25));
    // A fixed dialog border: a close box, nothing to minimize, maximize or resize.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(px(kClientWidthTwips), px(kClientHeightTwips));
    move(px(2340), px(1935));

    buildControls();
    Form_Load();
    cmdOK->setFocus(Qt::OtherFocusReason);

    // A window of its own, but no second button of the program on the task bar.
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 && x11->display())
        keepOffTaskbar(x11->display(), winId());
}

void frmAbout::buildControls()
{
    // In drawing order.
    picIcon = place(new QLabel(this), "picIcon", twips(120, 240, 1185, 495));
    picIcon->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    picIcon->setLineWidth(2);
    picIcon->setPixmap(QPixmap::fromImage(aboutPicture()));

    cmdOK = place(new QPushButton(QStringLiteral("OK"), this), "cmdOK", twips(4245, 3705, 1260, 345));
    cmdOK->setDefault(true);
    cmdSysInfo =
        place(new QPushButton(QStringLiteral("&System Info..."), this), "cmdSysInfo", twips(4260, 4155, 1245, 345));

    line(this, "Line1_1", QRect(px(90), px(3525), px(5654) - px(90), 1), QColor(128, 128, 128));

    lblDescription = textLabel(
        this, "lblDescription", twips(1410, 1125, 4005, 2235),
        QStringLiteral("Orvanel convierte en pulsaciones de teclas los pasos de los coches por el puente de "
                       "detección.\n\nCada transpondedor se busca en una tabla de doce filas y la tecla de su "
                       "fila se escribe en la aplicación que cuenta las vueltas."));
    paintBlack(lblDescription);
    lblTitle = textLabel(this, "lblTitle", twips(1560, 240, 3885, 480));
    lblTitle->setFont(dialogFont(13.5));
    paintBlack(lblTitle);

    line(this, "Line1_0", QRect(px(105), px(3540), px(5654) - px(105), 2), Qt::white);

    lblVersion = textLabel(this, "lblVersion", twips(1530, 780, 3885, 225));
    lblVersion->setFont(dialogFont(8.25, true));
    lblDisclaimer = textLabel(this, "lblDisclaimer", twips(255, 3705, 3870, 825),
                              QStringLiteral("Atención: las teclas se escriben en la aplicación que tenga el foco, "
                                             "sea cual sea. Compruebe siempre el recuento de vueltas."));
    paintBlack(lblDisclaimer);

    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);
}

void frmAbout::Form_Load()
{
    const AboutCaptions captions = aboutCaptions(orvanelIdentity());
    setWindowTitle(QString::fromStdString(captions.windowTitle));
    lblVersion->setText(QString::fromStdString(captions.version));
    lblTitle->setText(QString::fromStdString(captions.title));
}

void frmAbout::cmdOK_Click()
{
    close();
}

void frmAbout::cmdSysInfo_Click()
{
    m_systemInfo.StartSysInfo();
}

} // namespace orvanel
