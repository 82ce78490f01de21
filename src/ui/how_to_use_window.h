#pragma once

#include <QWidget>

class QPlainTextEdit;
class QPushButton;

namespace grondel {

// frmHowUse: the user guide, read-only, and an OK button that closes the window.
class HowToUseWindow : public QWidget {
    Q_OBJECT
public:
    explicit HowToUseWindow(QWidget* parent = nullptr);

public slots:
    void cmdOk_Click();

private:
    QPlainTextEdit* txtHowToUse;
    QPushButton* cmdOk;
};

} // namespace grondel
