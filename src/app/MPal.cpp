#include "app/MPal.h"

#include "app/Artwork.h"
#include "app/ClassicLayout.h"
#include "app/LinkStateIcon.h"
#include "app/WrappingCheckBox.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>

namespace orvanel {

MPal::MPal(std::unique_ptr<Race> race, const Options& options)
    : MPal(std::make_unique<InlineRaceHost>(std::move(race)), options)
{
    m_inline = static_cast<InlineRaceHost*>(m_host.get());
}

MPal::MPal(std::unique_ptr<RaceHost> host, const Options& options)
    : m_host(std::move(host)), CD1(options.fileDialogFolder)
{
    // First: the controls built below already give commands (the port list selects its entry).
    m_host->attach(*this);
    substituteDialogFont();
    setObjectName(QStringLiteral("MPal"));
    setWindowTitle(QStringLiteral("Orvanel"));
    setWindowIcon(orvanelIcon());
    setFont(dialogFont(8.25));
    // Sizable, but no maximize button: the controls keep their places whatever the size.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);

    buildMenu();
    buildControls(options.ports);
    styleClassicFrames({Frame1, Frame2, Frame3});
    buildTabOrder();
    // As the race will show once it is loaded, which may come after the window is shown.
    showRunning(false);

    const int menuHeight = menuBar()->sizeHint().height();
    resize(px(kClientWidthTwips), px(kClientHeightTwips) + menuHeight);
    move(px(2430), px(1140));
    Form_Load();
}

MPal::~MPal()
{
    // The race settles the key-strokes still waiting and shows what became of them: it goes first,
    // while the window is whole.
    m_host.reset();
}

void MPal::buildMenu()
{
    QMenu* Mmenu = menuBar()->addMenu(QStringLiteral("Menú"));
    Mmenu->setObjectName(QStringLiteral("Mmenu"));
    const auto item = [this, Mmenu](const char* name, const QString& caption, auto handler) {
        Mmenu->addAction(caption, this, handler)->setObjectName(QString::fromLatin1(name));
    };
    item("MBorrarIds", QStringLiteral("Borrar IDs"), [this] { run([](Race& race) { race.table().ClearIds(); }); });
    item("MKeyS10", QStringLiteral("Key-S = 1-0"), [this] { run([](Race& race) { race.table().PresetDigitKeys(); }); });
    item("MKeySF1F12", QStringLiteral("Key-S = F1-F12"),
         [this] { run([](Race& race) { race.table().PresetFunctionKeys(); }); });
    item("MBorrarKeyS", QStringLiteral("Borrar Key-S"),
         [this] { run([](Race& race) { race.table().ClearKeyStrokes(); }); });
    item("MCargarIds", QStringLiteral("Cargar IDs"), [this] { MCargarIds_Click(); });
    item("MGuardarIds", QStringLiteral("Guardar IDs"), [this] { MGuardarIds_Click(); });

    QAction* MAbout = menuBar()->addAction(QStringLiteral("?"));
    MAbout->setObjectName(QStringLiteral("MAbout"));
    connect(MAbout, &QAction::triggered, this, &MPal::MAbout_Click);
}

void MPal::MAbout_Click()
{
    if (m_about)
        m_about();
}

void MPal::buildControls(const PortMap& ports)
{
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    setCentralWidget(client);

    Picture1 = place(new QLabel(client), "Picture1", twips(6360, 3960, 3015, 2175));
    Picture1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Picture1->setLineWidth(2);
    Picture1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Picture1->setPixmap(QPixmap::fromImage(bridgePicture()));

    Label1 = place(new QLabel(client), "Label1", twips(3000, 840, 5295, 615));
    Label1->setFont(dialogFont(13.5));
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setFrameStyle(QFrame::Box | QFrame::Plain);
    Label1->setLineWidth(1);

    Frame2 = place(new QGroupBox(QStringLiteral("Configuración Transponder"), client), "Frame2",
                   twips(5880, 1920, 3615, 1815));
    Command4 = place(new QPushButton(QStringLiteral("Grabar ID"), Frame2), "Command4", twips(240, 360, 1695, 495));
    Text1 = place(new QLineEdit(Frame2), "Text1", twips(2280, 360, 1095, 375));
    Command5 = place(new QPushButton(QStringLiteral("Leer ID"), Frame2), "Command5", twips(240, 1080, 1695, 495));

    Frame3 = place(new QGroupBox(QStringLiteral("Transponder ID = Key Stroke"), client), "Frame3",
                   twips(120, 2160, 5535, 4215));
    for (const auto& [name, caption, left, width] : {std::tuple{"Label3", "ID", 480, 495},
                                                     {"Label5", "KEY-S", 1440, 975},
                                                     {"Label4", "ID", 3120, 495},
                                                     {"Label6", "KEY-S", 4080, 975}}) {
        auto* label = place(new QLabel(QString::fromLatin1(caption), Frame3), name, twips(left, 240, width, 255));
        label->setFont(dialogFont(8.25, true, true));
        label->setAlignment(Qt::AlignCenter);
    }
    for (std::size_t i = 0; i < MappingTable::kRows; ++i) {
        const int top = 600 + 480 * static_cast<int>(i % 6);
        const bool right = i >= 6;
        Text2[i] = place(new QLineEdit(Frame3), ("Text2_" + std::to_string(i)).c_str(),
                         twips(right ? 3120 : 480, top, 495, 345));
        Text3[i] = place(new QLineEdit(Frame3), ("Text3_" + std::to_string(i)).c_str(),
                         twips(right ? 4080 : 1440, top, 975, 375));
        for (const auto& [box, column] :
             {std::pair{Text2[i], MappingTable::Column::Id}, {Text3[i], MappingTable::Column::Key}}) {
            connect(box, &QLineEdit::textChanged, this, [this, i, column = column](const QString& text) {
                run([i, column, text = text.toStdString()](Race& race) { race.editText(i, column, text); });
            });
        }
    }
    // One pixel taller than drawn, so that the second line of the wrapped caption is not clipped.
    Check1 = place(new WrappingCheckBox(QStringLiteral("Asignar IDs automáticamente"), Frame3), "Check1",
                   twips(480, 3600, 1695, 390));
    connect(Check1, &QCheckBox::toggled, this, [this](bool on) { run([on](Race& race) { race.setAutoAssign(on); }); });

    Frame1 = place(new QGroupBox(QStringLiteral("Control Principal"), client), "Frame1", twips(240, 240, 2415, 1815));
    Command1 = place(new QPushButton(QStringLiteral("Start"), Frame1), "Command1", twips(240, 360, 1935, 495));
    Command2 = place(new QPushButton(QStringLiteral("Stop"), Frame1), "Command2", twips(240, 1080, 1935, 495));
    Command1->setFont(dialogFont(12, true));
    Command2->setFont(dialogFont(12, true));

    Ccom = place(new QComboBox(client), "Ccom", twips(8880, 840, 975, 315));
    for (std::int32_t port = PortMap::kFirstPort; port <= PortMap::kLastPort; ++port) {
        Ccom->addItem(QStringLiteral("COM %1").arg(port), port);
        // Which adapter an entry opens is one hover away, in the list and on the closed list.
        Ccom->setItemData(Ccom->count() - 1, QString::fromStdString(ports.device(port)), Qt::ToolTipRole);
    }
    connect(Ccom, qOverload<int>(&QComboBox::currentIndexChanged), this, [this](int index) {
        Ccom->setToolTip(Ccom->itemData(index, Qt::ToolTipRole).toString());
        run([index](Race& race) { race.selectPort(index); });
    });
    Ccom->setCurrentIndex(-1);
    Ccom->installEventFilter(this);
    // The link's state, in the free margin right of the port list so that nothing else moves.
    linkDot = place(new QLabel(client), "linkDot", QRect(px(8880 + 975) + 4, px(840) + (px(315) - 10) / 2, 10, 10));

    for (const auto& [button, handler] : {std::pair{Command1, &MPal::Command1_Click},
                                          {Command2, &MPal::Command2_Click},
                                          {Command4, &MPal::Command4_Click},
                                          {Command5, &MPal::Command5_Click}}) {
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, handler);
    }
}

