#include "app/MPal.h"

#include "app/Artwork.h"
#include "app/ClassicLayout.h"
#include "app/LinkStateIcon.h"
#include "app/WrappingCheckBox.h"
#include "bridge/PortMap.h"
#include "platform/posix/SystemClocks.h"
#include "session/Messages.h"
#include "storage/IdListFile.h"
#include "storage/PortSettingFile.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFocusEvent>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>
#include <cstdio>

namespace orvanel {

namespace {

IdList idTexts(const MappingTable& table)
{
    static_assert(kIdListRows == MappingTable::kRows);
    IdList ids;
    for (std::size_t i = 0; i < ids.size(); ++i)
        ids[i] = table.row(i).IdText;
    return ids;
}

void setIdTexts(MappingTable& table, const IdList& ids)
{
    for (std::size_t i = 0; i < ids.size(); ++i)
        table.setIdText(i, ids[i]);
}

} // namespace

MPal::MPal(std::unique_ptr<BridgeControl> bridge, KeyInjector& keys, Beeper& beeper, Files& files)
    : MPal(std::move(bridge), keys, beeper, files, Options())
{}

MPal::MPal(std::unique_ptr<BridgeControl> bridge, KeyInjector& keys, Beeper& beeper, Files& files,
           const Options& options)
    : m_bridge(std::move(bridge)), m_timer2(this, QStringLiteral("Timer2")),
      m_status([this](const std::string& text) { showLabelCaption(text); }, m_timer2, options.statusDelayMs),
      m_keys(keys), m_dispatcher(m_table, keys, beeper, m_status), m_session(*m_bridge, m_status), m_files(files)
{
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
    // Frames as in a classic dialog: the caption sits on the frame's top line.
    for (QGroupBox* frame : {Frame1, Frame2, Frame3})
        frame->setStyleSheet(
            QStringLiteral("QGroupBox { border: 1px solid palette(mid); margin-top: 6px; }"
                           "QGroupBox::title { subcontrol-origin: margin; left: 6px; padding: 0 2px; }"));
    buildTabOrder();
    wireTable();

    m_bridge->setPassingHandler(
        [this](const std::int16_t& id, std::optional<std::uint32_t> stamp) { OnPassing(id, stamp); });
    m_bridge->setLinkLostHandler([this] {
        m_session.onLinkLost();
        showLinkState();
    });
    m_bridge->setLinkRestoredHandler([this] {
        m_session.onLinkRestored();
        showLinkState();
    });
    m_bridge->setPassingsLostHandler([this](const LostPassings& lost) { reportLostPassings(lost); });
    // Why a passing typed nothing, or what the keyboard map could not type, stands behind its ID.
    m_dispatcher.setHoldHandler([this](const std::string& why) { Label1->setToolTip(QString::fromStdString(why)); });
    // Keys that wait behind slower ones (--key-delay) are checked again when their turn comes.
    m_keys.setTargetCheck([this] { return m_keyboardFocus.target(); });

    const int menuHeight = menuBar()->sizeHint().height();
    resize(px(kClientWidthTwips), px(kClientHeightTwips) + menuHeight);
    move(px(2430), px(1140));

    setUpRaceOptions(options);
    Form_Load(options);
}

void MPal::setUpRaceOptions(const Options& options)
{
    if (options.minGapMs > 0) {
        m_gapGuard.emplace(options.minGapMs, systemSteadyMs);
        m_dispatcher.setGapGuard(&*m_gapGuard);
    }
    if (options.logFile.empty())
        return;
    m_logFile = m_files.openLog(options.logFile, RaceLog::kHeader);
    m_log.emplace(*m_logFile, systemWallTime, [this](const std::string& problem) {
        m_logProblem = messages::kLogNotWritten + problem;
        std::fprintf(stderr, "orvanel: %s\n", m_logProblem.c_str());
        // Seen without hovering: a desktop start has no terminal to read standard error on.
        m_status.setBackgroundStatus(messages::kLogError);
        showLinkState();
    });
    m_dispatcher.setLog(&*m_log);
    m_session.setLog(&*m_log);
    // The first line says what the log's passings were judged by, and finds a file that cannot be
    // written before the race does.
    m_log->event(logText::started(options.minGapMs));
}

MPal::~MPal()
{
    // The bridge may outlive nothing of the window: no passing reaches a half-destroyed table.
    m_bridge->setPassingHandler({});
    m_bridge->setLinkLostHandler({});
    m_bridge->setLinkRestoredHandler({});
    m_bridge->setPassingsLostHandler({});
    // The key injector outlives the window: what it still holds is settled while the log is there.
    m_keys.cancelQueued();
    m_keys.setTargetCheck({});
}

void MPal::buildMenu()
{
    QMenu* Mmenu = menuBar()->addMenu(QStringLiteral("Menú"));
    Mmenu->setObjectName(QStringLiteral("Mmenu"));
    const struct
    {
        const char* name;
        QString caption;
        std::function<void()> handler;
    } items[] = {
        {"MBorrarIds", QStringLiteral("Borrar IDs"), [this] { m_table.ClearIds(); }},
        {"MKeyS10", QStringLiteral("Key-S = 1-0"), [this] { m_table.PresetDigitKeys(); }},
        {"MKeySF1F12", QStringLiteral("Key-S = F1-F12"), [this] { m_table.PresetFunctionKeys(); }},
        {"MBorrarKeyS", QStringLiteral("Borrar Key-S"), [this] { m_table.ClearKeyStrokes(); }},
        {"MCargarIds", QStringLiteral("Cargar IDs"), [this] { MCargarIds_Click(); }},
        {"MGuardarIds", QStringLiteral("Guardar IDs"), [this] { MGuardarIds_Click(); }},
    };
    for (const auto& item : items) {
        QAction* action = Mmenu->addAction(item.caption);
        action->setObjectName(QString::fromLatin1(item.name));
        connect(action, &QAction::triggered, this, item.handler);
    }

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
    const struct
    {
        const char* name;
        const char* caption;
        int left;
        int width;
    } headers[] = {{"Label3", "ID", 480, 495},
                   {"Label5", "KEY-S", 1440, 975},
                   {"Label4", "ID", 3120, 495},
                   {"Label6", "KEY-S", 4080, 975}};
    for (const auto& h : headers) {
        auto* label =
            place(new QLabel(QString::fromLatin1(h.caption), Frame3), h.name, twips(h.left, 240, h.width, 255));
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
    }
    // One pixel taller than drawn, so that the second line of the wrapped caption is not clipped.
    Check1 = place(new WrappingCheckBox(QStringLiteral("Asignar IDs automáticamente"), Frame3), "Check1",
                   twips(480, 3600, 1695, 390));

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
    connect(Ccom, qOverload<int>(&QComboBox::currentIndexChanged), this,
            [this](int index) { Ccom->setToolTip(Ccom->itemData(index, Qt::ToolTipRole).toString()); });
    Ccom->setCurrentIndex(-1);
    Ccom->installEventFilter(this);
    // The link's state, in the free margin right of the port list so that nothing else moves.
    linkDot = place(new QLabel(client), "linkDot", QRect(px(8880 + 975) + 4, px(840) + (px(315) - 10) / 2, 10, 10));

    for (QPushButton* b : {Command1, Command2, Command4, Command5})
        b->setAutoDefault(false);

    connect(Command1, &QPushButton::clicked, this, &MPal::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &MPal::Command2_Click);
    connect(Command4, &QPushButton::clicked, this, &MPal::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &MPal::Command5_Click);
}

void MPal::buildTabOrder()
{
    QList<QWidget*> order;
    for (QLineEdit* t : Text2)
        order << t;
    for (QLineEdit* t : Text3)
        order << t;
    order << Command4 << Text1 << Command5 << Command1 << Command2 << Ccom << Check1;
    for (int i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void MPal::wireTable()
{
    for (std::size_t i = 0; i < MappingTable::kRows; ++i) {
        connect(Text2[i], &QLineEdit::textChanged, this,
                [this, i](const QString& text) { m_table.setIdText(i, text.toStdString()); });
        connect(Text3[i], &QLineEdit::textChanged, this,
                [this, i](const QString& text) { m_table.setKeyText(i, text.toStdString()); });
    }
    m_table.setChangeListener([this](std::size_t row, MappingTable::Column column) {
        QLineEdit* box = column == MappingTable::Column::Id ? Text2[row] : Text3[row];
        const auto& text = column == MappingTable::Column::Id ? m_table.row(row).IdText : m_table.row(row).KeyText;
        const QString shown = QString::fromStdString(text);
        if (box->text() != shown)
            box->setText(shown);
    });
}

void MPal::Form_Load(const Options& options)
{
    Command2->setEnabled(false);
    m_portSettingFile = options.portSettingFile;
    m_fileDialogFolder = QFile::decodeName(options.fileDialogFolder.c_str());
    const StoredPortIndex stored =
        m_portSettingFile.empty() ? StoredPortIndex() : readPortIndex(m_files, m_portSettingFile);
    if (!stored.problem.empty())
        std::fprintf(stderr, "orvanel: %s\n", stored.problem.c_str());
    m_untrustedSettings = options.untrustedSettings;
    if (stored.untrusted)
        m_untrustedSettings += (m_untrustedSettings.empty() ? "" : "\n") + stored.problem;
    Ccom->setCurrentIndex(stored.index);
    // Typing starts in the first ID box, never in the port list (leaving it would reconnect).
    Text2[0]->setFocus(Qt::OtherFocusReason);
    // A bridge that does not answer holds the first connection for a while: the window is shown
    // first, and the connection made as soon as the event loop runs.
    QTimer::singleShot(0, this, [this, options] {
        ConnectBridge();
        startUnattended(options);
    });
}

void MPal::startUnattended(const Options& options)
{
    if (!options.idListFile.empty()) {
        const FileProblem problem = loadIdList(options.idListFile);
        if (!problem.empty())
            std::fprintf(stderr, "orvanel: %s\n", problem.c_str());
    }
    if (options.preset == CommandLine::Preset::Digits)
        m_table.PresetDigitKeys();
    else if (options.preset == CommandLine::Preset::FunctionKeys)
        m_table.PresetFunctionKeys();
    if (options.start && m_session.linkState() == BridgeSession::LinkState::Connected)
        Command1_Click();
    else if (options.start)
        std::fprintf(stderr, "orvanel: no se inició la detección: %s\n", m_session.statusDetails().c_str());
}

void MPal::ConnectBridge()
{
    m_staleInput.run([this] { m_session.connect(Ccom->currentData().toInt()); });
    showLinkState();
    // Told on the terminal too: a port that cannot be opened is mostly a set-up matter.
    if (m_session.linkState() == BridgeSession::LinkState::Failed)
        std::fprintf(stderr, "orvanel: %s\n", m_session.statusDetails().c_str());
}

void MPal::showLinkState()
{
    // The status line's texts are fixed; the reason behind "Error de Comunicación" is one hover away.
    std::string tooltip;
    for (const std::string& part : {m_session.statusDetails(), m_logProblem, m_untrustedSettings}) {
        if (!part.empty())
            tooltip += (tooltip.empty() ? "" : "\n") + part;
    }
    Label1->setToolTip(QString::fromStdString(tooltip));
    // A dot beside the port list shows the link's state, whatever the status line says.
    linkDot->setPixmap(linkStateIcon(m_session.linkState()).pixmap(10, 10));
    linkDot->setToolTip(Label1->toolTip());
}

void MPal::reportLostPassings(const LostPassings& lost)
{
    m_session.onPassingsLost(lost);
    std::fprintf(stderr, "orvanel: %s (%s en total)\n", lostPassingsText(lost.count()).c_str(),
                 std::to_string(m_session.lostPassings()).c_str());
    showLinkState();
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

void MPal::OnPassing(const std::int16_t& id, std::optional<std::uint32_t> stamp)
{
    // Keys typed while one of Orvanel's own windows has the focus would press its buttons; with no
    // program focused they would land in whatever lies under the pointer.
    m_dispatcher.onPassing(id, Check1->isChecked(), m_keyboardFocus.target(), stamp);
}

void MPal::setRunning(bool running)
{
    // A disabled button hands the focus to the next one in the tab order, which may be the port
    // list; leaving that list later would reconnect for no reason. Hand it to the other button.
    if (running) {
        Frame3->setEnabled(false);
        if (Command1->hasFocus()) {
            Command2->setEnabled(true);
            Command2->setFocus(Qt::OtherFocusReason);
        }
        Command1->setEnabled(false);
        Command2->setEnabled(true);
        Frame2->setEnabled(false);
        Ccom->setEnabled(false);
        return;
    }
    Frame3->setEnabled(true);
    Frame2->setEnabled(true);
    Command1->setEnabled(true);
    if (Command2->hasFocus())
        Command1->setFocus(Qt::OtherFocusReason);
    Command2->setEnabled(false);
    Ccom->setEnabled(true);
}

void MPal::Command1_Click()
{
    m_staleInput.run([this] { m_session.startDetection([this] { setRunning(true); }); });
    showLinkState();
}

void MPal::Command2_Click()
{
    m_staleInput.run([this] { m_session.stopDetection([this] { setRunning(false); }); });
}

void MPal::Command4_Click()
{
    std::string why;
    m_staleInput.run([this, &why] { why = m_session.programTransponder(Text1->text().toStdString()); });
    if (!why.empty())
        Label1->setToolTip(QString::fromStdString(why));
}

void MPal::Command5_Click()
{
    m_staleInput.run([this] { m_session.readTransponder(); });
}

void MPal::MGuardarIds_Click()
{
    const QString path = showFileDialog(QStringLiteral("Guardar IDs"), true);
    if (!path.isEmpty())
        reportFileProblem(writeIdList(m_files, QFile::encodeName(path).toStdString(), idTexts(m_table)),
                          messages::kIdListNotSaved);
}

void MPal::MCargarIds_Click()
{
    const QString path = showFileDialog(QStringLiteral("Cargar IDs"), false);
    if (!path.isEmpty())
        loadIdList(QFile::encodeName(path).toStdString());
}

FileProblem MPal::loadIdList(const std::string& path)
{
    const IdListRead list = readIdList(m_files, path);
    if (list.problem.empty())
        setIdTexts(m_table, list.ids);
    reportFileProblem(list.problem, messages::kIdListNotLoaded);
    return list.problem;
}

// The common dialog: the file name the user chose, or empty when cancelled. It proposes the name
// chosen last in either command, and before that the folder it was given.
QString MPal::showFileDialog(const QString& title, bool save)
{
    QFileDialog CD1(this, title);
    CD1.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    CD1.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (!m_cd1FileName.isEmpty())
        CD1.selectFile(m_cd1FileName);
    else // not where a dialog of an earlier run was left, which Qt would propose
        CD1.setDirectory(m_fileDialogFolder.isEmpty() ? QDir::currentPath() : m_fileDialogFolder);
    if (CD1.exec() != QDialog::Accepted || CD1.selectedFiles().isEmpty())
        return {};
    m_cd1FileName = CD1.selectedFiles().constFirst();
    return m_cd1FileName;
}

// Success says nothing; a failure says so on the status line, and why in its tooltip.
void MPal::reportFileProblem(const FileProblem& problem, const std::string& status)
{
    if (problem.empty())
        return;
    ShowStatus(status);
    Label1->setToolTip(QString::fromStdString(problem));
}

void MPal::showLabelCaption(const std::string& text)
{
    Label1->setText(QString::fromStdString(text));
}

void MPal::Form_Unload()
{
    // The window closes whatever happens to the file; the user learns why it was not kept.
    if (m_portSettingFile.empty())
        return;
    const FileProblem problem = writePortIndex(m_files, m_portSettingFile, Ccom->currentIndex());
    if (!problem.empty())
        std::fprintf(stderr, "orvanel: no se guardó el puerto: %s\n", problem.c_str());
}

void MPal::closeEvent(QCloseEvent* event)
{
    Form_Unload();
    event->accept();
}

} // namespace orvanel
