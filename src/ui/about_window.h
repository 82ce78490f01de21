#pragma once

#include <QWidget>

class QGroupBox;
class QLabel;
class QPushButton;

namespace grondel {

// frmAbout: product name, date, version and authors, and an OK button that closes the window.
class AboutWindow : public QWidget {
    Q_OBJECT
public:
    explicit AboutWindow(QWidget* parent = nullptr);

public slots:
    void cmdOk_Click();

private:
    QGroupBox* freAbout;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    QPushButton* cmdOk;
};

} // namespace grondel