void MPal::buildTabOrder()
{
    QList<QWidget*> order(Text2.begin(), Text2.end());
    order << QList<QWidget*>(Text3.begin(), Text3.end()) << Command4 << Text1 << Command5 << Command1 << Command2
          << Ccom << Check1;
    for (int i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void MPal::run(RaceHost::Command command)
{
    m_staleInput.run([this, &command] { m_host->run(std::move(command)); });
}

void MPal::click(RaceHost::Command command)
{
    // Clicks made while the bridge answers a call would otherwise be acted on one after another
    // afterwards (pressing Start five times switching detection five times).
    m_staleInput.run([this, &command] { m_host->runClick(std::move(command)); });
}

void MPal::Form_Load()
{
    run([](Race& race) { race.load(); });
    // Typing starts in the first ID box, never in the port list (leaving it would reconnect).
    Text2[0]->setFocus(Qt::OtherFocusReason);
    // A bridge that does not answer holds the first connection for a while, and the key injector
    // takes a while to set up: the window is shown first, and the rest begins as soon as the event
    // loop runs.
    QTimer::singleShot(0, this, [this] {
        m_host->begin();
        run([](Race& race) { race.startUp(); });
    });
}

void MPal::ConnectBridge()
{
    run([](Race& race) { race.connectBridge(); });
}

bool MPal::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Ccom && event->type() == QEvent::FocusOut) {
        // Opening the list's own popup or switching to another application is not leaving the list.
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
            ConnectBridge();
    }
    return QMainWindow::eventFilter(watched, event);
}

