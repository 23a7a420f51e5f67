#pragma once

#include "about/SystemInfo.h"
#include "about/SystemInfoServices.h"
#include "app/QtMessageBox.h"

#include <QDialog>

class QLabel;
class QPushButton;

namespace orvanel {

// The About window: the program's title and version, what it does, a warning, and "System Info...".
// Modeless and without an owner; it deletes itself when closed, so each opening loads it afresh.
class frmAbout : public QDialog
{
    Q_OBJECT

public:
    // The services must outlive the window.
    explicit frmAbout(SystemInfoServices& services);

    // The client area, in twips.
    static constexpr int kClientWidthTwips = 6585;
    static constexpr int kClientHeightTwips = 4725;

private:
    void buildControls();
    void Form_Load();
    void cmdOK_Click();
    void cmdSysInfo_Click();

    QtMessageBox m_messages;
    SystemInfo m_systemInfo;

    QLabel* picIcon = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdSysInfo = nullptr;
    QLabel* lblDescription = nullptr;
    QLabel* lblTitle = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblDisclaimer = nullptr;
};

} // namespace orvanel
