#pragma once

#include <QWidget>

class QComboBox;
class QLabel;
class QPushButton;

namespace grondel {

class MainCommands;

// frmHMSize: asks for the grid edge after an import, starting at the picture's own where it is
// one of the offered sizes. OK samples at the edge when the text is one of them exactly, and
// closes; any other text is told which to choose and the dialog stays. Closing it by its title
// bar does nothing else. It touches the run only through the edge and the sampling.
class SizeDialog : public QWidget {
    Q_OBJECT
public:
    explicit SizeDialog(MainCommands& commands, QWidget* parent = nullptr);

public slots:
    void cmdOk_Click();

private:
    MainCommands& commands_;
    QLabel* Label1;
    QComboBox* cboSize;
    QPushButton* cmdOk;
};

} // namespace grondel