void MPal::showRunning(bool running)
{
    // A disabled button hands the focus to the next one in the tab order, which may be the port
    // list; leaving that list later would reconnect for no reason. Hand it to the other button.
    QPushButton* coming = running ? Command2 : Command1;
    QPushButton* leaving = running ? Command1 : Command2;
    Frame3->setEnabled(!running);
    coming->setEnabled(true);
    if (leaving->hasFocus())
        coming->setFocus(Qt::OtherFocusReason);
    leaving->setEnabled(false);
    Frame2->setEnabled(!running);
    Ccom->setEnabled(!running);
}

void MPal::Command1_Click()
{
    click([](Race& race) { race.start(); });
}

void MPal::Command2_Click()
{
    click([](Race& race) { race.stop(); });
}

void MPal::Command4_Click()
{
    click([text = Text1->text().toStdString()](Race& race) { race.programTransponder(text); });
}

void MPal::Command5_Click()
{
    click([](Race& race) { race.readTransponder(); });
}

void MPal::MGuardarIds_Click()
{
    if (const std::string path = CD1.show(this, QStringLiteral("Guardar IDs"), true); !path.empty())
        run([path](Race& race) { race.saveIdList(path); });
}

void MPal::MCargarIds_Click()
{
    if (const std::string path = CD1.show(this, QStringLiteral("Cargar IDs"), false); !path.empty())
        run([path](Race& race) { race.loadIdList(path); });
}

void MPal::showStatus(const std::string& text)
{
    Label1->setText(QString::fromStdString(text));
}

void MPal::showReason(const std::string& text)
{
    m_reason = QString::fromStdString(text);
    if (m_keysRoute.isEmpty())
        Label1->setToolTip(m_reason);
    else
        Label1->setToolTip(m_reason.isEmpty() ? m_keysRoute : m_reason + QStringLiteral("\n\n") + m_keysRoute);
}

void MPal::setKeysRoute(const std::string& route)
{
    m_keysRoute = QString::fromStdString(route);
    showReason(m_reason.toStdString());
}

void MPal::showLink(BridgeSession::LinkState state, const std::string& reason)
{
    showReason(reason);
    // A dot beside the port list shows the link's state, whatever the status line says.
    linkDot->setPixmap(linkStateIcon(state).pixmap(10, 10));
    linkDot->setToolTip(Label1->toolTip());
}

void MPal::showText(std::size_t row, MappingTable::Column column, const std::string& text)
{
    QLineEdit* box = column == MappingTable::Column::Id ? Text2.at(row) : Text3.at(row);
    const QString shown = QString::fromStdString(text);
    if (box->text() != shown)
        box->setText(shown);
}

void MPal::showAutoAssign(bool on)
{
    Check1->setChecked(on);
}

void MPal::showPort(int index)
{
    Ccom->setCurrentIndex(index);
}

void MPal::Form_Unload()
{
    run([](Race& race) { race.unload(); });
}

void MPal::closeEvent(QCloseEvent* event)
{
    Form_Unload();
    event->accept();
}

} // namespace orvanel
